#include "StoreTestSupport.h"

#include "store/ConnectionString.h"

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

std::optional<Error> errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

RawDatabase::RawDatabase(const QString& nativePath)
{
    if (sqlite3_open_v2(nativePath.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + nativePath.toStdString());
    sqlite3_busy_timeout(db_, 5000);
}

RawDatabase::~RawDatabase()
{
    sqlite3_close_v2(db_);
}

void RawDatabase::exec(const QString& sql) const
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error(text + " in: " + sql.toStdString());
    }
}

QList<QVariantList> RawDatabase::rows(const QString& sql) const
{
    return queryRows(db_, sql);
}

QList<QVariantList> queryRows(sqlite3* db, const QString& sql, const QVariantList& parameters)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in: " + sql.toStdString());
    for (int i = 0; i < parameters.size(); ++i) {
        const QByteArray text = parameters[i].toString().toUtf8();
        sqlite3_bind_text(statement, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    QList<QVariantList> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QVariantList row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_NULL:
                row.append(QVariant());
                break;
            case SQLITE_INTEGER:
                row.append(QVariant::fromValue<qint64>(sqlite3_column_int64(statement, c)));
                break;
            case SQLITE_FLOAT:
                row.append(sqlite3_column_double(statement, c));
                break;
            case SQLITE_BLOB:
                row.append(QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, c)),
                                      sqlite3_column_bytes(statement, c)));
                break;
            default:
                row.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c))));
            }
        }
        rows.append(row);
    }
    sqlite3_finalize(statement);
    return rows;
}

QStringList RawDatabase::mappings() const
{
    QStringList texts;
    for (const QVariantList& row : rows(QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid"))) {
        QStringList cells;
        for (const QVariant& cell : row)
            cells.append(cell.isValid() ? cell.toString() : QStringLiteral("<null>"));
        texts.append(cells.join(u'|'));
    }
    return texts;
}

RecordsetEvents::RecordsetEvents(store::Recordset& recordset)
{
    using store::Recordset;
    QObject::connect(&recordset, &Recordset::MoveComplete, [this](int reason, int, Recordset*) {
        events_.append(QStringLiteral("MoveComplete(%1)").arg(reason));
    });
    QObject::connect(&recordset, &Recordset::WillChangeRecord, [this](int reason, int count, int, Recordset*) {
        events_.append(QStringLiteral("WillChangeRecord(%1,%2)").arg(reason).arg(count));
    });
    QObject::connect(&recordset, &Recordset::rowsReset, [this] { events_.append(QStringLiteral("rowsReset")); });
    QObject::connect(&recordset, &Recordset::rowInserted,
                     [this](int row) { events_.append(QStringLiteral("rowInserted(%1)").arg(row)); });
    QObject::connect(&recordset, &Recordset::rowRemoved,
                     [this](int row) { events_.append(QStringLiteral("rowRemoved(%1)").arg(row)); });
    QObject::connect(&recordset, &Recordset::rowChanged,
                     [this](int row) { events_.append(QStringLiteral("rowChanged(%1)").arg(row)); });
}

QStringList RecordsetEvents::take()
{
    return std::exchange(events_, {});
}

}  // namespace keysound::test
