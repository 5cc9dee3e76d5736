#pragma once

#include <QString>

namespace keysound::tools {

enum class SoundFileStatus { Playable,
                             Missing,
                             NotAFile,
                             Empty,
                             NotAudio };

// Whether the player can play the file at a native path: it is decoded in full with the
// player's own decoders (SDL_mixer on its silent "dummy" output), not judged by its first bytes.
SoundFileStatus probeSoundFile(const QString& nativePath);

QString describe(SoundFileStatus status);

}  // namespace keysound::tools
