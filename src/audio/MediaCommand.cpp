#include "audio/MediaCommand.h"

#include "platform/AnsiText.h"

namespace keysound::audio {

namespace {
struct VerbText {
    const char* prefix;
    MediaVerb verb;
};

constexpr VerbText VerbTexts[] = {{"play ", MediaVerb::Play}, {"stop ", MediaVerb::Stop}};

}  // namespace

std::optional<MediaCommand> parseMediaCommand(const QByteArray& ansiCommand)
{
    const QByteArray command = platform::asCString(ansiCommand);
    for (const VerbText& candidate : VerbTexts) {
        if (!command.startsWith(candidate.prefix))
            continue;
        const QByteArray path = command.mid(qsizetype(qstrlen(candidate.prefix)));
        if (path.isEmpty())
            return std::nullopt;
        return MediaCommand{candidate.verb, platform::fromAnsi(path)};
    }
    return std::nullopt;
}

}  // namespace keysound::audio
