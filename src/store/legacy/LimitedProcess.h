#pragma once

#include <QByteArray>
#include <QStringList>
#include <functional>

namespace keysound::store {

// What a child process may use before it is stopped.
struct ProcessLimits {
    qint64 addressSpaceBytes = 0;  // RLIMIT_AS
    int cpuSeconds = 0;            // RLIMIT_CPU
    int wallClockMs = 0;           // enforced here: the child is killed when it runs longer
    qint64 outputBytes = 0;        // more on stdout kills the child
    qint64 diagnosticBytes = 0;    // stderr beyond this is read and dropped
};

struct ProcessOutcome {
    bool exited = false;  // ended by itself (not by a signal, a kill or a limit here)
    int exitCode = -1;
    int signal = 0;  // the signal that ended it, 0 when none
    bool timedOut = false;
    bool outputTooLarge = false;
    QByteArray output;       // stdout
    QByteArray diagnostics;  // the first diagnosticBytes of stderr
};

// Runs executable with arguments under limits and collects its output. whileWaiting is called
// every few tens of milliseconds until the child has ended, so that a window can repaint.
// Throws keysound::Error when the process cannot be started.
ProcessOutcome runLimitedProcess(const QString& executable, const QStringList& arguments, const ProcessLimits& limits,
                                 const std::function<void()>& whileWaiting);

}  // namespace keysound::store
