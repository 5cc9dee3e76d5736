#pragma once

#include "platform/Error.h"
#include "store/StatementClock.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace keysound::store {

class DatabaseHandle;

// The statements run on a database handle, above it and the engine's errors.

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

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    QString sql_;
    DatabaseHandle* database_ = nullptr;
    bool keep_ = false;
    std::optional<StatementClock::Run> clockRun_;  // from this statement's first step to its last
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
