#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

struct stat;

namespace keysound::platform {

// Which file stands at a path, as it was written last: replacing or rewriting the file changes it.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const FileIdentity&) const = default;
};
size_t qHash(const FileIdentity& identity, size_t seed = 0);

FileIdentity identityOf(const struct stat& info);
std::optional<FileIdentity> identityOf(const QString& nativePath);  // nothing when it cannot be read

}  // namespace keysound::platform
