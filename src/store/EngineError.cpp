#include "store/EngineError.h"

#include "platform/StagedFile.h"
#include "store/Bounds.h"
#include "store/StoreText.h"

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
        return Error(number,
                     StoreText::tr("Cannot write to \"%1\" while %2: the database was opened read-only, or the file "
                                   "or its folder cannot be written. Check the write permissions of both. (SQLite: %3)")
                         .arg(file, action, message));
    case ErrorNumber::DatabaseLocked:
        return Error(number,
                     StoreText::tr("While %2, \"%1\" stayed locked by another connection for longer than the program "
                                   "waits. Close other programs that use the file, then try again. (SQLite: %3)")
                         .arg(file, action, message));
    case ErrorNumber::DiskFull:
        return Error(number,
                     StoreText::tr("\"%1\" cannot grow while %2: the disk or the database is full. Free some disk "
                                   "space, then try again. (SQLite: %3)")
                         .arg(file, action, message));
    case ErrorNumber::UnrecognizedFormat:
        if ((resultCode & 0xff) == SQLITE_CORRUPT)
            return Error(number, StoreText::tr("The table file \"%1\" is damaged: found while %2. Use a copy of "
                                               "it from before the damage, or make a new one with keysound-db "
                                               "init. (SQLite: %3)")
                                     .arg(file, action, message));
        return Error(number,
                     StoreText::tr("\"%1\" is not a database this program can open. (SQLite: %2)").arg(file, message));
    case ErrorNumber::TableRefused:
        return Error(number, StoreText::tr("The table file \"%1\" holds a value, a row or a definition larger "
                                           "than keysound reads (%2 bytes for a value or a row), found while %3.")
                                 .arg(file)
                                 .arg(bounds::MaxValueBytes)
                                 .arg(action));
    case ErrorNumber::TableNotFound:
        return Error(
            number,
            StoreText::tr("The database \"%1\" has no table \"%2\".").arg(file, missingObject(db, resultCode)->name));
    case ErrorNumber::ItemNotFound:
        return Error(
            number,
            StoreText::tr("The database \"%1\" has no column \"%2\".").arg(file, missingObject(db, resultCode)->name));
    default:
        return Error(
            number,
            StoreText::tr("The database engine failed on \"%1\" while %2. (SQLite: %3)").arg(file, action, message));
    }
}

QString statementAction(const QString& sql) { return StoreText::tr("running the statement \"%1\"").arg(sql); }

QString bindingAction(int index, const QString& sql)
{
    return StoreText::tr("binding parameter %1 of the statement \"%2\"").arg(index).arg(sql);
}

}  // namespace keysound::store
