#pragma once

#include <QString>

struct sqlite3;

// Database handles of closed connections, kept for the next Open of the same file in the same
// mode, as the data-access platform pools its sessions: the connection a key opens then costs a
// look-up instead of opening and reading the database anew. A handle is handed out again only
// while the file at that path is still the file it was opened on, unchanged since.
namespace keysound::store::handlepool {

// A kept handle for the file, or nullptr.
sqlite3* take(const QString& nativePath, bool readOnly);
// Keeps the handle when it is idle (no statement, no transaction) and the file is there; closes
// it otherwise.
void give(const QString& nativePath, bool readOnly, sqlite3* db);

}  // namespace keysound::store::handlepool
