#include "LegacySamples.h"

#include "TestAppFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <sqlite3.h>
#include <stdexcept>

namespace keysound::test::legacy {

QString copySample(const QString& sampleName, const QString& folder, const QString& asName)
{
    const QString source = QDir(sharedTestDataDir()).filePath(QStringLiteral("jet/") + sampleName);
    const QString target = QDir(folder).filePath(asName.isEmpty() ? sampleName : asName);
    if (!QFile::copy(source, target))
        throw std::runtime_error("cannot copy legacy sample " + source.toStdString());
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

namespace {

// One CSV line of the sample list: fields separated by commas, text in double quotes.
QStringList splitCsvLine(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == QLatin1Char('"') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
            field += c;
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

}  // namespace

QList<QVariantList> expectedConfigRows()
{
    QFile csv(QDir(sharedTestDataDir()).filePath(QStringLiteral("jet/legacy-db1.csv")));
    if (!csv.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read legacy-db1.csv");
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts);
    QList<QVariantList> rows;
    for (const QString& line : lines.mid(1)) {
        const QStringList fields = splitCsvLine(line);  // row, 键位, 文件名, null_columns
        const QStringList nullColumns = fields.at(3).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        rows.append({nullColumns.contains(QStringLiteral("键位")) ? QVariant() : QVariant(fields.at(1)),
                     nullColumns.contains(QStringLiteral("文件名")) ? QVariant() : QVariant(fields.at(2))});
    }
    return rows;
}

QStringList expectedUnicodeSampleTexts()
{
    QString everyLatin1;
    for (char16_t c = 1; c <= 0xFF; ++c)
        everyLatin1 += QChar(c);
    return QStringList{
        QStringLiteral("only ascii chars"),
        QStringLiteral("ääkkösiä"),
        QStringLiteral("Мир"),
        // Greek with polytonic letters, exactly as stored (not NFC-normalised).
        QStringLiteral("\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1"),
        QStringLiteral("漢字仮名交じり文"),
        QStringLiteral("3L9\u001D52\u0002_AB(\u00A5\u0005!!V"),
        QStringLiteral("ümlaut"),
        everyLatin1,
    };
}

QList<QVariantList> queryRows(const QString& databasePath, const QString& sql, const QVariantList& parameters)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + databasePath.toStdString());
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error("cannot prepare " + sql.toStdString() + ": " + message);
    }
    for (int i = 0; i < parameters.size(); ++i) {
        const QByteArray utf8 = parameters.at(i).toString().toUtf8();
        sqlite3_bind_text(statement, i + 1, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
    }
    QList<QVariantList> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QVariantList row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_NULL: row.append(QVariant()); break;
            case SQLITE_INTEGER: row.append(qint64(sqlite3_column_int64(statement, c))); break;
            case SQLITE_FLOAT: row.append(sqlite3_column_double(statement, c)); break;
            case SQLITE_BLOB:
                row.append(QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, c)), sqlite3_column_bytes(statement, c)));
                break;
            default:
                row.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)), sqlite3_column_bytes(statement, c)));
            }
        }
        rows.append(row);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
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

}  // namespace keysound::test::legacy
