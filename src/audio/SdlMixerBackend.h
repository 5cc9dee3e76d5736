#pragma once

#include "audio/AudioOutput.h"
#include "audio/OutputKeeper.h"
#include "audio/PlaybackBackend.h"

#include <QString>
#include <QTimer>
#include <atomic>
#include <thread>

struct _Mix_Music;

namespace keysound::audio {

// Plays one sound file at a time through the mixer's music stream, which decodes as it plays,
// so a long file starts as quickly as a short one. It opens the output at a key when it is closed
// or lost and closes it a few seconds after the last sound. Only one object should exist per
// process: the mixer has a single music stream.
class SdlMixerBackend : public PlaybackBackend {
public:
    // Opens the process's audio output directly (benchmarks that want it open from the start).
    static bool open(const AudioSettings& settings = {});

    explicit SdlMixerBackend(AudioSettings settings = {}, KeeperTiming timing = {});
    ~SdlMixerBackend() override;
    SdlMixerBackend(const SdlMixerBackend&) = delete;
    SdlMixerBackend& operator=(const SdlMixerBackend&) = delete;

    // Opens the output ahead of the first key, so that it sounds as quickly as the later ones.
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

    bool isSounding() const;
    bool openOutput();
    void openInBackground();

    void startMusic(const QString& pathText);
    void replaceMusic(_Mix_Music* next, const QString& pathText);
    void freeMusic();
    void checkIdle();

    AudioSettings settings_;
    Device device_{*this};
    OutputKeeper keeper_;
    QTimer idleTimer_;
    // After a failed open the next tries run on a worker thread: a driver looking for a server
    // or a card that is not there can take tens of milliseconds.
    bool lastOpenFailed_ = false;
    std::atomic<bool> opening_ = false;
    std::thread opener_;
    _Mix_Music* music_ = nullptr;
    QString musicPath_;
};

}  // namespace keysound::audio
