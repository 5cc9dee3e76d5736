#include "store/LegacyImport.h"

#include "platform/Error.h"
#include "store/JetReader.h"
#include "store/LegacyImportTables.h"
#include "store/SchemaWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace keysound::store {

namespace {

LegacyImportNotifier& notifier()
{
    static LegacyImportNotifier registered;
    return registered;
}

QString formatTag(DatabaseFormat format)
{
    return format == DatabaseFormat::Jet3 ? QStringLiteral("jet3") : QStringLiteral("jet4");
}

bool isJet(DatabaseFormat format)
{
    return format == DatabaseFormat::Jet3 || format == DatabaseFormat::Jet4;
}

[[noreturn]] void throwNotImportable(const QString& path, DatabaseFormat format)
{
    if (format == DatabaseFormat::Missing)
        throw Error(ErrorNumber::DatabaseNotFound, QStringLiteral("The database \"%1\" does not exist.").arg(path));
    if (format == DatabaseFormat::Sqlite3)
        throw Error(ErrorNumber::LegacyImportFailed,
                    QStringLiteral("\"%1\" is already an SQLite 3 database; there is nothing to import.").arg(path));
    if (format == DatabaseFormat::Empty)
        throw Error(ErrorNumber::UnrecognizedFormat,
                    QStringLiteral("\"%1\" is an empty file, not a database. The file was left unchanged.").arg(path));
    const QString found = format == DatabaseFormat::Unknown ? QStringLiteral("not one this program knows")
                                                            : formatName(format);
    const QString hint = format == DatabaseFormat::Ace
        ? QStringLiteral(" Save it in Access as an Access 2000 (.mdb) database, then try again.")
        : QString();
    throw Error(ErrorNumber::UnrecognizedFormat,
                QStringLiteral("\"%1\" cannot be opened: its format is %2, but only SQLite 3 databases and "
                               "Jet 3 / Jet 4 files to import are supported. The file was left unchanged.%3")
                    .arg(path, found, hint));
}

// Copies the original under a name that is not taken yet, never overwriting an earlier one.
QString keepOriginal(const QString& path, DatabaseFormat format)
{
    QTemporaryFile copy(QFileInfo(path).dir().filePath(QStringLiteral(".%1.original-XXXXXX").arg(QFileInfo(path).fileName())));
    QFile original(path);
    if (!copy.open() || !original.open(QIODevice::ReadOnly))
        throw Error(ErrorNumber::FileAccess, QStringLiteral("Cannot keep a copy of the original \"%1\": %2.")
                                                 .arg(path, copy.isOpen() ? original.errorString() : copy.errorString()));
    const QByteArray bytes = original.readAll();
    if (original.error() != QFile::NoError || copy.write(bytes) != bytes.size() || !copy.flush())
        throw Error(ErrorNumber::FileAccess, QStringLiteral("Cannot keep a copy of the original \"%1\": %2.")
                                                 .arg(path, copy.errorString()));
    copy.setPermissions(original.permissions());
    copy.close();
    for (;;) {
        const QString backup = legacyBackupPath(path, format);
        if (moveIntoPlaceIfFree(copy.fileName(), backup)) {
            copy.setAutoRemove(false);
            return backup;
        }
    }
}

LegacyImportReport convert(const QString& source, const QString& destination, SchemaWriter::Placement placement,
                           bool keepBackup)
{
    const JetReader reader(source);
    SchemaWriter writer(destination);
    LegacyImportReport report;
    report.databasePath = destination;
    report.format = reader.format();
    report.tables = copyJetTables(reader, writer);
    if (keepBackup)
        report.backupPath = keepOriginal(source, reader.format());
    writer.commit(placement);
    return report;
}

}  // namespace

qint64 LegacyImportReport::totalRows() const
{
    qint64 total = 0;
    for (const LegacyTableCount& table : tables)
        total += table.rows;
    return total;
}

QString legacyBackupPath(const QString& nativeDbPath, DatabaseFormat format)
{
    const QFileInfo info(nativeDbPath);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = QStringLiteral("%1.%2-original").arg(info.completeBaseName(), formatTag(format));
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? stem + suffix : QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix);
        const QString candidate = info.dir().filePath(name);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

void importLegacyDatabaseIfNeeded(const QString& nativeDbPath, DatabaseFormat format)
{
    if (format == DatabaseFormat::Sqlite3)
        return;
    if (!isJet(format))
        throwNotImportable(nativeDbPath, format);
    const LegacyImportReport report =
        convert(nativeDbPath, nativeDbPath, SchemaWriter::Placement::ReplaceExisting, true);
    if (notifier())
        notifier()(report);
}

LegacyImportReport importLegacyDatabaseFile(const QString& nativeSourcePath, const QString& nativeDestinationPath)
{
    const DatabaseFormat format = detectDatabaseFormat(nativeSourcePath);
    if (!isJet(format))
        throwNotImportable(nativeSourcePath, format);
    if (QFileInfo::exists(nativeDestinationPath))
        throw Error(ErrorNumber::FileAccess,
                    QStringLiteral("Cannot import into \"%1\": a file of that name already exists.").arg(nativeDestinationPath));
    return convert(nativeSourcePath, nativeDestinationPath, SchemaWriter::Placement::KeepExisting, false);
}

void setLegacyImportNotifier(LegacyImportNotifier notifier_)
{
    notifier() = std::move(notifier_);
}

QString legacyImportMessage(const LegacyImportReport& report)
{
    return QStringLiteral("%1 是旧版（%2）格式的数据库，已转换为新格式，%3 个表共 %4 行全部保留；原文件保存在 %5。")
        .arg(QFileInfo(report.databasePath).fileName(), formatName(report.format))
        .arg(report.tables.size())
        .arg(report.totalRows())
        .arg(QDir::toNativeSeparators(report.backupPath));
}

}  // namespace keysound::store
