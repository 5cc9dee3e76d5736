#include "store/TableFile.h"

#include "platform/AppFolder.h"
#include "store/legacy/LegacyImport.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace keysound::store {

std::optional<FileIdentity> identityOf(const QString& nativePath)
{
    struct stat info {};
    if (::stat(QFile::encodeName(nativePath).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec),
                        qint64(info.st_mtim.tv_nsec)};
}

bool isUsersOwnTable(const QString& nativePath)
{
    // Links resolved: a link in the user's folder to a file elsewhere is that file.
    const QString canonical = QFileInfo(nativePath).canonicalFilePath();
    const QString ownFolder = QFileInfo(platform::usersOwnFolder()).canonicalFilePath();
    return !canonical.isEmpty() && !ownFolder.isEmpty() && QFileInfo(canonical).path() == ownFolder;
}

TableFile locateTableFile(const QString& pathText, const QString& nativePath)
{
    ensureSqliteDatabase(pathText, nativePath);  // a legacy file is imported first
    return {nativePath, isUsersOwnTable(nativePath)};
}

}  // namespace keysound::store
