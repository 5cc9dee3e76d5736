#include "RawDatabase.h"

#include <QStringDecoder>
#include <sqlite3.h>
#include <stdexcept>

namespace keysound::test {

namespace {
[[noreturn]] void fail(sqlite3* db, const QString& sql)
{
    throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in: " + sql.toStdString());
}

QVariant columnValue(sqlite3_stmt* statement, int c)
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, c));
    const int size = sqlite3_column_bytes(statement, c);
    switch (sqlite3_column_type(statement, c)) {
    case SQLITE_NULL: return QVariant();
    case SQLITE_INTEGER: return QVariant::fromValue<qint64>(sqlite3_column_int64(statement, c));
    case SQLITE_FLOAT: return sqlite3_column_double(statement, c);
    case SQLITE_BLOB: return QByteArray(bytes, size);
    default: {  // every character, a leading U+FEFF too (fromUtf8 would drop it)
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return QString(utf8.decode(QByteArrayView(bytes, size)));
    }
    }
}
}  // namespace

QList<QVariantList> queryRows(sqlite3* db, const QString& sql, const QVariantList& parameters)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        fail(db, sql);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    for (int i = 0; i < parameters.size(); ++i) {
        if (parameters[i].isNull())
            sqlite3_bind_null(raw, i + 1);
        else
            sqlite3_bind_text(raw, i + 1, parameters[i].toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    QList<QVariantList> rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        rows.append(QVariantList());
        for (int c = 0; c < sqlite3_column_count(raw); ++c)
            rows.last().append(columnValue(raw, c));
    }
    if (rc != SQLITE_DONE)
        fail(db, sql);
    return rows;
}

RawDatabase::RawDatabase(const QString& path)
    : db_(nullptr, sqlite3_close_v2)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    db_.reset(db);  // a failed opening fails the first statement
    sqlite3_busy_timeout(db, 5000);
}

void RawDatabase::exec(const QString& sql) const
{
    if (sqlite3_exec(db_.get(), sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db_.get(), sql);
}

}  // namespace keysound::test
