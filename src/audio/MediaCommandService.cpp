#include "audio/MediaCommandService.h"

#include "audio/MediaCommand.h"

namespace keysound::audio {

MediaCommandService::MediaCommandService(PlaybackBackend& backend)
    : backend_(backend)
{}

void MediaCommandService::sendString(const QByteArray& ansiCommand)
{
    const std::optional<MediaCommand> command = parseMediaCommand(ansiCommand);
    if (!command)
        return;
    switch (command->verb) {
    case MediaVerb::Play: backend_.play(command->pathText); break;
    case MediaVerb::Stop: backend_.stop(command->pathText); break;
    }
}

}  // namespace keysound::audio
