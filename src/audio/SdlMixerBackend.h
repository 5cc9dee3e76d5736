#pragma once

#include "audio/AudioOutput.h"
#include "audio/OutputKeeper.h"
#include "audio/PlaybackBackend.h"
#include "audio/SoundChecker.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

struct _Mix_Music;

namespace keysound::audio {

// Plays one sound file at a time through the mixer's music stream, which decodes as it plays,
// so a long file starts as quickly as a short one. A file is played only once the sound checker has
// played it through safely; a new or changed file waits for that (milliseconds), a known one
// starts at once. It opens the output at a key when it is closed
// or lost and closes it a few seconds after the last sound. Opening runs on a worker thread, so a
// sound server that is slow or hangs never holds up the window; the key that asked for the output
// sounds as soon as it is open. Only one object should exist per process: the mixer has a single
// music stream.
class SdlMixerBackend : public PlaybackBackend {
public:
    SdlMixerBackend(std::shared_ptr<AudioOutput> output, SoundChecker& checker, KeeperTiming timing = {});
    ~SdlMixerBackend() override;
    SdlMixerBackend(const SdlMixerBackend&) = delete;
    SdlMixerBackend& operator=(const SdlMixerBackend&) = delete;

    // Starts opening the output ahead of the first key, so that it sounds as quickly as the later ones.
    void warmUp();

    void play(const QString& pathText) override;
    void stop(const QString& pathText) override;

    // The path text of the sound playing now; empty once it has ended or been stopped.
    QString playingPath() const;

private:
    // The process's output as the keeper sees it; closing frees the music first.
    struct Device : OutputDevice {
        explicit Device(SdlMixerBackend& backend)
            : backend(backend)
        {}
        bool isOpen() const override;
        bool open() override;
        void close(CloseReason reason) override;
        bool isLost() const override;
        bool isSounding() const override;
        SdlMixerBackend& backend;
    };

    // What the opening worker shares with the backend; the worker may outlive the backend when
    // a server hangs, and then finds no backend to report to. It holds a share of the output.
    struct OpenerLink {
        std::mutex mutex;
        SdlMixerBackend* backend = nullptr;
        bool opening = false;
    };
    // The key's sound while the output opens or the file is checked.
    struct PendingSound {
        QString pathText;
        std::shared_ptr<SoundFile> file;
        QElapsedTimer since;
    };

    bool isSounding() const;
    bool isOpening() const;
    void openInBackground();
    void finishOpening(bool opened);

    void startPending();
    void startMusic(const PendingSound& sound, const SoundLayout& layout);
    TrialOutput trialOutput() const;
    void replaceMusic(_Mix_Music* next, const QString& pathText);
    void freeMusic();
    void checkIdle();

    std::shared_ptr<AudioOutput> output_;
    Device device_{*this};
    OutputKeeper keeper_;
    QTimer idleTimer_;
    std::shared_ptr<OpenerLink> link_ = std::make_shared<OpenerLink>();
    std::thread opener_;
    SoundChecker& checker_;
    std::shared_ptr<SdlMixerBackend*> self_ = std::make_shared<SdlMixerBackend*>(this);  // for late verdicts
    std::optional<PendingSound> pending_;
    _Mix_Music* music_ = nullptr;
    QString musicPath_;
};

}  // namespace keysound::audio
