#pragma once

#include <QStringList>
#include <optional>

namespace keysound::platform {

class Dialogs;

// Runs before any window opens: reads the command line and decides the application folder for the
// run. Returns the status to end with at once (after --help or --version, a usage error, or a
// folder that cannot be used, shown in a message box with its error number), or nothing to go on.
std::optional<int> prepareRun(const QStringList& arguments, Dialogs& dialogs);

}  // namespace keysound::platform
