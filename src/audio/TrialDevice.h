#pragma once

#include <SDL_audio.h>

// A trial plays a sound through the mixer's own calls, but needs no device and no time: in the
// processes that run trials (the sound checker and the fuzzing harness), these functions stand in
// for SDL's audio device, so that the mixer opens its output here and each buffer is mixed on
// demand, on the trial's own thread. Linked into those executables only, never into the program.
namespace keysound::audio::trialdevice {

// The output the mixer opened, once it has.
bool isOpen();
const SDL_AudioSpec& spec();
// Has the mixer fill the buffer (of spec().size bytes) with what comes next.
void mix(Uint8* buffer);

}  // namespace keysound::audio::trialdevice
