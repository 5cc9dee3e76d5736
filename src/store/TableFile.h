#pragma once

#include "platform/FileIdentity.h"

#include <QString>
#include <QtGlobal>
#include <optional>

namespace keysound::store {

using platform::FileIdentity;
using platform::identityOf;

// What a snapshot copies of a table file: the file and, when the engine writes it in WAL mode, the
// committed changes still in its "-wal" file beside it. Either changing makes it another state.
struct TableState {
    FileIdentity file;
    std::optional<FileIdentity> wal = std::nullopt;  // none: no -wal file, or an empty one

    bool operator==(const TableState&) const = default;
};
// Nothing when the table file cannot be read.
std::optional<TableState> tableStateOf(const QString& nativePath);
QString walPathOf(const QString& nativePath);

// A table file as a connection reaches it. One that cannot be written is never opened where it
// lies: the engine reads a snapshot of it in the user's cache folder (see Snapshot.h), and every
// message still names the table file itself.
struct TableFile {
    QString path;           // native path of the table file, db1.mdb in its folder
    QString openedPath;     // what the engine opens: path, or its snapshot
    bool usersOwn = false;  // see isUsersOwnTable()
    // A snapshot's: the state of the table file it copies.
    std::optional<TableState> copiedFrom = std::nullopt;

    bool isSnapshot() const { return copiedFrom.has_value(); }
};

// Whether this process may not write the table file, or its folder, where the engine makes its
// journal beside it: asked of the file system (access()), which knows read-only mounts, ACLs and
// immutable files, where permission bits alone do not. A missing file is not read-only.
bool isReadOnlyTable(const QString& nativePath);

// Whether the table file lies in the user's own keysound folder (platform::usersOwnFolder()): the
// one table the user made there, or let keysound make, rather than one from a folder others write.
bool isUsersOwnTable(const QString& nativePath);

}  // namespace keysound::store
