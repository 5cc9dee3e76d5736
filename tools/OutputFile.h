#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QString>

namespace keysound::tools {

// The refusal to overwrite a file without --force.
Error existingFileError(const QString& path);

// Writes content to a file the user named. A regular file, or a new one, is written beside its
// name and renamed into place only once written out and synced, so a failure leaves no file, or
// the old one whole; an existing file is replaced only when `replace` is set. A device or a FIFO
// is written directly. Throws keysound::Error naming the file (ErrorNumber::DiskFull when there
// was no room).
void writeOutputFile(const QString& path, const QByteArray& content, bool replace);

// Writes content to standard output and closes it. Throws keysound::Error when a write or the
// close fails (a full disk, a closed pipe), since the output is then incomplete.
void writeStandardOutput(const QByteArray& content);

}  // namespace keysound::tools
