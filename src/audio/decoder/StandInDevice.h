#pragma once

#include <SDL_audio.h>

// A decode plays a sound through the mixer's own calls, but needs no device and no time: in the
// processes that decode (the decoder and the fuzzing harness), these functions stand in
// for SDL's audio device, so that the mixer opens its output here and each buffer is mixed on
// demand, on the decoding thread. Linked into those executables only, never into the program.
namespace keysound::audio::standindevice {

// The output the mixer opened, once it has.
bool isOpen();
const SDL_AudioSpec& spec();
// Has the mixer fill the buffer (of spec().size bytes) with what comes next.
void mix(Uint8* buffer);

}  // namespace keysound::audio::standindevice
