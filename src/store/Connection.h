#pragma once

#include <QString>
#include <memory>

struct sqlite3;

namespace keysound::store {

class DatabaseHandle;
class LegacyImportObserver;

enum CursorLocationEnum { adUseServer = 2, adUseClient = 3 };
enum ConnectModeEnum { adModeUnknown = 0, adModeRead = 1, adModeReadWrite = 3 };
enum ConnectOptionEnum { adConnectUnspecified = -1 };

// A connection to db1.mdb, opened from a connection string whose Data Source names the file.
// The file must exist and be an SQLite 3 database (a legacy file is imported first); the
// connection never creates it. A table file this process cannot write is read from its snapshot
// and cannot be changed (see TableFile.h). Closed when the last owner lets go (no explicit Close);
// its database handle then waits for the next Open of the same file (see DatabaseHandle.h).
class Connection {
public:
    // The observer, if any, hears of a legacy file imported on opening; it must outlive the connection.
    explicit Connection(LegacyImportObserver* importObserver = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int CursorLocation = adUseServer;
    int Mode = adModeUnknown;  // adModeRead opens the file read-only

    // Throws keysound::Error: file missing, not a database, locked, unreadable, refused.
    void Open(const QString& connectionString, const QString& userId = QString(), const QString& password = QString(),
              int options = adConnectUnspecified);
    // The same for a caller that names the database file itself (a path text or a native path).
    void openDatabase(const QString& databasePathText);

    bool isOpen() const { return database_ != nullptr; }
    // Opens the table file again, as Open does, when the handle no longer reads what a fresh open
    // would: the table file was replaced, or changed under its snapshot. Throws as Open does.
    void reopenIfChanged();
    DatabaseHandle* database() const { return database_.get(); }
    sqlite3* handle() const;
    const QString& dataSourcePathText() const { return dataSource_; }

    // Whether the table file cannot be written by this process: the connection reads a snapshot.
    bool isReadOnlyTable() const;
    // Throws ErrorNumber::ReadOnlyDatabase, naming the table file, when it cannot be written.
    void requireWritableTable() const;

private:
    LegacyImportObserver* importObserver_;
    std::unique_ptr<DatabaseHandle> database_;
    QString dataSource_;
};

using ConnectionPtr = std::shared_ptr<Connection>;

}  // namespace keysound::store
