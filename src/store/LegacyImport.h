#pragma once

#include "store/LegacyFormat.h"

#include <QList>
#include <QString>
#include <functional>

namespace keysound::store {

struct LegacyTableCount {
    QString table;
    qint64 rows = 0;
};

// What an import did, for the one message the user gets afterwards.
struct LegacyImportReport {
    QString databasePath;  // native path of the SQLite file now in place
    DatabaseFormat format = DatabaseFormat::Unknown;
    QString backupPath;    // native path of the untouched original; empty when none was kept
    QList<LegacyTableCount> tables;

    qint64 totalRows() const;
};

// Makes sure nativeDbPath holds an SQLite 3 database. A Jet 3 or Jet 4 file is converted in
// place: every table, column and row is copied into a new SQLite file, the original is kept
// byte for byte beside it (db1.jet4-original.mdb, then ...-2.mdb, never overwriting), and the
// new file replaces db1.mdb only once it is complete. Any other format leaves the file untouched
// and throws keysound::Error naming the file and the format found.
void importLegacyDatabaseIfNeeded(const QString& nativeDbPath, DatabaseFormat format);

// Copies a Jet 3 or Jet 4 file into a new SQLite file at destination, which must not exist yet.
// The source is never modified. Throws keysound::Error.
LegacyImportReport importLegacyDatabaseFile(const QString& nativeSourcePath,
                                            const QString& nativeDestinationPath);

// store/ shows nothing itself; the application registers a notifier that tells the user.
using LegacyImportNotifier = std::function<void(const LegacyImportReport&)>;
void setLegacyImportNotifier(LegacyImportNotifier notifier);

// The one short message for the user after an automatic import.
QString legacyImportMessage(const LegacyImportReport& report);

// The name the original is kept under: "<base>.jet4-original.<suffix>", then "-2", "-3", ...
// the first that does not exist yet.
QString legacyBackupPath(const QString& nativeDbPath, DatabaseFormat format);

}  // namespace keysound::store
