#include "audio/SdlMixerBackend.h"

#include "platform/AppFolder.h"

#include <QFile>
#include <SDL_mixer.h>

namespace keysound::audio {

bool SdlMixerBackend::open(const AudioSettings& settings)
{
    return AudioOutput::open(settings);
}

SdlMixerBackend::SdlMixerBackend(AudioSettings settings, KeeperTiming timing)
    : settings_(settings)
    , keeper_(device_, timing)
{
    // One single-shot look at a time: an idle program has no timer firing at all.
    idleTimer_.setSingleShot(true);
    idleTimer_.setTimerType(Qt::CoarseTimer);
    idleTimer_.callOnTimeout([this] { checkIdle(); });
}

SdlMixerBackend::~SdlMixerBackend()
{
    if (opener_.joinable())
        opener_.join();
    freeMusic();
}

void SdlMixerBackend::warmUp()
{
    if (keeper_.prepareToPlay())
        checkIdle();
}

void SdlMixerBackend::play(const QString& pathText)
{
    if (!keeper_.prepareToPlay())
        return;
    startMusic(pathText);
    checkIdle();
}

void SdlMixerBackend::startMusic(const QString& pathText)
{
    const QByteArray file = QFile::encodeName(platform::nativePath(pathText));
    Mix_Music* next = Mix_LoadMUS(file.constData());
    if (next == nullptr)
        return;  // unreadable or not a sound: whatever plays now goes on
    if (Mix_PlayMusic(next, 0) != 0) {
        Mix_FreeMusic(next);
        return;
    }
    replaceMusic(next, pathText);
}

void SdlMixerBackend::stop(const QString& pathText)
{
    if (music_ != nullptr && pathText == musicPath_ && AudioOutput::isOpen() && Mix_PlayingMusic())
        Mix_HaltMusic();
}

QString SdlMixerBackend::playingPath() const
{
    return isSounding() ? musicPath_ : QString();
}

// Mix_PlayMusic has already taken the old music off the mixer thread under its lock, so freeing
// it here cannot pull it from under a running mix.
void SdlMixerBackend::replaceMusic(Mix_Music* next, const QString& pathText)
{
    Mix_Music* previous = music_;
    music_ = next;
    musicPath_ = pathText;
    if (previous != nullptr)
        Mix_FreeMusic(previous);
}

// The music belongs to the open mixer: it is freed before the mixer closes, never after.
void SdlMixerBackend::freeMusic()
{
    if (music_ != nullptr && AudioOutput::isOpen())
        Mix_FreeMusic(music_);  // halts it first when it is still playing
    music_ = nullptr;
    musicPath_.clear();
}

void SdlMixerBackend::checkIdle()
{
    const int delayMs = keeper_.checkIdle();
    if (delayMs < 0)
        idleTimer_.stop();
    else
        idleTimer_.start(delayMs);
}

// The first open and reopening a device that worked are quick and done at once.
bool SdlMixerBackend::openOutput()
{
    if (!lastOpenFailed_) {
        lastOpenFailed_ = !AudioOutput::open(settings_);
        return !lastOpenFailed_;
    }
    openInBackground();
    return false;  // a later key plays once the worker has opened the output
}

void SdlMixerBackend::openInBackground()
{
    if (opening_)
        return;
    if (opener_.joinable())
        opener_.join();
    opening_ = true;
    opener_ = std::thread([this] {
        const bool opened = AudioOutput::open(settings_);
        QMetaObject::invokeMethod(
            &idleTimer_, [this, opened] {
                lastOpenFailed_ = !opened;
                if (opened)
                    checkIdle();  // closes it again if no key comes
            },
            Qt::QueuedConnection);
        opening_ = false;
    });
}

bool SdlMixerBackend::isSounding() const
{
    return music_ != nullptr && AudioOutput::isOpen() && Mix_PlayingMusic();
}

bool SdlMixerBackend::Device::isOpen() const { return AudioOutput::isOpen(); }
bool SdlMixerBackend::Device::open() { return backend.openOutput(); }
bool SdlMixerBackend::Device::isLost() const { return AudioOutput::isLost(); }
bool SdlMixerBackend::Device::isSounding() const { return backend.isSounding(); }

void SdlMixerBackend::Device::close(CloseReason reason)
{
    backend.freeMusic();
    if (reason == CloseReason::Idle)
        AudioOutput::closeDevice();
    else
        AudioOutput::close();
}

}  // namespace keysound::audio
