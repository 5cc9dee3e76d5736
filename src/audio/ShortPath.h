#pragma once

#include <QByteArray>
#include <QString>

namespace keysound::audio {

// The platform's short form of a path, written into a caller's buffer of bufferLength bytes
// (the terminating NUL included), as 8-bit text. POSIX has no short names: the short form is the
// path itself when it names an existing entry and fits; a longer path gets an alias through a
// descriptor held open on its folder, which opens the same file. When neither fits (or the entry
// does not exist), nothing is written. Returns the length of the short form (0 on failure).
int getShortPathName(const QByteArray& longPathAnsi, char* buffer, int bufferLength);

}  // namespace keysound::audio
