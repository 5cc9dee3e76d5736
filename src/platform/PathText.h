#pragma once

#include <QString>

namespace keysound::platform {

// The program keeps Windows-style path texts ("<folder>\MP3\a.mp3"); the file system gets them
// only through this conversion, and a path the file system gives comes back through the other.
QString nativePath(const QString& pathText);
QString programPathText(const QString& nativePath);

}  // namespace keysound::platform
