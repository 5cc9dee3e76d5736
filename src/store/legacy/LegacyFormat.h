#pragma once

#include <QString>

namespace keysound::store {

enum class DatabaseFormat { Missing, Empty, Sqlite3, Jet3, Jet4, Ace, Unknown };

// Recognises a database file by its first bytes. Missing: nothing at that path. Throws
// keysound::Error for what cannot be read, and for a folder, a FIFO, a device or a socket,
// without opening them or waiting on them.
DatabaseFormat detectDatabaseFormat(const QString& nativeFilePath);
QString formatName(DatabaseFormat format);  // "SQLite 3", "Jet 3", "Jet 4", "ACE", ...

}  // namespace keysound::store
