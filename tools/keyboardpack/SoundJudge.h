#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace keysound::keyboardpack {

// A sound file decoded to PCM as keysound plays it (SpriteSlices.h), or why it does not play.
struct DecodedPcm {
    std::optional<QString> problem;
    std::shared_ptr<const void> owner;  // keeps the samples
    std::span<const int16_t> samples;   // interleaved
};

// How an import hears the pack's sounds: keysound's sandboxed decoder, or a test's stand-in.
class SoundJudge {
public:
    virtual ~SoundJudge() = default;
    // Why the file at a native path does not play, or nothing when it does.
    virtual std::optional<QString> problemWith(const QString& nativePath) = 0;
    virtual DecodedPcm decode(const QString& nativePath) = 0;
};

// The sandboxed decoder, for this thread.
std::unique_ptr<SoundJudge> sandboxedJudge();

}  // namespace keysound::keyboardpack
