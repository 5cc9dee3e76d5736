#pragma once

#include "store/legacy/LegacyFormat.h"
#include "store/legacy/LegacyImportTables.h"

#include <QList>
#include <QString>

namespace keysound::store {

// What an import did, for the one message the user gets afterwards.
struct LegacyImportReport {
    QString databasePath;  // native path of the SQLite file now in place
    DatabaseFormat format = DatabaseFormat::Unknown;
    QString backupPath;  // native path of the untouched original; empty when none was kept
    QList<LegacyTableCount> tables;
    bool hadMappingTable = false;  // false: the file had no Config, an empty one was made

    qint64 totalRows() const;
};

// While an import reads the legacy file: Started once, Working every few tens of milliseconds,
// Finished once (also after a failure), so that the application can show it is busy.
enum class LegacyImportPhase { Started, Working, Finished };
struct LegacyImportActivity {
    LegacyImportPhase phase;
    QString databasePath;  // native
    qint64 elapsedMs = 0;
};

// Told of an automatic import by whoever opened the table: store/ shows nothing itself. Both calls
// come on the thread that opens the connection.
class LegacyImportObserver {
public:
    virtual ~LegacyImportObserver() = default;
    virtual void importActivity(const LegacyImportActivity& activity) = 0;
    virtual void imported(const LegacyImportReport& report) = 0;
};

// The one way in for a connection: makes sure the file at nativePath holds an SQLite 3
// database. A Jet 3 or Jet 4 file is converted in place: every table, column and row is copied
// into a new SQLite file, the original is kept byte for byte beside it (db1.jet4-original.mdb,
// then ...-2.mdb, never overwriting), and the new file replaces it only once complete. A missing
// file, a damaged Jet file or any other format throws keysound::Error naming the file and
// leaves the file untouched. Temporaries of an interrupted import are cleared first. The observer,
// if any, hears of an import.
void ensureSqliteDatabase(const QString& nativePath, LegacyImportObserver* observer);

// The error for a file that is neither an SQLite 3 database nor an importable Jet 3 / Jet 4 file:
// missing, empty, ACE or unknown; it names path.
[[noreturn]] void throwNotImportable(const QString& path, DatabaseFormat format);

// Copies a Jet 3 or Jet 4 file into a new SQLite file at destination, which must not exist yet.
// The source is never modified. Throws keysound::Error.
// The observer, if any, sees the import's activity.
LegacyImportReport importLegacyDatabaseFile(const QString& nativeSourcePath, const QString& nativeDestinationPath,
                                            LegacyImportObserver* observer = nullptr);

// The one short message for the user after an automatic import.
QString legacyImportMessage(const LegacyImportReport& report);

}  // namespace keysound::store
