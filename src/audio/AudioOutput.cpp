#include "audio/AudioOutput.h"

#include "audio/SinkWaker.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

namespace keysound::audio {

namespace {
constexpr const char* applicationName = "keysound";
constexpr const char* preferredDrivers = "pipewire,pulseaudio,alsa";
// PipeWire runs its whole graph at the smallest period a stream asks for and feeds the streams from
// real-time threads: half the usual period halves a key's way to the sink there (server_bench:
// 11.5 -> about 6 ms), and no underrun showed even with every core busy.
constexpr int pipewireBufferFrames = 128;
// Mixing stops when a server hangs without telling SDL; this long without a mix counts as lost.
constexpr Uint64 stalledAfterMs = 1000;

struct OutputState {
    std::atomic<bool> open = false;     // set last: an open may run on another thread
    std::atomic<bool> resting = false;  // the mixer is open, but the sink may suspend
    std::atomic<Uint64> restingSinceMs = 0;
    Uint64 restWhileOthersPlayMs = 0;
    std::atomic<bool> closingWhileResting = false;
    bool removed = false;
    int frequency = 0;
    int channels = 0;
    int bufferFrames = 0;
    std::atomic<Uint64> lastMixMs = 0;
    AudioOutput::PostMixObserver observer;
    std::unique_ptr<SinkWaker> waker;  // on PipeWire, when the mixer's stream is passive
};

// Never destroyed: a worker stuck in a hung sound server may still be using it at exit.
OutputState& state()
{
    static OutputState& instance = *new OutputState;
    return instance;
}

bool mixerStreamIsPassive = false;

// Opening (possibly on a worker) and closing never overlap; a close waits for an open under way.
std::mutex& openingAndClosing()
{
    static std::mutex instance;
    return instance;
}

// Names the program in the desktop's sound mixer instead of a generic "SDL Application".
void setHints()
{
    SDL_SetHint(SDL_HINT_APP_NAME, applicationName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, applicationName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, applicationName);
    // SDL would otherwise turn SIGINT and SIGTERM into events that nobody reads here, and the
    // program could no longer be ended by a logout or a kill.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIODRIVER, preferredDrivers);  // SDL_AUDIODRIVER in the environment wins
}

bool driverLoaded = false;

bool driverIsPipeWire()
{
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver != nullptr && std::strcmp(driver, "pipewire") == 0;
}

// A passive mixer stream sounds only while something keeps its sink running.
bool wakeSinkWhenPassive(int frequency, int bufferFrames)
{
    if (!mixerStreamIsPassive || !driverIsPipeWire())
        return true;
    state().waker = SinkWaker::connect(frequency, bufferFrames);
    return state().waker != nullptr;
}

bool openDevice(const AudioSettings& settings)
{
    if (!driverLoaded && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    driverLoaded = true;
    const int bufferFrames =
        driverIsPipeWire() ? std::min(settings.bufferFrames, pipewireBufferFrames) : settings.bufferFrames;
    // Format and channel count stay fixed so the post-mix observer always sees 16-bit frames.
    const auto openMixer = [&] {
        return Mix_OpenAudioDevice(settings.frequency, AUDIO_S16SYS, settings.channels, bufferFrames, nullptr,
                                   SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) == 0;
    };
    if (!wakeSinkWhenPassive(settings.frequency, bufferFrames) || !openMixer()) {
        // Unloaded, so that a server that starts later is found by the next try.
        state().waker.reset();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        driverLoaded = false;
        return false;
    }
    state().bufferFrames = bufferFrames;
    state().restWhileOthersPlayMs = Uint64(settings.restWhileOthersPlayMs);
    return true;
}

// What the mixer settled on; the buffer size is the one it was opened with.
void rememberSpec()
{
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    state().frequency = frequency;
    state().channels = channels;
}

void closeWhileResting();

// From the audio thread, which must not close its own device.
void closeWhileRestingSoon()
{
    if (QCoreApplication::instance() != nullptr)
        QMetaObject::invokeMethod(QCoreApplication::instance(), closeWhileResting, Qt::QueuedConnection);
}

void deliverPostMix(void*, Uint8* stream, int length)
{
    OutputState& output = state();
    output.lastMixMs = SDL_GetTicks64();
    const bool restOverdue = output.resting && output.lastMixMs - output.restingSinceMs > output.restWhileOthersPlayMs;
    if (restOverdue && !output.closingWhileResting.exchange(true))
        closeWhileRestingSoon();
    if (!output.observer || output.channels <= 0)
        return;
    const int frames = length / int(sizeof(int16_t)) / output.channels;
    output.observer(reinterpret_cast<const int16_t*>(stream), frames);
}

// SDL queues this event itself when the device or its server goes away; we only ever open one.
bool deviceRemovedEventQueued()
{
    SDL_Event events[8];
    bool removed = false;
    int count = 0;
    while ((count = SDL_PeepEvents(events, 8, SDL_GETEVENT, SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED)) > 0) {
        for (int i = 0; i < count; ++i)
            removed |= events[i].type == SDL_AUDIODEVICEREMOVED && !events[i].adevice.iscapture;
    }
    return removed;
}

// Called with opening and closing locked.
bool resumeResting()
{
    OutputState& output = state();
    if (!output.resting || output.waker->isLost() || deviceRemovedEventQueued())
        return false;
    output.waker->setActive(true);
    output.resting = false;
    output.closingWhileResting = false;
    output.lastMixMs = SDL_GetTicks64();
    output.open = true;
    return true;
}

void closeMixer()
{
    OutputState& output = state();
    if (!output.open && !output.resting)
        return;
    Mix_SetPostMix(nullptr, nullptr);
    Mix_CloseAudio();
    output.waker.reset();
    output.resting = false;
    output.closingWhileResting = false;
    output.open = false;
    output.frequency = 0;
    output.channels = 0;
    output.bufferFrames = 0;
}

void closeWhileResting()
{
    std::lock_guard lock(openingAndClosing());
    if (state().resting)
        closeMixer();
}

void unloadDriver()
{
    if (driverLoaded)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);  // also ends the driver's own threads (hotplug watchers)
    driverLoaded = false;
}
}  // namespace

void AudioOutput::prepareProcess()
{
    // The user's own stream properties win; the output then closes when idle instead.
    if (qEnvironmentVariableIsSet("PIPEWIRE_PROPS"))
        return;
    qputenv("PIPEWIRE_PROPS", "node.passive=true");
    mixerStreamIsPassive = true;
}

bool AudioOutput::open(const AudioSettings& settings)
{
    std::lock_guard lock(openingAndClosing());
    OutputState& output = state();
    if (output.open || resumeResting())
        return true;
    if (output.resting) {  // lost while resting
        closeMixer();
        unloadDriver();
    }
    setHints();
    if (!openDevice(settings)) {
        qWarning("keysound: no audio device could be opened (%s); keys stay silent until one can", SDL_GetError());
        return false;
    }
    static const bool decodersLoaded = Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC) != 0;
    Q_UNUSED(decodersLoaded);  // whatever is missing simply won't load
    rememberSpec();
    deviceRemovedEventQueued();  // news about an output closed before this one
    output.removed = false;
    output.lastMixMs = SDL_GetTicks64();
    Mix_SetPostMix(deliverPostMix, nullptr);
    output.open = true;
    return true;
}

