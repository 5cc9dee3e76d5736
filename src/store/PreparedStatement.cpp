#include "store/PreparedStatement.h"

#include "platform/AnsiText.h"
#include "store/DatabaseHandle.h"
#include "store/EngineError.h"

#include <sqlite3.h>

namespace keysound::store {

PreparedStatement::PreparedStatement(sqlite3* db, const QString& sql)
    : db_(db)
    , sql_(sql)
{
    prepare(0);
}

PreparedStatement::PreparedStatement(DatabaseHandle& database, const QString& sql, Reuse reuse)
    : db_(database.get())
    , sql_(sql)
    , database_(&database)
    , keep_(reuse == Reuse::Keep)
{
    if (keep_)
        statement_ = database.takeStatement(sql);
    if (statement_ == nullptr)
        prepare(keep_ ? SQLITE_PREPARE_PERSISTENT : 0);
}

// Parsing may read the file's schema first, so it runs against the clock too.
void PreparedStatement::prepare(unsigned flags)
{
    const QByteArray utf8 = sql_.toUtf8();
    std::optional<StatementClock::Run> parsing;
    if (database_)
        parsing.emplace(database_->clock());
    const int rc = sqlite3_prepare_v3(db_, utf8.constData(), int(utf8.size()), flags, &statement_, nullptr);
    parsing.reset();
    if (rc != SQLITE_OK)
        throw failure(rc, statementAction(sql_));
}

Error PreparedStatement::failure(int resultCode, const QString& action) const
{
    return database_ ? database_->error(resultCode, action) : engineError(db_, resultCode, action);
}

PreparedStatement::~PreparedStatement()
{
    clockRun_.reset();
    if (keep_)
        database_->keepStatement(sql_, statement_);
    else
        sqlite3_finalize(statement_);
}

void PreparedStatement::bind(int index, const QVariant& value)
{
    int rc = SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::UnknownType: rc = sqlite3_bind_null(statement_, index); break;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char: rc = sqlite3_bind_int64(statement_, index, value.toLongLong()); break;
    case QMetaType::Double:
    case QMetaType::Float: rc = sqlite3_bind_double(statement_, index, value.toDouble()); break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        rc = sqlite3_bind_blob64(statement_, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray utf8 = value.toString().toUtf8();  // an empty text stays text, never NULL
        rc = sqlite3_bind_text64(statement_, index, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
    }
    }
    if (rc != SQLITE_OK)
        throw failure(rc, bindingAction(index, sql_));
}

void PreparedStatement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
}

bool PreparedStatement::nextRow()
{
    if (database_ && !clockRun_)
        clockRun_.emplace(database_->clock());
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    clockRun_.reset();
    if (rc == SQLITE_DONE)
        return false;
    const Error error = failure(rc, statementAction(sql_));
    sqlite3_reset(statement_);
    throw error;
}

void PreparedStatement::run()
{
    while (nextRow()) {
    }
}

void PreparedStatement::reset()
{
    clockRun_.reset();
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int PreparedStatement::columnCount() const { return sqlite3_column_count(statement_); }

QString PreparedStatement::columnName(int column) const
{
    return platform::fromUtf8Exact(sqlite3_column_name(statement_, column));
}

QVariant PreparedStatement::value(int column) const
{
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_INTEGER: return QVariant::fromValue<qint64>(sqlite3_column_int64(statement_, column));
    case SQLITE_FLOAT: return sqlite3_column_double(statement_, column);
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(statement_, column));
        return QByteArray(data, sqlite3_column_bytes(statement_, column));
    }
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        const int bytes = sqlite3_column_bytes(statement_, column);
        return bytes == 0 ? QVariant(QStringLiteral("")) : QVariant(platform::fromUtf8Exact({text, bytes}));
    }
    default: return QVariant();
    }
}

qint64 PreparedStatement::int64(int column) const { return sqlite3_column_int64(statement_, column); }

void execute(DatabaseHandle& database, const QString& sql) { PreparedStatement(database, sql).run(); }

void execute(sqlite3* db, const QString& sql) { PreparedStatement(db, sql).run(); }

WriteTransaction::WriteTransaction(DatabaseHandle& database)
    : database_(database)
{
    execute(database_, QStringLiteral("BEGIN IMMEDIATE"));
    open_ = true;
}

WriteTransaction::~WriteTransaction()
{
    if (open_ && !sqlite3_get_autocommit(database_.get()))
        sqlite3_exec(database_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteTransaction::commit()
{
    execute(database_, QStringLiteral("COMMIT"));
    open_ = false;
}

}  // namespace keysound::store
