#pragma once

#include "PackConfig.h"

#include "audio/DecodeProtocol.h"

#include <cstdint>
#include <span>

// Cutting a single pack's sound into its keys' slices, on the PCM keysound plays.
namespace keysound::keyboardpack {

// PCM as keysound plays it: interleaved signed 16-bit samples.
inline constexpr int PcmFrequency = audio::decodeprotocol::Frequency;
inline constexpr int PcmChannels = audio::decodeprotocol::Channels;

struct FrameSpan {
    qint64 first = 0;
    qint64 end = 0;    // one past the last frame
    bool cut = false;  // the slice ran past the end of the sound and stops there
    bool isEmpty() const { return end <= first; }
    qint64 milliseconds() const { return (end - first) * 1000 / PcmFrequency; }
};

// The frames of a slice in a sound of frameCount frames: from the frame its start falls in to the
// frame its end falls in, so that slices that meet in milliseconds meet in frames too.
FrameSpan framesOf(const Slice& slice, qint64 frameCount);

// The interleaved samples of those frames.
std::span<const int16_t> samplesOf(std::span<const int16_t> pcm, const FrameSpan& frames);

}  // namespace keysound::keyboardpack
