#include "audio/AudioOutput.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <cstring>
#include <mutex>

namespace keysound::audio {

namespace {
constexpr const char* applicationName = "keysound";
constexpr const char* preferredDrivers = "pipewire,pulseaudio,alsa";
// PipeWire runs its whole graph at the smallest period a stream asks for and feeds the streams from
// real-time threads: half the usual period halves a key's way to the sink there (server_bench:
// 11.5 -> about 6 ms), and no underrun showed even with every core busy.
constexpr int PipewireBufferFrames = 128;
// Mixing stops when a server hangs without telling SDL; this long without a mix counts as lost.
constexpr quint64 StalledAfterMs = 1000;

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

bool driverIs(const char* name)
{
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver != nullptr && std::strcmp(driver, name) == 0;
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

// SDL's audio subsystem and the mixer are one per process: opening them (maybe on a worker) and
// closing them never overlap, whichever output asks.
std::mutex& openingAndClosing()
{
    static std::mutex lock;
    return lock;
}

bool mixerIsOpen(OutputState state)
{
    return state == OutputState::Open || state == OutputState::Resting || state == OutputState::Lost;
}
}  // namespace

AudioOutput::AudioOutput(AudioSettings settings)
    : settings_(settings)
    , mixerStreamPassive_(OutputRest::makeMixerStreamPassive())
{}

AudioOutput::~AudioOutput() { close(); }

bool AudioOutput::open()
{
    std::lock_guard lock(openingAndClosing());
    if (state_ == OutputState::Open || (state_ == OutputState::Resting && resumeResting()))
        return true;
    if (mixerIsOpen(state_)) {  // lost, maybe while resting: everything goes, so that a moved server is found
        closeMixer();
        unloadDriver();
    }
    state_ = OutputState::Opening;
    setHints();
    if (!openDevice()) {
        const QString why =
            QCoreApplication::translate("AudioOutput", "keysound: no audio device could be opened; keys "
                                                       "stay silent until one can: %1");
        qWarning("%s", qPrintable(why.arg(QString::fromUtf8(SDL_GetError()))));
        state_ = OutputState::Closed;
        return false;
    }
    static const bool decodersLoaded = Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC) != 0;
    Q_UNUSED(decodersLoaded);  // whatever is missing simply won't load
    Uint16 format = 0;
    Mix_QuerySpec(&frequency_, &format, &channels_);
    deviceRemovedEventQueued();  // news about an output closed before this one
    lastMixMs_ = SDL_GetTicks64();
    Mix_SetPostMix(deliverPostMix, this);
    state_ = OutputState::Open;
    return true;
}

bool AudioOutput::openDevice()
{
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    const bool resting =
        OutputRest::whenIdle(SDL_GetCurrentAudioDriver(), mixerStreamPassive_) == OutputRest::WhenIdle::Rest;
    const int bufferFrames =
        driverIs("pipewire") ? std::min(settings_.bufferFrames, PipewireBufferFrames) : settings_.bufferFrames;
    // A passive mixer stream sounds only while something keeps its sink running.
    if (resting)
        rest_ = OutputRest::connect(settings_.frequency, bufferFrames);
    // Format and channel count stay fixed so the post-mix observer always sees 16-bit frames.
    const bool opened =
        (!resting || rest_) && Mix_OpenAudioDevice(settings_.frequency, AUDIO_S16SYS, settings_.channels, bufferFrames,
                                                   nullptr, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) == 0;
    if (!opened) {
        rest_.reset();
        unloadDriver();  // so that a server that starts later is found by the next try
        return false;
    }
    bufferFrames_ = bufferFrames;
    return true;
}

void AudioOutput::closeIdle()
{
    std::lock_guard lock(openingAndClosing());
    if (state_ != OutputState::Open)
        return;
    switch (OutputRest::whenIdle(SDL_GetCurrentAudioDriver(), mixerStreamPassive_)) {
    case OutputRest::WhenIdle::Rest:
        rest_->rest();
        restingSinceMs_ = SDL_GetTicks64();
        state_ = OutputState::Resting;
        break;
    case OutputRest::WhenIdle::CloseDevice: closeMixer(); break;
    case OutputRest::WhenIdle::UnloadDriver:
        closeMixer();
        unloadDriver();
        break;
    }
}

bool AudioOutput::resume()
{
    std::unique_lock lock(openingAndClosing(), std::try_to_lock);
    return lock.owns_lock() && state_ == OutputState::Resting && resumeResting();
}

// Called with opening and closing locked, while resting.
bool AudioOutput::resumeResting()
{
    if (deviceRemovedEventQueued() || !rest_->wake()) {
        state_ = OutputState::Lost;
        return false;
    }
    lastMixMs_ = SDL_GetTicks64();
    state_ = OutputState::Open;
    return true;
}

void AudioOutput::close()
{
    std::lock_guard lock(openingAndClosing());
    closeMixer();
    unloadDriver();
}

void AudioOutput::closeMixer()
{
    if (!mixerIsOpen(state_))
        return;
    Mix_SetPostMix(nullptr, nullptr);
    Mix_CloseAudio();
    rest_.reset();
    frequency_ = 0;
    channels_ = 0;
    bufferFrames_ = 0;
    state_ = OutputState::Closed;
}

void AudioOutput::unloadDriver()
{
    if (SDL_WasInit(SDL_INIT_AUDIO) != 0)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);  // also ends the driver's own threads (hotplug watchers)
}

// A rest that another program's sound kept mixing too long was marked lost on the audio thread,
// which must not close its own device.
void AudioOutput::closeOverdueRest()
{
    std::lock_guard lock(openingAndClosing());
    if (state_ == OutputState::Lost)
        closeMixer();
}

bool AudioOutput::isLost()
{
    OutputState open = OutputState::Open;
    const bool stalled = SDL_GetTicks64() - lastMixMs_ > StalledAfterMs;
    if (state_ == OutputState::Open && (deviceRemovedEventQueued() || stalled || (rest_ && rest_->isLost())))
        state_.compare_exchange_strong(open, OutputState::Lost);
    return state_ == OutputState::Lost;
}

QString AudioOutput::driverName() const
{
    const char* name = mixerIsOpen(state_) ? SDL_GetCurrentAudioDriver() : nullptr;
    return name ? QString::fromLatin1(name) : QString();
}

void AudioOutput::setPostMixObserver(PostMixObserver observer)
{
    const bool open = mixerIsOpen(state_);
    // Unhooking first waits out a running mix, so the function is never swapped under it.
    if (open)
        Mix_SetPostMix(nullptr, nullptr);
    observer_ = std::move(observer);
    if (open)
        Mix_SetPostMix(deliverPostMix, this);
}

void AudioOutput::deliverPostMix(void* output, Uint8* stream, int length)
{
    auto& self = *static_cast<AudioOutput*>(output);
    const quint64 now = SDL_GetTicks64();
    self.lastMixMs_ = now;
    OutputState resting = OutputState::Resting;
    const bool restOverdue =
        self.state_ == OutputState::Resting && now - self.restingSinceMs_ > OutputRest::CloseMixedRestAfterMs;
    if (restOverdue && self.state_.compare_exchange_strong(resting, OutputState::Lost) &&
        QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak = self.weak_from_this()] {
                if (const std::shared_ptr<AudioOutput> output = weak.lock())
                    output->closeOverdueRest();
            },
            Qt::QueuedConnection);
    }
    if (!self.observer_ || self.channels_ <= 0)
        return;
    const int frames = length / int(sizeof(int16_t)) / self.channels_;
    self.observer_(reinterpret_cast<const int16_t*>(stream), frames);
}

}  // namespace keysound::audio
