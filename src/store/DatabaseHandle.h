#pragma once

#include "platform/Error.h"
#include "store/StatementClock.h"
#include "store/TableFile.h"

#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace keysound::store {

// One database file held open: the engine's handle, the statements kept for it, and which file it
// was opened on. A closing connection gives its handle back, and the next connection to the same
// file in the same mode takes it again, as the data-access platform pools its sessions: a key's
// connection then costs a look-up instead of opening and reading the database anew. A handle is
// handed out again only while its file is the same file, unchanged; one that still has a
// statement in use or a transaction open is closed instead of kept. Nothing but handles is kept.
//
// Every file is opened as one from elsewhere: the engine's defences for untrusted files, its
// limits (see Bounds.h), and a clock that stops the engine's work past the handle's time limit.
class DatabaseHandle {
public:
    // The kept handle of that table file, or nullptr when there is none or the file is another
    // one now (for a snapshot: the table file changed since it was copied). Costs one stat().
    static std::unique_ptr<DatabaseHandle> takeKept(const QString& nativePath, bool readOnly);
    // Opens the table file, or its snapshot, afresh, under the clock's opening limit (see
    // checkMappingTable() for the check that follows). Throws keysound::Error: file missing, not a
    // database, locked, damaged; opening past its time limit.
    static std::unique_ptr<DatabaseHandle> open(const TableFile& table, bool readOnly);
    // Keeps the handle for the next takeKept() when it is idle and its file is there; closes it
    // otherwise.
    static void giveBack(std::unique_ptr<DatabaseHandle> handle);

    ~DatabaseHandle();
    DatabaseHandle(const DatabaseHandle&) = delete;
    DatabaseHandle& operator=(const DatabaseHandle&) = delete;

    sqlite3* get() const { return db_; }
    const TableFile& table() const { return table_; }
    const QString& path() const { return table_.path; }  // the one messages name
    bool engineOpenedReadOnly() const;
    // Whether the handle still reads what a fresh open would: the same file at the table's path (not
    // one put in its place by rename), or for a snapshot, the table file in the state it copied.
    bool readsCurrentFile() const;                   // asked to write, the file system let the engine only read

    // The clock of the engine's work on this handle; past its limit the engine stops, and the
    // statement fails with ErrorNumber::TimeLimitExceeded.
    StatementClock& clock() { return clock_; }
    // The error for an engine result code on this handle, naming the table file.
    Error error(int resultCode, const QString& action) const;

    // The statement of that text kept for this handle, reset, or nullptr. It is the caller's
    // until keepStatement() takes it back; the handle must outlive it.
    sqlite3_stmt* takeStatement(const QString& sql);
    void keepStatement(const QString& sql, sqlite3_stmt* statement);

private:
    DatabaseHandle(TableFile table, bool readOnly);
    bool isIdle() const;  // no transaction, no statement but the kept ones
    void applyDefences();
    static int onProgress(void* handle);

    struct KeptStatement {
        QString sql;
        sqlite3_stmt* statement = nullptr;
    };

    sqlite3* db_ = nullptr;
    TableFile table_;
    bool readOnly_ = false;
    FileIdentity identity_;            // not a snapshot's: of the table file when opened or given back
    std::vector<KeptStatement> kept_;  // oldest first
    StatementClock clock_;
};

}  // namespace keysound::store
