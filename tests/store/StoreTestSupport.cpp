#include "StoreTestSupport.h"

#include "TestAppFolder.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace keysound::test {

store::ConnectionPtr openStore(const QString& folder, int mode)
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Mode = mode;
    connection->Open(store::connectionStringFor(folder), QString(), QString(), store::adConnectUnspecified);
    return connection;
}

QStringList lookUp(const QString& folder, const QString& key)
{
    store::Recordset recordset;
    recordset.Open(store::keyLookupStatement(key), openStore(folder));
    QStringList files;
    for (int row = 0; row < recordset.RecordCount(); ++row)
        files.append(recordset.valueAt(row, recordset.fieldIndex(QStringLiteral("文件名"))).toString());
    return files;
}

std::optional<Error> errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

QList<QVariantList> queryRows(sqlite3* db, const QString& sql, const QVariantList& parameters)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in: " + sql.toStdString());
    for (int i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement, i + 1, parameters[i].toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
    QList<QVariantList> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QVariantList row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, c));
            const int size = sqlite3_column_bytes(statement, c);
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_NULL: row.append(QVariant()); break;
            case SQLITE_INTEGER: row.append(QVariant::fromValue<qint64>(sqlite3_column_int64(statement, c))); break;
            case SQLITE_FLOAT: row.append(sqlite3_column_double(statement, c)); break;
            case SQLITE_BLOB: row.append(QByteArray(bytes, size)); break;
            default: row.append(QString::fromUtf8(bytes, size));
            }
        }
        rows.append(row);
    }
    sqlite3_finalize(statement);
    return rows;
}

RawDatabase::RawDatabase(const QString& path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    sqlite3_busy_timeout(db_, 5000);
}

RawDatabase::~RawDatabase()
{
    sqlite3_close_v2(db_);
}

void RawDatabase::exec(const QString& sql) const
{
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql.toStdString());
}

QStringList RawDatabase::mappings() const
{
    QStringList texts;
    for (const QVariantList& row : rows(QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid")))
        texts.append((row[0].isValid() ? row[0].toString() : "<null>") + u'|' + (row[1].isValid() ? row[1].toString() : "<null>"));
    return texts;
}

QString copySample(const QString& sampleName, const QString& folder, const QString& asName)
{
    const QString source = QDir(jetFixturesDir()).filePath(sampleName);
    const QString target = QDir(folder).filePath(asName.isEmpty() ? sampleName : asName);
    if (!QFile::copy(source, target))
        throw std::runtime_error("cannot copy legacy sample " + source.toStdString());
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

QList<QVariantList> expectedConfigRows()
{
    // Lines "row,"键位","文件名","null_columns"": no field holds a comma or a doubled quote.
    QStringList lines = QString::fromUtf8(fileBytes(QDir(jetFixturesDir()).filePath(QStringLiteral("legacy-db1.csv"))))
                            .split(u'\n', Qt::SkipEmptyParts);
    QList<QVariantList> rows;
    for (const QString& line : lines.mid(1)) {
        QStringList fields = line.trimmed().split(u',');
        for (QString& field : fields)
            field = field.mid(1, field.size() - 2);
        const QStringList nulls = fields[3].split(u' ');
        rows.append({nulls.contains(QStringLiteral("键位")) ? QVariant() : QVariant(fields[1]),
                     nulls.contains(QStringLiteral("文件名")) ? QVariant() : QVariant(fields[2])});
    }
    return rows;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void overwriteBytes(const QString& path, qint64 offset, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(offset) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot change " + path.toStdString());
}

}  // namespace keysound::test