void AudioOutput::closeDevice()
{
    std::lock_guard lock(openingAndClosing());
    OutputState& output = state();
    if (!output.waker) {
        closeMixer();
    } else if (output.open) {
        output.waker->setActive(false);
        output.open = false;
        output.restingSinceMs = SDL_GetTicks64();
        output.resting = true;
    }
}

bool AudioOutput::resume()
{
    std::unique_lock lock(openingAndClosing(), std::try_to_lock);
    return lock.owns_lock() && resumeResting();
}

void AudioOutput::close()
{
    std::lock_guard lock(openingAndClosing());
    closeMixer();
    unloadDriver();
}

bool AudioOutput::isOpen() { return state().open; }
int AudioOutput::frequency() { return state().frequency; }
int AudioOutput::channels() { return state().channels; }
int AudioOutput::bufferFrames() { return state().bufferFrames; }

bool AudioOutput::isLost()
{
    OutputState& output = state();
    if (!output.open)
        return false;
    output.removed = output.removed || deviceRemovedEventQueued();
    const bool stalled = SDL_GetTicks64() - output.lastMixMs > stalledAfterMs;
    return output.removed || stalled || (output.waker && output.waker->isLost());
}

QString AudioOutput::driverName()
{
    const char* name = state().open ? SDL_GetCurrentAudioDriver() : nullptr;
    return name ? QString::fromLatin1(name) : QString();
}

void AudioOutput::setPostMixObserver(PostMixObserver observer)
{
    const bool open = state().open || state().resting;
    // Unhooking first waits out a running mix, so the function is never swapped under it.
    if (open)
        Mix_SetPostMix(nullptr, nullptr);
    state().observer = std::move(observer);
    if (open)
        Mix_SetPostMix(deliverPostMix, nullptr);
}

}  // namespace keysound::audio
