#include "store/Connection.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/ConnectionString.h"
#include "store/HandlePool.h"
#include "store/KeyFolding.h"
#include "store/SqliteSupport.h"
#include "store/legacy/LegacyImport.h"

#include <sqlite3.h>

namespace keysound::store {

namespace {

constexpr int BusyTimeoutMs = 1000;

class OpeningHandle {
public:
    ~OpeningHandle() { closeHandle(db); }
    sqlite3* release() { return std::exchange(db, nullptr); }
    sqlite3* db = nullptr;
};

// Reading the schema here makes a damaged or foreign file fail at Open, not at the first query.
void readSchema(sqlite3* db)
{
    PreparedStatement(db, QStringLiteral("SELECT 1 FROM sqlite_schema LIMIT 0"));
}

sqlite3* openSqlite(const QString& nativePath, bool readOnly)
{
    OpeningHandle handle;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(nativePath.toUtf8().constData(), &handle.db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (!handle.db)
            throw Error(ErrorNumber::FileAccess, QStringLiteral("无法打开“%1”：内存不足。").arg(nativePath));
        throw engineError(handle.db, rc, QStringLiteral("打开文件"));
    }
    sqlite3_busy_timeout(handle.db, BusyTimeoutMs);
    readSchema(handle.db);
    registerKeyFolding(handle.db);
    return handle.release();
}

}  // namespace

Connection::Connection() = default;

Connection::~Connection()
{
    handlepool::give(nativePath_, readOnly_, db_);
}

void Connection::Open(const QString& connectionString, const QString& /*userId*/, const QString& /*password*/,
                      int /*options*/)
{
    const QString dataSource = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    if (dataSource.isEmpty())
        throw Error(ErrorNumber::InvalidArgument,
                    QStringLiteral("连接字符串“%1”没有指定 Data Source（数据库文件）。").arg(connectionString));
    const QString nativePath = platform::nativePath(dataSource);
    const bool readOnly = Mode == adModeRead;
    sqlite3* opened = handlepool::take(nativePath, readOnly);
    if (opened == nullptr) {
        ensureSqliteDatabase(dataSource, nativePath);  // a legacy file is imported first
        opened = openSqlite(nativePath, readOnly);
    }
    handlepool::give(nativePath_, readOnly_, std::exchange(db_, opened));
    dataSource_ = dataSource;
    nativePath_ = nativePath;
    readOnly_ = readOnly;
}

}  // namespace keysound::store
