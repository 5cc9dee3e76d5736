#include "platform/TableFolder.h"

#include "platform/PathText.h"

namespace keysound::platform {

QString TableFolder::inFolder(const QString& pathText) const
{
    // A folder named with its separator (the root, "dir/" on a command line) gets no second one.
    const bool separated = folder_.endsWith(QLatin1Char('\\')) || folder_.endsWith(QLatin1Char('/'));
    return separated ? folder_ + pathText : folder_ + QLatin1Char('\\') + pathText;
}

QString TableFolder::databasePathText() const { return inFolder(DatabaseFileName); }

QString TableFolder::databaseNativePath() const { return nativePath(databasePathText()); }

QString TableFolder::soundFolderPathText() const { return inFolder(SoundFolderName + QLatin1Char('\\')); }

QString TableFolder::soundFolderNativePath() const { return nativePath(inFolder(SoundFolderName)); }

QString TableFolder::soundPathText(const QString& fileName) const { return soundFolderPathText() + fileName; }

QString TableFolder::soundNativePath(const QString& fileName) const { return nativePath(soundPathText(fileName)); }

}  // namespace keysound::platform
