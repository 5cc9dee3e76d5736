#pragma once

#include <QString>

namespace keysound::tools {

enum class SoundFileStatus { Playable, Missing, NotAFile, Empty, NotAudio };

// Whether the file at a native path looks like a sound the player can decode: judged by its
// first bytes (MP3 frame sync or ID3 tag, RIFF WAVE, Ogg, FLAC), without decoding it.
SoundFileStatus probeSoundFile(const QString& nativePath);

QString describe(SoundFileStatus status);

}  // namespace keysound::tools
