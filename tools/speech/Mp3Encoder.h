#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

namespace keysound::speech {

// The rate of every generated key sound, espeak-ng's own: speech needs no more.
inline constexpr int KeySoundRate = 22050;

// Encodes 16-bit mono samples at sampleRate as a mono MP3 at KeySoundRate and returns the file's
// bytes. The file opens with LAME's info frame, which tells decoders how many samples of encoder
// delay and padding to drop, so that the sound starts with its first sample, not some 50 ms late.
// Throws keysound::Error when the encoder fails.
QByteArray encodeMp3(std::span<const int16_t> samples, int sampleRate);

}  // namespace keysound::speech
