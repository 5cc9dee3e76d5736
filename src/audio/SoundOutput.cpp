#include "audio/SoundOutput.h"

#include "audio/AudioText.h"
#include "audio/DecodeProtocol.h"
#include "audio/SinkWaker.h"

#include <SDL.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace keysound::audio {

namespace protocol = decodeprotocol;

// The sound playing now: held PCM, or a stream read as it plays.
struct SoundOutput::Voice {
    std::shared_ptr<const Pcm> pcm;
    std::unique_ptr<PcmStream> stream;
    QString tag;
    qint64 position = 0;  // frames played
    bool ended = false;
    char partial[protocol::BytesPerFrame] = {};  // a frame the pipe gave only part of
    int partialBytes = 0;

    // Up to `frames` frames into samples; fewer once the sound ends or its decoder lags behind.
    int take(int16_t* samples, int frames)
    {
        if (ended)
            return 0;
        const int done = pcm ? takeHeld(samples, frames) : takeStreamed(samples, frames);
        return done;
    }

private:
    int takeHeld(int16_t* samples, int frames)
    {
        const int n = int(std::min<qint64>(frames, pcm->frames() - position));
        std::memcpy(samples, pcm->samples() + position * protocol::Channels, size_t(n) * protocol::BytesPerFrame);
        position += n;
        ended = position >= pcm->frames();
        return n;
    }

