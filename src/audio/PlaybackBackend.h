#pragma once

#include <QString>

namespace keysound::audio {

// What the command service drives. Paths are the program's own path texts ('\' separators);
// a backend converts them only where it touches the file system. Neither call reports failure.
class PlaybackBackend {
public:
    virtual ~PlaybackBackend() = default;
    // Starts the file from its beginning, replacing whatever sound was playing.
    virtual void play(const QString& pathText) = 0;
    // Halts the sound only when it was started from this same path text.
    virtual void stop(const QString& pathText) = 0;
};

}  // namespace keysound::audio
