#pragma once

#include <QString>

namespace keysound::platform {

// The folder that holds the executable, as the program's own path text (no trailing separator
// unless the folder is the root). Tests point it at a folder of their own.
QString appFolder();
void setAppFolderOverride(const QString& folder);  // empty: back to the executable's folder

// The program keeps Windows-style path texts ("<folder>\MP3\a.mp3"); the file system gets them
// only through this conversion.
QString nativePath(const QString& pathText);

}  // namespace keysound::platform
