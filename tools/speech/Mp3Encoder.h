#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

namespace keysound::speech {

// The rate of every generated key sound, espeak-ng's own: speech needs no more.
inline constexpr int KeySoundRate = 22050;

// What the encoder is given and what it writes: interleaved 16-bit samples of `channels` channels
// at sampleRate, written at outputRate.
struct Mp3Layout {
    int channels = 1;
    int sampleRate = KeySoundRate;
    int outputRate = KeySoundRate;
};

// Encodes samples as an MP3 and returns the file's bytes. The file opens with LAME's info frame,
// which tells decoders how many samples of encoder delay and padding to drop, so that the sound
// starts with its first sample, not some 50 ms late. Throws keysound::Error when the encoder fails.
QByteArray encodeMp3(std::span<const int16_t> samples, const Mp3Layout& layout);

// A spoken key: mono samples at sampleRate as a mono MP3 at KeySoundRate.
inline QByteArray encodeMp3(std::span<const int16_t> samples, int sampleRate)
{
    return encodeMp3(samples, {.channels = 1, .sampleRate = sampleRate, .outputRate = KeySoundRate});
}

}  // namespace keysound::speech
