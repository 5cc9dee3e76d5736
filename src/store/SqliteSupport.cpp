#include "store/SqliteSupport.h"

#include "platform/AnsiText.h"
#include "platform/StagedFile.h"
#include "store/Bounds.h"
#include "store/DatabaseHandle.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <optional>
#include <sqlite3.h>

namespace keysound::store {

QString databaseFileName(sqlite3* db)
{
    const char* name = sqlite3_db_filename(db, "main");
    return QString::fromUtf8(name ? name : "");
}

bool isDiskFull(sqlite3* db, int resultCode)
{
    const int primary = resultCode & 0xff;
    if (primary != SQLITE_IOERR || !db)
        return primary == SQLITE_FULL;
    // The engine does not always keep the system error of a failed write; the database file does.
    int lastOfFile = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &lastOfFile);
    return platform::isNoRoomError(sqlite3_system_errno(db)) || platform::isNoRoomError(lastOfFile);
}

namespace {

// The translation context of the engine's errors.
class DatabaseEngine {
    Q_DECLARE_TR_FUNCTIONS(DatabaseEngine)
};

// The engine's text for a result: its message on db, else the text of the code alone.
QString engineMessage(sqlite3* db, int resultCode)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode));
}

// A table or column the engine could not find, named only in its message: "no such table: Config".
struct MissingObject {
    int number;
    QString name;
};

std::optional<MissingObject> missingObject(sqlite3* db, int resultCode)
{
    static const QRegularExpression noSuch(QStringLiteral("^no such (table|column): (.+)$"));
    if ((resultCode & 0xff) != SQLITE_ERROR || !db)
        return std::nullopt;
    const QRegularExpressionMatch match = noSuch.match(engineMessage(db, resultCode));
    if (!match.hasMatch())
        return std::nullopt;
    const bool table = match.captured(1) == QLatin1String("table");
    return MissingObject{table ? ErrorNumber::TableNotFound : ErrorNumber::ItemNotFound, match.captured(2)};
}

}  // namespace

int engineErrorNumber(sqlite3* db, int resultCode)
{
    if (isDiskFull(db, resultCode))
        return ErrorNumber::DiskFull;
    switch (resultCode & 0xff) {
    case SQLITE_READONLY: return ErrorNumber::ReadOnlyDatabase;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ErrorNumber::DatabaseLocked;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return ErrorNumber::UnrecognizedFormat;
    case SQLITE_TOOBIG: return ErrorNumber::TableRefused;
    default: break;
    }
    const std::optional<MissingObject> missing = missingObject(db, resultCode);
    return missing ? missing->number : ErrorNumber::EngineError;
}

Error engineError(sqlite3* db, int resultCode, const QString& action)
{
    return engineError(db, resultCode, action, databaseFileName(db));
}

Error engineError(sqlite3* db, int resultCode, const QString& action, const QString& file)
{
    const QString message = engineMessage(db, resultCode);
    const int number = engineErrorNumber(db, resultCode);
    switch (number) {
    case ErrorNumber::ReadOnlyDatabase:
        return Error(number, DatabaseEngine::tr(
                                 "Cannot write to \"%1\" while %2: the database was opened read-only, or the file "
                                 "or its folder cannot be written. Check the write permissions of both. (SQLite: %3)")
                                 .arg(file, action, message));
    case ErrorNumber::DatabaseLocked:
        return Error(number, DatabaseEngine::tr(
                                 "While %2, \"%1\" stayed locked by another connection for longer than the program "
                                 "waits. Close other programs that use the file, then try again. (SQLite: %3)")
                                 .arg(file, action, message));
    case ErrorNumber::DiskFull:
        return Error(number,
                     DatabaseEngine::tr("\"%1\" cannot grow while %2: the disk or the database is full. Free some disk "
                                        "space, then try again. (SQLite: %3)")
                         .arg(file, action, message));
    case ErrorNumber::UnrecognizedFormat:
        if ((resultCode & 0xff) == SQLITE_CORRUPT)
            return Error(number, DatabaseEngine::tr("The table file \"%1\" is damaged: found while %2. Use a copy of "
                                                    "it from before the damage, or make a new one with keysound-db "
                                                    "init. (SQLite: %3)")
                                     .arg(file, action, message));
        return Error(
            number,
            DatabaseEngine::tr("\"%1\" is not a database this program can open. (SQLite: %2)").arg(file, message));
    case ErrorNumber::TableRefused:
        return Error(number, DatabaseEngine::tr("The table file \"%1\" holds a value, a row or a definition larger "
                                                "than keysound reads (%2 bytes for a value or a row), found while %3.")
                                 .arg(file)
                                 .arg(bounds::MaxValueBytes)
                                 .arg(action));
    case ErrorNumber::TableNotFound:
        return Error(number, DatabaseEngine::tr("The database \"%1\" has no table \"%2\".")
                                 .arg(file, missingObject(db, resultCode)->name));
    case ErrorNumber::ItemNotFound:
        return Error(number, DatabaseEngine::tr("The database \"%1\" has no column \"%2\".")
                                 .arg(file, missingObject(db, resultCode)->name));
    default:
        return Error(number, DatabaseEngine::tr("The database engine failed on \"%1\" while %2. (SQLite: %3)")
                                 .arg(file, action, message));
    }
}

QString statementAction(const QString& sql) { return DatabaseEngine::tr("running the statement \"%1\"").arg(sql); }

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
    if (database_)
        database_->startClock();
    const int rc = sqlite3_prepare_v3(db_, utf8.constData(), int(utf8.size()), flags, &statement_, nullptr);
    if (database_)
        database_->stopClock();
    if (rc != SQLITE_OK)
        throw failure(rc, statementAction(sql_));
}

Error PreparedStatement::failure(int resultCode, const QString& action) const
{
    return database_ ? database_->error(resultCode, action) : engineError(db_, resultCode, action);
}

void PreparedStatement::stopClock()
{
    if (clockRunning_)
        database_->stopClock();
    clockRunning_ = false;
}

PreparedStatement::~PreparedStatement()
{
    stopClock();
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
        throw failure(rc, DatabaseEngine::tr("binding parameter %1 of the statement \"%2\"").arg(index).arg(sql_));
}

void PreparedStatement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
}

bool PreparedStatement::nextRow()
{
    if (database_ && !clockRunning_) {
        database_->startClock();
        clockRunning_ = true;
    }
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    stopClock();
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
    stopClock();
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
