#pragma once

#include "audio/CommandService.h"
#include "audio/PlaybackBackend.h"

namespace keysound::audio {

// The program's media command service: parses each command and hands it to a playback backend.
// Malformed commands are dropped without a trace, as the callers never look at results.
class MediaCommandService : public CommandService {
public:
    explicit MediaCommandService(PlaybackBackend& backend);
    void sendString(const QByteArray& ansiCommand) override;

private:
    PlaybackBackend& backend_;
};

}  // namespace keysound::audio
