#include "store/TableFile.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keysound::store {

namespace {

// Whether the file system refuses this process to write there, asked as the engine would be
// refused: with the process's own rights (AT_EACCESS), on the file system as mounted.
bool refusesWriting(const QString& nativePath)
{
    if (::faccessat(AT_FDCWD, QFile::encodeName(nativePath).constData(), W_OK, AT_EACCESS) == 0)
        return false;
    return errno == EACCES || errno == EROFS || errno == EPERM || errno == ETXTBSY;
}

}  // namespace

QString walPathOf(const QString& nativePath) { return nativePath + QStringLiteral("-wal"); }

std::optional<TableState> tableStateOf(const QString& nativePath)
{
    const std::optional<FileIdentity> file = identityOf(nativePath);
    if (!file)
        return std::nullopt;
    std::optional<FileIdentity> wal = identityOf(walPathOf(nativePath));
    if (wal && wal->size == 0)
        wal.reset();
    return TableState{.file = *file, .wal = wal};
}

bool isReadOnlyTable(const QString& nativePath)
{
    if (!QFileInfo::exists(nativePath))
        return false;
    return refusesWriting(nativePath) || refusesWriting(QFileInfo(nativePath).absolutePath());
}

bool isUsersOwnTable(const QString& nativePath)
{
    // Links resolved: a link in the user's folder to a file elsewhere is that file.
    const QString canonical = QFileInfo(nativePath).canonicalFilePath();
    QString ownFolder;
    try {
        ownFolder = QFileInfo(platform::usersOwnFolder()).canonicalFilePath();
    } catch (const Error&) {
        return false;  // no home folder known, so no folder of the user's own
    }
    return !canonical.isEmpty() && !ownFolder.isEmpty() && QFileInfo(canonical).path() == ownFolder;
}

}  // namespace keysound::store
