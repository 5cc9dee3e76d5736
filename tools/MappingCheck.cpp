#include "MappingCheck.h"

#include "DbToolText.h"
#include "MappingTable.h"
#include "audio/SoundDecoder.h"
#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/TableFolder.h"
#include "store/Schema.h"
#include "store/legacy/JetReaderProcess.h"
#include "store/legacy/LegacyFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>

namespace keysound::tools {

namespace {

using store::DatabaseFormat;

// Read through the tools' table, as the program reads them: same file, same table, same order.
QList<Mapping> readSqliteMappings(const QString& path)
{
    const MappingTable table(path, MappingTable::Access::Read);
    QList<Mapping> mappings;
    for (int row = 0; row < table.rowCount(); ++row)
        mappings.append({row + 1, table.key(row), table.fileName(row)});
    return mappings;
}

QList<Mapping> readJetMappings(const QString& path, DatabaseFormat format)
{
    const store::JetDatabase database = store::readJetDatabase(path, format);
    for (const store::JetTableData& data : database.tables) {
        if (data.table.name.compare(store::schema::MappingTable, Qt::CaseInsensitive) != 0)
            continue;
        int KeyColumn = -1;
        int FileColumn = -1;
        for (int i = 0; i < data.table.columns.size(); ++i) {
            if (data.table.columns.at(i).name == store::schema::KeyColumn)
                KeyColumn = i;
            if (data.table.columns.at(i).name == store::schema::FileColumn)
                FileColumn = i;
        }
        QList<Mapping> mappings;
        for (const QVariantList& row : data.rows)
            mappings.append({int(mappings.size() + 1), KeyColumn < 0 ? QVariant() : row.at(KeyColumn),
                             FileColumn < 0 ? QVariant() : row.at(FileColumn)});
        return mappings;
    }
    throw Error(ErrorNumber::TableNotFound, DbToolText::tr("\"%1\" has no table Config.").arg(path));
}

QString quoted(const QVariant& text) { return QLatin1Char('"') + text.toString() + QLatin1Char('"'); }

QStringList soundFileProblems(const QList<Mapping>& mappings, const QString& appFolder)
{
    audio::SoundDecoder decoder;
    QStringList problems;
    for (const Mapping& mapping : mappings) {
        const QString name = mapping.fileName.toString();
        const QString keyText = mapping.key.isValid() ? quoted(mapping.key) : QStringLiteral("NULL");
        if (name.isEmpty()) {
            const QString problem = mapping.fileName.isValid()
                                        ? DbToolText::tr("row %1 (key %2): no sound file name")
                                        : DbToolText::tr("row %1 (key %2): no sound file name (NULL)");
            problems.append(problem.arg(mapping.row).arg(keyText));
            continue;
        }
        // The path the program itself plays; a name may hold a folder part of its own.
        const QString path = platform::TableFolder(appFolder).soundNativePath(name);
        const QString relative = QDir(appFolder).relativeFilePath(path);
        const audio::SoundVerdict verdict = decoder.verdictNow(path);
        if (!verdict.isPlayable())
            problems.append(DbToolText::tr("row %1 (key %2): sound file \"%3\" %4")
                                .arg(mapping.row)
                                .arg(keyText, relative, audio::describeVerdict(verdict)));
    }
    return problems;
}

QStringList duplicateKeyProblems(const QList<Mapping>& mappings)
{
    QMap<QString, QList<const Mapping*>> byFoldedKey;
    QStringList order;
    for (const Mapping& mapping : mappings) {
        const QString key = mapping.key.toString();
        if (key.isEmpty())
            continue;
        const QString folded = key.toCaseFolded();
        if (!byFoldedKey.contains(folded))
            order.append(folded);
        byFoldedKey[folded].append(&mapping);
    }
    QStringList problems;
    for (const QString& folded : order) {
        const QList<const Mapping*>& rows = byFoldedKey.value(folded);
        if (rows.size() < 2)
            continue;
        QStringList rowNumbers;
        QStringList spellings;
        for (const Mapping* mapping : rows) {
            rowNumbers.append(QString::number(mapping->row));
            if (!spellings.contains(quoted(mapping->key)))
                spellings.append(quoted(mapping->key));
        }
        problems.append(DbToolText::tr("key %1 occurs %2 times ignoring case (rows %3); only row %4 is ever used")
                            .arg(spellings.join(QStringLiteral("/")))
                            .arg(rows.size())
                            .arg(rowNumbers.join(QStringLiteral(", ")), rowNumbers.first()));
    }
    return problems;
}

QStringList emptyKeyProblems(const QList<Mapping>& mappings)
{
    QStringList problems;
    for (const Mapping& mapping : mappings) {
        if (!mapping.key.isValid())
            problems.append(DbToolText::tr("row %1: the key is empty (NULL)").arg(mapping.row));
        else if (mapping.key.toString().isEmpty())
            problems.append(DbToolText::tr("row %1: the key is empty").arg(mapping.row));
    }
    return problems;
}

}  // namespace

QList<Mapping> readMappings(const QString& databasePath)
{
    const DatabaseFormat format = store::detectDatabaseFormat(databasePath);
    switch (format) {
    case DatabaseFormat::Sqlite3: return readSqliteMappings(databasePath);
    case DatabaseFormat::Jet3:
    case DatabaseFormat::Jet4: return readJetMappings(databasePath, format);
    case DatabaseFormat::Missing:
        throw Error(ErrorNumber::DatabaseNotFound, DbToolText::tr("\"%1\" does not exist.").arg(databasePath));
    default:
        throw Error(ErrorNumber::UnrecognizedFormat,
                    DbToolText::tr("\"%1\" is not a mapping database: its format is %2.")
                        .arg(databasePath, store::formatName(format)));
    }
}

QStringList checkMappings(const QList<Mapping>& mappings, const QString& appFolder)
{
    return soundFileProblems(mappings, appFolder) + duplicateKeyProblems(mappings) + emptyKeyProblems(mappings);
}

}  // namespace keysound::tools
