#pragma once

#include <QStringList>
#include <QTextStream>

namespace keysound::tools {

// Exit statuses of keysound-db.
namespace ExitStatus {
inline constexpr int Ok = 0;
inline constexpr int ProblemsFound = 1;  // check found something to fix
inline constexpr int UsageError = 2;
inline constexpr int Failure = 3;
}  // namespace ExitStatus

// Runs keysound-db with its arguments (without the program name): results go to out,
// errors to err. Returns the exit status.
int runDbTool(const QStringList& arguments, QTextStream& out, QTextStream& err);

// Writes the output of a run to standard output and closes it. When that fails (a full disk, a
// closed pipe), the output is incomplete: the failure is reported on err and the run fails.
// Returns the exit status.
int finishStandardOutput(const QString& output, int status, QTextStream& err);

}  // namespace keysound::tools
