#include "audio/SdlMixerBackend.h"

#include "audio/SoundStream.h"
#include "platform/AppFolder.h"

#include <SDL_mixer.h>

namespace keysound::audio {

namespace {
// A sound this much later than its key would no longer seem to belong to it.
constexpr qint64 PendingSoundExpiresMs = 500;
}  // namespace

SdlMixerBackend::SdlMixerBackend(std::shared_ptr<AudioOutput> output, SoundChecker& checker, KeeperTiming timing)
    : output_(std::move(output))
    , keeper_(device_, timing)
    , checker_(checker)
{
    // One single-shot look at a time: an idle program has no timer firing at all.
    idleTimer_.setSingleShot(true);
    idleTimer_.setTimerType(Qt::CoarseTimer);
    idleTimer_.callOnTimeout([this] { checkIdle(); });
    link_->backend = this;
}

// A worker still waiting for a hung server is left behind: the program must still be able to end.
SdlMixerBackend::~SdlMixerBackend()
{
    bool opening = false;
    {
        std::lock_guard lock(link_->mutex);
        link_->backend = nullptr;
        opening = link_->opening;
    }
    if (opening)
        opener_.detach();
    else if (opener_.joinable())
        opener_.join();
    freeMusic();
}

void SdlMixerBackend::warmUp()
{
    checker_.prepare();
    if (keeper_.prepareToPlay())
        checkIdle();
}

// A file that is missing, no file, or no playable sound leaves whatever plays now playing.
void SdlMixerBackend::play(const QString& pathText)
{
    pending_.reset();
    std::shared_ptr<SoundFile> file = SoundFile::open(platform::nativePath(pathText));
    if (!file)
        return;
    const std::optional<SoundVerdict> verdict = checker_.knownVerdict(*file);
    if (verdict && !verdict->isPlayable())
        return;
    pending_.emplace(PendingSound{pathText, file, {}});
    pending_->since.start();
    if (!verdict) {
        checker_.requestVerdict(file, trialOutput(), [self = std::weak_ptr(self_)] {
            if (const auto backend = self.lock())
                (*backend)->startPending();
        });
    }
    if (keeper_.prepareToPlay()) {
        startPending();
        checkIdle();
    }
}

// Starts the pending sound once its verdict is in and the output is open, unless it has waited
// too long to seem to belong to its key.
void SdlMixerBackend::startPending()
{
    if (!pending_ || !output_->isOpen())
        return;
    if (pending_->since.elapsed() > PendingSoundExpiresMs) {
        pending_.reset();
        return;
    }
    const std::optional<SoundVerdict> verdict = checker_.knownVerdict(*pending_->file);
    if (!verdict)
        return;
    const PendingSound sound = *std::exchange(pending_, std::nullopt);
    if (verdict->isPlayable())
        startMusic(sound, *verdict->layout);
    checkIdle();
}

// Plays from the very file that was checked, not whatever the path names by now.
void SdlMixerBackend::startMusic(const PendingSound& sound, const SoundLayout& layout)
{
    Mix_Music* next = loadMusic(sound.file, layout);
    if (next == nullptr)
        return;
    if (Mix_PlayMusic(next, 0) != 0) {
        Mix_FreeMusic(next);
        return;
    }
    replaceMusic(next, sound.pathText);
}

TrialOutput SdlMixerBackend::trialOutput() const
{
    if (!output_->isOpen())
        return {};
    return {output_->frequency(), output_->channels()};
}

void SdlMixerBackend::stop(const QString& pathText)
{
    if (pending_ && pending_->pathText == pathText)
        pending_.reset();
    if (music_ != nullptr && pathText == musicPath_ && output_->isOpen() && Mix_PlayingMusic())
        Mix_HaltMusic();
}

QString SdlMixerBackend::playingPath() const { return isSounding() ? musicPath_ : QString(); }

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
    if (music_ != nullptr && output_->isOpen())
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

bool SdlMixerBackend::isOpening() const
{
    std::lock_guard lock(link_->mutex);
    return link_->opening;
}

// A driver looking for a server or a card can take tens of milliseconds, and a server that accepts
// the connection and never answers holds it for half a minute.
void SdlMixerBackend::openInBackground()
{
    if (isOpening())
        return;
    if (opener_.joinable())
        opener_.join();
    {
        std::lock_guard lock(link_->mutex);
        link_->opening = true;
    }
    opener_ = std::thread([link = link_, output = output_] {
        const bool opened = output->open();
        std::lock_guard lock(link->mutex);
        link->opening = false;
        if (link->backend != nullptr)
            QMetaObject::invokeMethod(
                &link->backend->idleTimer_, [backend = link->backend, opened] { backend->finishOpening(opened); },
                Qt::QueuedConnection);
    });
}

void SdlMixerBackend::finishOpening(bool opened)
{
    if (!opened) {
        pending_.reset();
        return;
    }
    startPending();
    checkIdle();  // also closes it again if no key comes
}

bool SdlMixerBackend::isSounding() const { return music_ != nullptr && output_->isOpen() && Mix_PlayingMusic(); }

bool SdlMixerBackend::Device::isOpen() const { return backend.output_->isOpen(); }
// A resting output is back at once; otherwise this only starts opening, and the keeper counts it
// as a try and does not ask again within its retry time.
bool SdlMixerBackend::Device::open()
{
    if (backend.output_->resume())
        return true;
    backend.openInBackground();
    return false;
}
bool SdlMixerBackend::Device::isLost() const { return backend.output_->isLost(); }
bool SdlMixerBackend::Device::isSounding() const { return backend.isSounding(); }

void SdlMixerBackend::Device::close(CloseReason reason)
{
    backend.freeMusic();
    if (reason == CloseReason::Idle)
        backend.output_->closeIdle();
    else
        backend.output_->close();
}

}  // namespace keysound::audio
