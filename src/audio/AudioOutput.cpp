#include "audio/AudioOutput.h"

#include <QtGlobal>
#include <SDL.h>
#include <SDL_mixer.h>

namespace keysound::audio {

namespace {
constexpr const char* applicationName = "keysound";
constexpr const char* silentDriver = "dummy";

struct OutputState {
    bool open = false;
    bool silentFallback = false;
    int frequency = 0;
    int channels = 0;
    int bufferFrames = 0;
    AudioOutput::PostMixObserver observer;
};

OutputState& state()
{
    static OutputState instance;
    return instance;
}

// Names the program in the desktop's sound mixer instead of a generic "SDL Application".
void nameTheStream()
{
    SDL_SetHint(SDL_HINT_APP_NAME, applicationName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, applicationName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, applicationName);
}

bool openDevice(const AudioSettings& settings)
{
    // SDL would otherwise turn SIGINT and SIGTERM into events that nobody reads here, and the
    // program could no longer be ended by a logout or a kill.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    // Format and channel count stay fixed so the post-mix observer always sees 16-bit frames.
    if (Mix_OpenAudioDevice(settings.frequency, AUDIO_S16SYS, settings.channels, settings.bufferFrames,
                            nullptr, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

// Override priority, because an SDL_AUDIODRIVER naming a broken driver must not win here.
bool openSilentDevice(const AudioSettings& settings)
{
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, silentDriver, SDL_HINT_OVERRIDE);
    return openDevice(settings);
}

void rememberSpec(const AudioSettings& settings)
{
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    state().frequency = frequency;
    state().channels = channels;
    state().bufferFrames = settings.bufferFrames;
}

void deliverPostMix(void*, Uint8* stream, int length)
{
    const OutputState& output = state();
    if (!output.observer || output.channels <= 0)
        return;
    const int frames = length / int(sizeof(int16_t)) / output.channels;
    output.observer(reinterpret_cast<const int16_t*>(stream), frames);
}
}  // namespace

bool AudioOutput::open(const AudioSettings& settings)
{
    OutputState& output = state();
    if (output.open)
        return true;
    nameTheStream();
    output.silentFallback = false;
    if (!openDevice(settings)) {
        qWarning("keysound: no audio device could be opened (%s); sounds are muted", SDL_GetError());
        output.silentFallback = true;
        if (!openSilentDevice(settings))
            return false;
    }
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);  // whatever is missing simply won't load
    rememberSpec(settings);
    output.open = true;
    return true;
}

void AudioOutput::close()
{
    OutputState& output = state();
    if (!output.open)
        return;
    Mix_SetPostMix(nullptr, nullptr);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    output = OutputState{};
}

bool AudioOutput::isOpen() { return state().open; }
bool AudioOutput::isSilentFallback() { return state().silentFallback; }
int AudioOutput::frequency() { return state().frequency; }
int AudioOutput::channels() { return state().channels; }
int AudioOutput::bufferFrames() { return state().bufferFrames; }

QString AudioOutput::driverName()
{
    const char* name = state().open ? SDL_GetCurrentAudioDriver() : nullptr;
    return name ? QString::fromLatin1(name) : QString();
}

void AudioOutput::setPostMixObserver(PostMixObserver observer)
{
    if (!state().open)
        return;
    // Unhooking first waits out a running mix, so the function is never swapped under it.
    Mix_SetPostMix(nullptr, nullptr);
    state().observer = std::move(observer);
    if (state().observer)
        Mix_SetPostMix(deliverPostMix, nullptr);
}

}  // namespace keysound::audio
