#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace keysound::store {

// Which file stands at a path, as it was written last: replacing or rewriting the file changes it.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// One database file held open: the engine's handle, the statements kept for it, and which file it
// was opened on. A closing connection gives its handle back, and the next connection to the same
// file in the same mode takes it again, as the data-access platform pools its sessions: a key's
// connection then costs a look-up instead of opening and reading the database anew. A handle is
// handed out again only while its file is the same file, unchanged; one that still has a
// statement in use or a transaction open is closed instead of kept. Nothing but handles is kept.
class DatabaseHandle {
public:
    // The kept handle of that file, or nullptr when there is none or the file is another one now.
    static std::unique_ptr<DatabaseHandle> takeKept(const QString& nativePath, bool readOnly);
    // Opens the file afresh. Throws keysound::Error: file missing, not a database, locked.
    static std::unique_ptr<DatabaseHandle> open(const QString& nativePath, bool readOnly);
    // Keeps the handle for the next takeKept() when it is idle and its file is there; closes it
    // otherwise.
    static void giveBack(std::unique_ptr<DatabaseHandle> handle);

    ~DatabaseHandle();
    DatabaseHandle(const DatabaseHandle&) = delete;
    DatabaseHandle& operator=(const DatabaseHandle&) = delete;

    sqlite3* get() const { return db_; }

    // The statement of that text kept for this handle, reset, or nullptr. It is the caller's
    // until keepStatement() takes it back; the handle must outlive it.
    sqlite3_stmt* takeStatement(const QString& sql);
    void keepStatement(const QString& sql, sqlite3_stmt* statement);

private:
    DatabaseHandle(QString nativePath, bool readOnly);
    bool isIdle() const;  // no transaction, no statement but the kept ones

    struct KeptStatement {
        QString sql;
        sqlite3_stmt* statement = nullptr;
    };

    sqlite3* db_ = nullptr;
    QString nativePath_;
    bool readOnly_ = false;
    FileIdentity identity_;            // of the file when the handle was given back
    std::vector<KeptStatement> kept_;  // oldest first
};

}  // namespace keysound::store
