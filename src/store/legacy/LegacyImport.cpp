#include "store/legacy/LegacyImport.h"

#include "platform/Error.h"
#include "store/Schema.h"
#include "store/SchemaWriter.h"
#include "store/legacy/JetReaderProcess.h"
#include "store/legacy/LegacyFiles.h"
#include "store/legacy/LegacyImportTables.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

namespace keysound::store {

namespace {

LegacyImportNotifier& notifier()
{
    static LegacyImportNotifier registered;
    return registered;
}

LegacyImportActivityHook& activityHook()
{
    static LegacyImportActivityHook registered;
    return registered;
}

bool isJet(DatabaseFormat format)
{
    return format == DatabaseFormat::Jet3 || format == DatabaseFormat::Jet4;
}

}  // namespace

void throwNotImportable(const QString& path, DatabaseFormat format)
{
    if (format == DatabaseFormat::Missing)
        throw Error(ErrorNumber::DatabaseNotFound, QStringLiteral("数据库“%1”不存在。").arg(path));
    if (format == DatabaseFormat::Sqlite3)
        throw Error(ErrorNumber::LegacyImportFailed,
                    QStringLiteral("“%1”已经是 SQLite 3 数据库，无需导入。").arg(path));
    if (format == DatabaseFormat::Empty)
        throw Error(ErrorNumber::UnrecognizedFormat,
                    QStringLiteral("“%1”是空文件，不是数据库。文件没有改动。").arg(path));
    const QString found = format == DatabaseFormat::Unknown ? QStringLiteral("未知（本程序不认识）")
                                                            : formatName(format);
    const QString hint = format == DatabaseFormat::Ace
                             ? QStringLiteral("请在 Access 中把它另存为 Access 2000（.mdb）数据库后重试。")
                             : QString();
    throw Error(ErrorNumber::UnrecognizedFormat,
                QStringLiteral("无法打开“%1”：它的格式是 %2，而本程序只支持 SQLite 3 数据库和可导入的 Jet 3 / Jet 4 文件。"
                               "文件没有改动。%3")
                    .arg(path, found, hint));
}

namespace {

// Tells the hook that the import is busy, from start to end, however it ends.
class Activity {
public:
    explicit Activity(const QString& path)
        : path_(path)
    {
        clock_.start();
        report(LegacyImportPhase::Started);
    }
    ~Activity() { report(LegacyImportPhase::Finished); }
    void working() const { report(LegacyImportPhase::Working); }

private:
    void report(LegacyImportPhase phase) const
    {
        if (activityHook())
            activityHook()({phase, path_, clock_.elapsed()});
    }
    QString path_;
    QElapsedTimer clock_;
};

LegacyImportReport convert(const QString& source, DatabaseFormat claimed, const QString& destination,
                           SchemaWriter::Placement placement, bool keepBackup)
{
    const Activity activity(source);
    const JetDatabase database = readJetDatabase(source, claimed, [&] { activity.working(); });
    SchemaWriter writer(destination);
    LegacyImportReport report;
    report.databasePath = destination;
    report.format = database.format;
    report.tables = copyJetTables(database, writer);
    report.hadMappingTable = std::any_of(database.tables.cbegin(), database.tables.cend(), [](const JetTableData& data) {
        return data.table.name.compare(schema::mappingTable, Qt::CaseInsensitive) == 0;
    });
    if (keepBackup)
        report.backupPath = legacyfiles::keepOriginal(source, database.format);
    writer.commit(placement);
    return report;
}

// Once per database and process: a directory listing at every key would cost more than the lookup.
void removeStaleTemporariesOnce(const QString& nativePath)
{
    static QMutex mutex;
    static QSet<QString> done;
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

void ensureSqliteDatabase(const QString& pathText, const QString& nativePath)
{
    removeStaleTemporariesOnce(nativePath);
    const DatabaseFormat format = detectDatabaseFormat(nativePath);
    if (format == DatabaseFormat::Sqlite3)
        return;
    if (format == DatabaseFormat::Missing)
        throw Error(ErrorNumber::DatabaseNotFound,
                    QStringLiteral("找不到数据库文件“%1”。可以用程序文件夹中的 keysound-db 新建一个：keysound-db init \"%1\"，"
                                   "然后在编辑器里添加按键和声音。")
                        .arg(nativePath));
    if (!isJet(format))
        throwNotImportable(nativePath, format);
    const LegacyImportReport report = convert(nativePath, format, nativePath, SchemaWriter::Placement::ReplaceExisting, true);
    if (notifier())
        notifier()(report);
}

LegacyImportReport importLegacyDatabaseFile(const QString& nativeSourcePath, const QString& nativeDestinationPath)
{
    const DatabaseFormat format = detectDatabaseFormat(nativeSourcePath);
    if (!isJet(format))
        throwNotImportable(nativeSourcePath, format);
    if (isNameTaken(nativeDestinationPath))
        throw Error(ErrorNumber::FileAccess,
                    QStringLiteral("无法导入到“%1”：已有同名文件。").arg(nativeDestinationPath));
    return convert(nativeSourcePath, format, nativeDestinationPath, SchemaWriter::Placement::KeepExisting, false);
}

void setLegacyImportNotifier(LegacyImportNotifier notifier_)
{
    notifier() = std::move(notifier_);
}

void setLegacyImportActivityHook(LegacyImportActivityHook hook)
{
    activityHook() = std::move(hook);
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
