#pragma once

#include "audio/AudioOutput.h"
#include "audio/PlaybackBackend.h"

#include <QString>

struct _Mix_Music;

namespace keysound::audio {

// Plays one sound file at a time through the mixer's music stream, which decodes as it plays,
// so a long file starts as quickly as a short one. Only one object should exist per process:
// the mixer has a single music stream.
class SdlMixerBackend : public PlaybackBackend {
public:
    // Opens the process's audio output; the main program calls this once at start.
    static bool open(const AudioSettings& settings = {});

    SdlMixerBackend() = default;
    ~SdlMixerBackend() override;
    SdlMixerBackend(const SdlMixerBackend&) = delete;
    SdlMixerBackend& operator=(const SdlMixerBackend&) = delete;

    void play(const QString& pathText) override;
    void stop(const QString& pathText) override;

    // The path text of the sound playing now; empty once it has ended or been stopped.
    QString playingPath() const;

private:
    void replaceMusic(_Mix_Music* next, const QString& pathText);

    _Mix_Music* music_ = nullptr;
    QString musicPath_;
};

}  // namespace keysound::audio
