#pragma once

#include "audio/SoundBytes.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace keysound::audio {

enum class SoundFormat { Mp3, Wav, Ogg, Flac };

// A run of the stream the decoders are given: bytes of the file, or bytes of our own.
struct SoundPiece {
    qint64 fileOffset = 0;
    qint64 length = 0;
    QByteArray literal;  // used instead of the file when not empty
};

// What the mixer's decoders get to see of a sound file: only what they need to decode it. The
// mixer's own tag and chunk readers have crashed, hung and looped on damaged or unusual metadata,
// and loop points would make one key sound forever, so none of that reaches them:
// - MP3: the MPEG frames, without ID3v2 tags before them and ID3v1, APE or Lyrics3 tags after;
// - WAV: a plain RIFF header of our own (checked format, no loop or text chunks) and the samples;
// - FLAC: its stream information as the only metadata block, then the frames;
// - Ogg: the file as it is (the mixer follows its loop tags only when asked to repeat).
struct SoundLayout {
    SoundFormat format = SoundFormat::Mp3;
    QList<SoundPiece> pieces;

    qint64 size() const;
    // Up to length bytes of the stream from offset, read through the pieces.
    qint64 readAt(const SoundBytes& file, qint64 offset, char* into, qint64 length) const;
};

// Recognises MP3, WAV, Ogg and FLAC by their first bytes and lays the file out for the decoders;
// nothing for any other file, and for one whose header is damaged beyond use.
std::optional<SoundLayout> readSoundLayout(const SoundBytes& file);

}  // namespace keysound::audio
