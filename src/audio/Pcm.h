#pragma once

#include <QtGlobal>
#include <cstdint>
#include <memory>

namespace keysound::audio {

// Decoded frames as keysound plays them (decodeprotocol's format), held in a memory file that a
// decoder process wrote and that is sealed before it is mapped: nobody, the decoder included, can
// change or shorten it afterwards, so what plays is exactly what was decoded and checked.
class Pcm {
public:
    // Takes over a memory file that should hold `frames` frames. Null when it does not hold exactly
    // that many, cannot be sealed or mapped, or more than maxFrames were promised.
    static std::shared_ptr<const Pcm> adopt(int memoryFile, qint64 frames, qint64 maxFrames);
    ~Pcm();
    Pcm(const Pcm&) = delete;
    Pcm& operator=(const Pcm&) = delete;

    const int16_t* samples() const { return samples_; }  // frames() * channels, interleaved
    qint64 frames() const { return frames_; }
    qint64 bytes() const;

private:
    Pcm(int memoryFile, const int16_t* samples, qint64 frames);
    int memoryFile_;
    const int16_t* samples_;
    qint64 frames_;
};

}  // namespace keysound::audio
