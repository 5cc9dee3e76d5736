#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace keysound::platform {

// keysound's command line: --folder DIR, --help, --version.
struct CommandLine {
    std::optional<QString> folder;  // --folder DIR
    // Set when the program is to end at once: 0 after --help or --version, UsageErrorExitCode for
    // an unknown option or an argument it takes none of.
    std::optional<int> endStatus;
    QString message;  // what to print then: on standard output for status 0, else on standard error

    static constexpr int UsageErrorExitCode = 2;
};

// Reads the arguments (the program's name first); needs the application's name and version set.
CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace keysound::platform
