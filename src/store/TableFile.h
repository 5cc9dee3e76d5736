#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace keysound::store {

// Which file stands at a path, as it was written last: replacing or rewriting the file changes it.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> identityOf(const QString& nativePath);  // nothing when it cannot be read

// A table file as a connection reaches it.
struct TableFile {
    QString path;           // native path of the table file, db1.mdb in its folder
    bool usersOwn = false;  // see isUsersOwnTable()
};

// Where a connection to the table file at nativePath reads: the file itself, or a legacy file
// imported first (see LegacyImport.h). Throws keysound::Error.
TableFile locateTableFile(const QString& pathText, const QString& nativePath);

// Whether the table file lies in the user's own keysound folder (platform::usersOwnFolder()): the
// one table the user made there, or let keysound make, rather than one from a folder others write.
bool isUsersOwnTable(const QString& nativePath);

}  // namespace keysound::store
