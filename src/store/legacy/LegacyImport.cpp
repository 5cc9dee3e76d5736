#include "store/legacy/LegacyImport.h"

#include "platform/Error.h"
#include "store/Schema.h"
#include "store/SchemaWriter.h"
#include "store/legacy/JetReaderProcess.h"
#include "store/legacy/LegacyFiles.h"
#include "store/legacy/LegacyImportTables.h"
#include "store/legacy/LegacyImportText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

namespace keysound::store {

namespace {

bool isJet(DatabaseFormat format) { return format == DatabaseFormat::Jet3 || format == DatabaseFormat::Jet4; }

}  // namespace

void throwNotImportable(const QString& path, DatabaseFormat format)
{
    if (format == DatabaseFormat::Missing)
        throw Error(ErrorNumber::DatabaseNotFound,
                    LegacyImportText::tr("The database \"%1\" does not exist.").arg(path));
    if (format == DatabaseFormat::Sqlite3)
        throw Error(
            ErrorNumber::LegacyImportFailed,
            LegacyImportText::tr("\"%1\" is already an SQLite 3 database; there is nothing to import.").arg(path));
    if (format == DatabaseFormat::Empty)
        throw Error(
            ErrorNumber::UnrecognizedFormat,
            LegacyImportText::tr("\"%1\" is an empty file, not a database. The file was not changed.").arg(path));
    if (format == DatabaseFormat::Ace)
        throw Error(ErrorNumber::UnrecognizedFormat,
                    LegacyImportText::tr("Cannot open \"%1\": its format is ACE, and this program reads only SQLite 3 "
                                         "databases and the Jet 3 / Jet 4 files it imports. The file was not changed. "
                                         "Save it in Access as an Access 2000 (.mdb) database, then try again.")
                        .arg(path));
    const QString found = format == DatabaseFormat::Unknown
                              ? LegacyImportText::tr("unknown (this program does not recognise it)")
                              : formatName(format);
    throw Error(ErrorNumber::UnrecognizedFormat,
                LegacyImportText::tr("Cannot open \"%1\": its format is %2, and this program reads only SQLite 3 "
                                     "databases and the Jet 3 / Jet 4 files it imports. The file was not changed.")
                    .arg(path, found));
}

namespace {

// Tells the observer that the import is busy, from start to end, however it ends.
class Activity {
public:
    Activity(const QString& path, LegacyImportObserver* observer)
        : path_(path)
        , observer_(observer)
    {
        clock_.start();
        report(LegacyImportPhase::Started);
    }
    ~Activity() { report(LegacyImportPhase::Finished); }
    void working() const { report(LegacyImportPhase::Working); }

private:
    void report(LegacyImportPhase phase) const
    {
        if (observer_)
            observer_->importActivity({phase, path_, clock_.elapsed()});
    }
    QString path_;
    LegacyImportObserver* observer_;
    QElapsedTimer clock_;
};

LegacyImportReport convert(const QString& source, DatabaseFormat claimed, const QString& destination,
                           SchemaWriter::Placement placement, bool keepBackup, LegacyImportObserver* observer)
{
    const Activity activity(source, observer);
    const JetDatabase database = readJetDatabase(source, claimed, [&] { activity.working(); });
    SchemaWriter writer(destination);
    LegacyImportReport report;
    report.databasePath = destination;
    report.format = database.format;
    report.tables = copyJetTables(database, writer);
    report.hadMappingTable =
        std::any_of(database.tables.cbegin(), database.tables.cend(), [](const JetTableData& data) {
            return data.table.name.compare(schema::MappingTable, Qt::CaseInsensitive) == 0;
        });
    if (keepBackup)
        report.backupPath = legacyfiles::keepOriginal(source, database.format);
    writer.commit(placement);
    return report;
}

// Once per database and process: a directory listing at every key would cost more than the lookup.
void removeStaleTemporariesOnce(const QString& nativePath)
{
    static QMutex mutex;        // lookups of any thread of the process share the set below
    static QSet<QString> done;  // stale temporaries are left by earlier processes: one sweep per process
    const QMutexLocker lock(&mutex);
    if (!done.contains(nativePath)) {
        done.insert(nativePath);
        legacyfiles::removeStaleTemporaries(nativePath);
    }
}

}  // namespace

qint64 LegacyImportReport::totalRows() const
{
    qint64 total = 0;
    for (const LegacyTableCount& table : tables)
        total += table.rows;
    return total;
}

void ensureSqliteDatabase(const QString& nativePath, LegacyImportObserver* observer)
{
    removeStaleTemporariesOnce(nativePath);
    const DatabaseFormat format = detectDatabaseFormat(nativePath);
    if (format == DatabaseFormat::Sqlite3)
        return;
    if (format == DatabaseFormat::Missing)
        throw Error(ErrorNumber::DatabaseNotFound,
                    LegacyImportText::tr("The database file \"%1\" was not found. To make a new one, run "
                                         "\"keysound-db init '%1'\" in the program's folder, then add keys and sounds "
                                         "in the editor.")
                        .arg(nativePath));
    if (!isJet(format))
        throwNotImportable(nativePath, format);
    const LegacyImportReport report =
        convert(nativePath, format, nativePath, SchemaWriter::Placement::ReplaceExisting, true, observer);
    if (observer)
        observer->imported(report);
}

LegacyImportReport importLegacyDatabaseFile(const QString& nativeSourcePath, const QString& nativeDestinationPath,
                                            LegacyImportObserver* observer)
{
    const DatabaseFormat format = detectDatabaseFormat(nativeSourcePath);
    if (!isJet(format))
        throwNotImportable(nativeSourcePath, format);
    if (isNameTaken(nativeDestinationPath))
        throw Error(ErrorNumber::FileAccess,
                    LegacyImportText::tr("Cannot import into \"%1\": a file of that name is already there.")
                        .arg(nativeDestinationPath));
    return convert(nativeSourcePath, format, nativeDestinationPath, SchemaWriter::Placement::KeepExisting, false,
                   observer);
}

QString legacyImportMessage(const LegacyImportReport& report)
{
    return LegacyImportText::tr("%1 was a database in the old %2 format. It has been converted to the new format "
                                "with all %4 rows of its %3 tables; the original file was kept as %5.")
        .arg(QFileInfo(report.databasePath).fileName(), formatName(report.format))
        .arg(report.tables.size())
        .arg(report.totalRows())
        .arg(QDir::toNativeSeparators(report.backupPath));
}

}  // namespace keysound::store
