#include "platform/FileIdentity.h"

#include <QFile>
#include <QHashFunctions>
#include <sys/stat.h>

namespace keysound::platform {

namespace {
qint64 nanoseconds(const timespec& time) { return qint64(time.tv_sec) * 1000000000 + time.tv_nsec; }
}  // namespace

size_t qHash(const FileIdentity& identity, size_t seed)
{
    return qHashMulti(seed, identity.device, identity.inode, identity.size, identity.modifiedNs, identity.changedNs);
}

FileIdentity identityOf(const struct stat& info)
{
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size), nanoseconds(info.st_mtim),
            nanoseconds(info.st_ctim)};
}

std::optional<FileIdentity> identityOf(const QString& nativePath)
{
    struct stat info {};
    if (::stat(QFile::encodeName(nativePath).constData(), &info) != 0)
        return std::nullopt;
    return identityOf(info);
}

}  // namespace keysound::platform
