#pragma once

#include <QByteArray>
#include <QString>

namespace keysound::speech {

enum class ExistingFile { Keep, Replace };
enum class WriteOutcome { Written, KeptExisting };

// Writes a file (a native path) whole or not at all: the bytes go to a temporary file in the
// destination folder, which is then renamed into place. An existing file is replaced only when
// asked; otherwise it is kept, even one that appears while the bytes are written. A new file
// gets the usual mode under the umask (0644 under umask 022). Throws keysound::Error when the
// file cannot be written.
WriteOutcome writeSoundFile(const QString& path, const QByteArray& bytes, ExistingFile existing);

}  // namespace keysound::speech
