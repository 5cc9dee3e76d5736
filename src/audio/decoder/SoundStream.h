#pragma once

#include "audio/SoundBytes.h"
#include "audio/SoundLayout.h"

#include <memory>

struct _Mix_Music;

namespace keysound::audio {

// Opens a sound for the mixer's music stream exactly as a key does: the decoders read the file's
// layout through a stream of our own, and the format is named, never guessed (the mixer would hand
// a file it does not recognise to its tracker or MIDI readers). The stream keeps the file open
// until the music is freed. Null when the decoder refuses it. Needs an open mixer.
_Mix_Music* loadMusic(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout);

}  // namespace keysound::audio
