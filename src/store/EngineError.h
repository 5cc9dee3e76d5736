#pragma once

#include "platform/Error.h"

#include <QString>

struct sqlite3;

// The errors of the database engine, numbered and described: the bottom of the store, below the
// handle of an open file and the statements run on it.
namespace keysound::store {

// The native path of the file behind a connection, for error descriptions.
QString databaseFileName(sqlite3* db);

// Whether a result code means there was no room: SQLITE_FULL, or an I/O error whose system error
// was a full disk, a used-up quota or the file-size limit (the engine calls those I/O errors).
bool isDiskFull(sqlite3* db, int resultCode);

// The one mapping of the engine's results to error numbers: read-only, locked, disk full, "not a
// database" or damaged, a value beyond the engine's limits, and a missing table or column get their
// own numbers; anything else is EngineError. db may be null: a file that could not even be opened.
int engineErrorNumber(sqlite3* db, int resultCode);

// The error for an engine result code, numbered by engineErrorNumber(). Its description names the
// file (`file`, else the file the engine opened) and what was being done, and ends with the
// engine's own message. `action` is a phrase in the message's language, e.g. statementAction(sql)
// or "opening the file".
Error engineError(sqlite3* db, int resultCode, const QString& action);
Error engineError(sqlite3* db, int resultCode, const QString& action, const QString& file);

// The action "running the statement \"<sql>\"", for engineError() and the writers' errors.
QString statementAction(const QString& sql);
// The action "binding parameter <index> of the statement \"<sql>\"".
QString bindingAction(int index, const QString& sql);

}  // namespace keysound::store