    // Whole frames only, and never more than its decoding promised.
    int takeStreamed(int16_t* samples, int frames)
    {
        auto* bytes = reinterpret_cast<char*>(samples);
        const qint64 wanted = std::min<qint64>(frames, stream->frames - position) * protocol::BytesPerFrame;
        qint64 got = partialBytes;
        std::memcpy(bytes, partial, size_t(partialBytes));
        while (got < wanted) {
            const ssize_t n = ::read(stream->readEnd, bytes + got, size_t(wanted - got));
            if (n > 0) {
                got += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                ended = true;
            break;
        }
        const int whole = int(got / protocol::BytesPerFrame);
        partialBytes = int(got % protocol::BytesPerFrame);
        std::memcpy(partial, bytes + qint64(whole) * protocol::BytesPerFrame, size_t(partialBytes));
        position += whole;
        ended = ended || position >= stream->frames;
        return whole;
    }
};

namespace {

constexpr const char* applicationName = "keysound";
constexpr const char* preferredDrivers = "pipewire,pulseaudio,alsa";
constexpr int BufferFrames = 256;  // small, so a sound starts within a few milliseconds
// PipeWire runs its whole graph at the smallest period a stream asks for and feeds the streams from
// real-time threads: half the usual period halves a key's way to the sink there.
constexpr int PipewireBufferFrames = 128;
// Mixing stops when a server hangs without telling SDL; this long without a mix counts as lost.
constexpr qint64 StalledAfterMs = 1000;
constexpr qint64 CloseMixedRestAfterMs = 60000;

constexpr const char* passiveStreamProperties = "node.passive=true";
bool mixerStreamPassive = false;  // process-wide: the environment SDL's PipeWire driver reads

enum class WhenIdle { Rest, CloseDevice, UnloadDriver };

WhenIdle whenIdle(const char* driver)
{
    if (driver == nullptr)
        return WhenIdle::UnloadDriver;
    if (std::strcmp(driver, "pipewire") == 0 && mixerStreamPassive)
        return WhenIdle::Rest;
    if (std::strcmp(driver, "alsa") == 0)
        return WhenIdle::UnloadDriver;
    return WhenIdle::CloseDevice;
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

// Monotonic milliseconds from a fixed point: only differences are used.
qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void SoundOutput::prepareEnvironment()
{
    // The user's own stream properties win; the stream is passive only when they are ours.
    if (!qEnvironmentVariableIsSet("PIPEWIRE_PROPS"))
        qputenv("PIPEWIRE_PROPS", passiveStreamProperties);
    mixerStreamPassive = qgetenv("PIPEWIRE_PROPS") == passiveStreamProperties;
    SDL_SetHint(SDL_HINT_APP_NAME, applicationName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, applicationName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, applicationName);
    // SDL would otherwise turn SIGINT and SIGTERM into events that nobody reads here, and the
    // program could no longer be ended by a logout or a kill.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIODRIVER, preferredDrivers);  // SDL_AUDIODRIVER in the environment wins
}

// The device and everything the audio thread and the opening worker touch.
struct SoundOutput::Device {
    std::atomic<State> state = State::Closed;
    std::atomic<bool> opening = false;
    uint32_t id = 0;
    std::unique_ptr<SinkWaker> waker;
    int frequency = 0;
    int bufferFrames = 0;
    std::atomic<qint64> lastMixMs = 0;
    std::atomic<qint64> restingSinceMs = 0;
    std::thread opener;

    std::mutex ownerLock;
    SoundOutput* owner = nullptr;  // null once the output has gone

    mutable std::mutex voiceLock;  // the window's thread and the audio thread
    std::unique_ptr<Voice> voice;
    PostMixObserver observer;

    bool open();
    void close();
    bool driverLoaded = false;  // this device's share of SDL's audio subsystem
    void unloadDriver();
    bool openLocked();
    void quitSubsystemLocked();
    static void mix(void* device, uint8_t* stream, int length);
};

// SDL's audio subsystem is one per process, and loading, unloading, opening and closing it are not
// safe from two threads at once: a worker left behind on a hung server may still be at it.
namespace {
std::mutex& audioSubsystemLock()
{
    static std::mutex lock;  // SDL's audio subsystem is one per process
    return lock;
}
}  // namespace

// On the opening worker; nothing else touches the device meanwhile.
bool SoundOutput::Device::open()
{
    std::lock_guard lock(audioSubsystemLock());
    return openLocked();
}

bool SoundOutput::Device::openLocked()
{
    if (!driverLoaded && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    driverLoaded = true;
    const bool resting = whenIdle(SDL_GetCurrentAudioDriver()) == WhenIdle::Rest;
    const int frames = driverIs("pipewire") ? PipewireBufferFrames : BufferFrames;
    // A passive stream sounds only while something keeps its sink running.
    if (resting)
        waker = SinkWaker::connect(protocol::Frequency, frames);
    SDL_AudioSpec wanted{};
    wanted.freq = protocol::Frequency;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = protocol::Channels;
    wanted.samples = Uint16(frames);
    wanted.callback = mix;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // The PCM's format stays fixed: SDL converts when the device insists on another.
    id = (!resting || waker) ? SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0) : 0;
    if (id == 0) {
        waker.reset();
        quitSubsystemLocked();  // so that a server that starts later is found by the next try
        return false;
    }
    frequency = obtained.freq;
    bufferFrames = obtained.samples;
    deviceRemovedEventQueued();  // news about a device closed before this one
    lastMixMs = steadyMs();
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void SoundOutput::Device::close()
{
    if (id != 0) {
        std::lock_guard lock(audioSubsystemLock());
        SDL_CloseAudioDevice(id);  // waits out a running mix
    }
    id = 0;
    waker.reset();
    frequency = 0;
    bufferFrames = 0;
    state = State::Closed;
}

// SDL counts the shares of its subsystem: a worker left behind on a hung server that ends late
// gives up its own share only, never another output's.
void SoundOutput::Device::unloadDriver()
{
    std::lock_guard lock(audioSubsystemLock());
    quitSubsystemLocked();
}

void SoundOutput::Device::quitSubsystemLocked()
{
    if (driverLoaded)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);  // the last share also ends the driver's threads (hotplug watchers)
    driverLoaded = false;
}

// One voice: its frames, then silence. A resting output mixes silence.
void SoundOutput::Device::mix(void* opened, uint8_t* stream, int length)
{
    auto& device = *static_cast<Device*>(opened);
    device.lastMixMs = steadyMs();
    const int frames = length / protocol::BytesPerFrame;
    auto* samples = reinterpret_cast<int16_t*>(stream);
    int done = 0;
    {
        std::lock_guard lock(device.voiceLock);
        if (device.voice && device.state == State::Open)
            done = device.voice->take(samples, frames);
    }
    std::fill(samples + qint64(done) * protocol::Channels, samples + qint64(frames) * protocol::Channels, int16_t(0));
    if (device.observer)
        device.observer(samples, frames);
}

SoundOutput::SoundOutput(OutputTiming timing, Clock clock)
    : timing_(timing)
    , clock_(clock ? std::move(clock) : Clock(steadyMs))
    , device_(std::make_shared<Device>())
{
    device_->owner = this;
    // One single-shot look at a time: an idle program has no timer firing at all.
    idleTimer_.setSingleShot(true);
    idleTimer_.setTimerType(Qt::CoarseTimer);
    idleTimer_.callOnTimeout(this, [this] { scheduleIdleCheck(); });
}

// A worker still waiting for a hung server is left behind with the device: the program must still
// be able to end.
SoundOutput::~SoundOutput()
{
    {
        std::lock_guard lock(device_->ownerLock);
        device_->owner = nullptr;
    }
    if (device_->opening) {
        device_->opener.detach();
        return;
    }
    if (device_->opener.joinable())
        device_->opener.join();
    device_->close();
    device_->unloadDriver();
}

void SoundOutput::warmUp()
{
    if (prepareToPlay())
        scheduleIdleCheck();
}

void SoundOutput::play(std::shared_ptr<const Pcm> pcm, const QString& tag)
{
    auto voice = std::make_unique<Voice>();
    voice->pcm = std::move(pcm);
    voice->tag = tag;
    setVoice(std::move(voice));
}

void SoundOutput::play(std::unique_ptr<PcmStream> stream, const QString& tag)
{
    auto voice = std::make_unique<Voice>();
    voice->stream = std::move(stream);
    voice->tag = tag;
    setVoice(std::move(voice));
}

void SoundOutput::stop() { setVoice(nullptr); }

// The old voice goes outside the lock: ending its decoder process waits for it.
void SoundOutput::setVoice(std::unique_ptr<Voice> voice)
{
    bool sounds = false;
    {
        std::lock_guard lock(device_->voiceLock);
        std::swap(device_->voice, voice);
        sounds = device_->voice != nullptr;
    }
    voice.reset();
    if (sounds && prepareToPlay())
        scheduleIdleCheck();
}

QString SoundOutput::currentTag() const
{
    std::lock_guard lock(device_->voiceLock);
    return device_->voice && !device_->voice->ended ? device_->voice->tag : QString();
}

SoundOutput::State SoundOutput::state() const { return device_->state; }
int SoundOutput::frequency() const { return device_->frequency; }
int SoundOutput::bufferFrames() const { return device_->bufferFrames; }

bool SoundOutput::isSounding() const { return state() == State::Open && !currentTag().isEmpty(); }

// Before a sound: true when the output is open and can play it now.
bool SoundOutput::prepareToPlay()
{
    silentSince_.reset();
    if (state() == State::Open && !reopenWhenLost())
        return true;
    if (state() == State::Resting && resumeResting())
        return true;
    if (device_->opening || (lastFailedOpen_ && clock_() - *lastFailedOpen_ < timing_.retryAfterFailureMs))
        return false;
    openInBackground();
    return false;
}

// True when the output was lost and has been closed, so that it is opened again at once.
bool SoundOutput::reopenWhenLost()
{
    if (!isLost())
        return false;
    device_->close();
    device_->unloadDriver();  // so that a moved server is found
    lastFailedOpen_.reset();
    return true;
}

// A driver looking for a server or a card can take tens of milliseconds, and a server that accepts
// the connection and never answers holds it for half a minute.
void SoundOutput::openInBackground()
{
    if (device_->opener.joinable())
        device_->opener.join();
    if (state() != State::Closed) {
        device_->close();
        device_->unloadDriver();
    }
    device_->opening = true;
    device_->state = State::Opening;
    device_->opener = std::thread([device = device_] {
        const bool opened = device->open();
        device->state = opened ? State::Open : State::Closed;
        std::lock_guard lock(device->ownerLock);
        device->opening = false;
        if (device->owner != nullptr) {
            QMetaObject::invokeMethod(device->owner, [owner = device->owner] { owner->finishOpening(); },
                                      Qt::QueuedConnection);
        } else if (opened) {  // too late: nobody plays on it
            device->close();
            device->unloadDriver();
        }
    });
}

void SoundOutput::finishOpening()
{
    if (state() != State::Open) {
        lastFailedOpen_ = clock_();
        const QString why =
            AudioText::tr("keysound: no audio device could be opened; keys stay silent until one can: %1");
        qWarning("%s", qPrintable(why.arg(QString::fromUtf8(SDL_GetError()))));
        return;
    }
    lastFailedOpen_.reset();
    scheduleIdleCheck();  // also closes it again if no key comes
}

bool SoundOutput::resumeResting()
{
    if (deviceRemovedEventQueued() || !device_->waker || device_->waker->isLost()) {
        device_->state = State::Lost;
        return false;
    }
    device_->waker->setActive(true);
    device_->lastMixMs = steadyMs();
    device_->state = State::Open;
    return true;
}

void SoundOutput::closeIdle()
{
    switch (whenIdle(SDL_GetCurrentAudioDriver())) {
    case WhenIdle::Rest:
        device_->waker->setActive(false);
        device_->restingSinceMs = steadyMs();
        device_->state = State::Resting;
        break;
    case WhenIdle::CloseDevice: device_->close(); break;
    case WhenIdle::UnloadDriver:
        device_->close();
        device_->unloadDriver();
        break;
    }
}

bool SoundOutput::isLost()
{
    const qint64 now = steadyMs();
    const State state = device_->state;
    const bool stalled = now - device_->lastMixMs > StalledAfterMs;
    // A rest that another program's sound keeps mixing for a minute holds the whole graph at our period.
    const bool restOverdue = state == State::Resting && now - device_->restingSinceMs > CloseMixedRestAfterMs &&
                             !stalled;
    // News of a removed device is taken only while open: a resting output finds it when it resumes.
    const auto gone = [&] {
        return deviceRemovedEventQueued() || stalled || (device_->waker && device_->waker->isLost());
    };
    if ((state == State::Open && gone()) || restOverdue)
        device_->state = State::Lost;
    return device_->state == State::Lost;
}

QString SoundOutput::driverName() const
{
    const State state = device_->state;
    const char* name = state == State::Open || state == State::Resting ? SDL_GetCurrentAudioDriver() : nullptr;
    return name ? QString::fromLatin1(name) : QString();
}

int SoundOutput::checkIdle()
{
    const State state = device_->state;
    if (state == State::Closed || state == State::Opening)
        return -1;
    if (isLost()) {
        device_->close();
        device_->unloadDriver();
        return -1;
    }
    if (state == State::Resting)
        return int(CloseMixedRestAfterMs);  // a rest that others keep mixing closes in the end
    if (isSounding()) {
        silentSince_.reset();
        return timing_.soundingRecheckMs;
    }
    const qint64 now = clock_();
    if (!silentSince_)
        silentSince_ = now;
    const qint64 remaining = *silentSince_ + timing_.closeAfterSilenceMs - now;
    if (remaining > 0)
        return int(remaining);
    closeIdle();
    silentSince_.reset();
    return device_->state == State::Resting ? int(CloseMixedRestAfterMs) : -1;
}

void SoundOutput::scheduleIdleCheck()
{
    const int delayMs = checkIdle();
    if (delayMs < 0)
        idleTimer_.stop();
    else
        idleTimer_.start(delayMs);
}

void SoundOutput::setPostMixObserver(PostMixObserver observer)
{
    const uint32_t id = device_->state == State::Opening ? 0 : device_->id;
    if (id != 0)
        SDL_LockAudioDevice(id);
    device_->observer = std::move(observer);
    if (id != 0)
        SDL_UnlockAudioDevice(id);
}

}  // namespace keysound::audio
