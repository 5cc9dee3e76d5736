#include "platform/Startup.h"

#include "platform/AppFolder.h"
#include "platform/Application.h"
#include "platform/CommandLine.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"

#include <cstdio>

namespace keysound::platform {

std::optional<int> prepareRun(const QStringList& arguments, Dialogs& dialogs)
{
    const CommandLine line = parseCommandLine(arguments);
    if (line.endStatus) {
        std::fputs(line.message.toLocal8Bit().constData(), *line.endStatus == 0 ? stdout : stderr);
        return line.endStatus;
    }
    try {
        decideAppFolder(AppFolderInputs::ofThisRun(line.folder));
    } catch (const Error& error) {
        dialogs.messageBox(nullptr, errorText(error));
        return Application::UncaughtErrorExitCode;
    }
    return std::nullopt;
}

}  // namespace keysound::platform
