#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace keysound::audio {

enum class MediaVerb { Play, Stop };

struct MediaCommand {
    MediaVerb verb;
    QString pathText;
};

// Reads "play <path>" or "stop <path>": a lower-case verb, exactly one blank, and everything after
// it as the path, blanks included. Anything else, or an empty path, is no command at all.
std::optional<MediaCommand> parseMediaCommand(const QByteArray& ansiCommand);

}  // namespace keysound::audio
