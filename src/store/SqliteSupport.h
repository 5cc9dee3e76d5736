#pragma once

#include "platform/Error.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

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

class DatabaseHandle;

// One prepared statement, finalized with its owner.
class PreparedStatement {
public:
    // Keep: the handle keeps the statement when done, for the next statement of the same text,
    // which then skips parsing it (a cold parse is a good part of a key's lookup).
    enum class Reuse { Once, Keep };
    // A statement on a table file: its parse, and its run from the first step to the last, end
    // within the handle's time limit; its errors name the table file.
    PreparedStatement(DatabaseHandle& database, const QString& sql, Reuse reuse = Reuse::Once);
    // A statement on a database this process makes itself (see SchemaWriter): no time limit.
    PreparedStatement(sqlite3* db, const QString& sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    sqlite3_stmt* get() const { return statement_; }
    const QString& sql() const { return sql_; }

    void bind(int index, const QVariant& value);
    void bindAll(const QVariantList& values);
    bool nextRow();  // steps once; false when done; throws on failure
    void run();      // steps to the end of a statement that returns no rows
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;
    qint64 int64(int column) const;

private:
    void prepare(unsigned flags);
    Error failure(int resultCode, const QString& action) const;
    void stopClock();

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    QString sql_;
    DatabaseHandle* database_ = nullptr;
    bool keep_ = false;
    bool clockRunning_ = false;  // started by this statement's first step
};

// BEGIN IMMEDIATE ... COMMIT; rolled back when left without commit().
class WriteTransaction {
public:
    explicit WriteTransaction(DatabaseHandle& database);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit();

private:
    DatabaseHandle& database_;
    bool open_ = false;
};

void execute(DatabaseHandle& database, const QString& sql);
void execute(sqlite3* db, const QString& sql);

}  // namespace keysound::store
