#include "StandInDevice.h"

#include <SDL.h>

namespace {

constexpr SDL_AudioDeviceID StandInDevice = 1;
// SDL's device calls, which these stand in for, keep the one device of the process.
bool opened = false;
SDL_AudioSpec openedSpec{};  // the one device's format and callback

}  // namespace

namespace keysound::audio::standindevice {

bool isOpen() { return opened; }

const SDL_AudioSpec& spec() { return openedSpec; }

void mix(Uint8* buffer) { openedSpec.callback(openedSpec.userdata, buffer, int(openedSpec.size)); }

}  // namespace keysound::audio::standindevice

// The five device calls the mixer makes (SDL_mixer 2.6). The mixer gets the output it asks for.
extern "C" {

SDL_AudioDeviceID SDL_OpenAudioDevice(const char*, int iscapture, const SDL_AudioSpec* desired, SDL_AudioSpec* obtained,
                                      int)
{
    if (iscapture || opened || desired->callback == nullptr || desired->channels == 0)
        return 0;
    openedSpec = *desired;
    openedSpec.silence = SDL_AUDIO_ISSIGNED(desired->format) ? 0 : 0x80;
    openedSpec.size = Uint32(SDL_AUDIO_BITSIZE(desired->format) / 8) * desired->channels * desired->samples;
    if (obtained)
        *obtained = openedSpec;
    opened = true;
    return StandInDevice;
}

void SDL_CloseAudioDevice(SDL_AudioDeviceID) { opened = false; }

// One thread mixes, the one that asks: there is nothing to pause or to lock out.
void SDL_PauseAudioDevice(SDL_AudioDeviceID, int) {}
void SDL_LockAudioDevice(SDL_AudioDeviceID) {}
void SDL_UnlockAudioDevice(SDL_AudioDeviceID) {}

}  // extern "C"
