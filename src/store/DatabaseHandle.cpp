#include "store/DatabaseHandle.h"

#include "platform/Error.h"
#include "store/KeyFolding.h"
#include "store/SqliteSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <mutex>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

namespace keysound::store {

namespace {

constexpr int BusyTimeoutMs = 1000;
constexpr size_t KeptHandles = 4;     // a key lookup's and the editor's, with room for a second folder
constexpr size_t KeptStatements = 8;  // per handle: the lookup's selects, the editor's

std::optional<FileIdentity> identityOf(const QString& nativePath)
{
    struct stat info {};
    if (stat(QFile::encodeName(nativePath).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec),
                        qint64(info.st_mtim.tv_nsec)};
}

struct Pool {
    std::mutex mutex;
    std::vector<std::unique_ptr<DatabaseHandle>> handles;  // oldest first
};

Pool& pool()
{
    static Pool instance;
    return instance;
}

}  // namespace

DatabaseHandle::DatabaseHandle(QString nativePath, bool readOnly)
    : nativePath_(std::move(nativePath))
    , readOnly_(readOnly)
{}

DatabaseHandle::~DatabaseHandle()
{
    for (const KeptStatement& kept : kept_)
        sqlite3_finalize(kept.statement);
    sqlite3_close_v2(db_);
}

std::unique_ptr<DatabaseHandle> DatabaseHandle::takeKept(const QString& nativePath, bool readOnly)
{
    std::unique_ptr<DatabaseHandle> taken;
    {
        Pool& p = pool();
        std::lock_guard lock(p.mutex);
        const auto found = std::find_if(p.handles.begin(), p.handles.end(), [&](const auto& handle) {
            return handle->nativePath_ == nativePath && handle->readOnly_ == readOnly;
        });
        if (found == p.handles.end())
            return nullptr;
        taken = std::move(*found);
        p.handles.erase(found);
    }
    if (identityOf(nativePath) != taken->identity_)
        return nullptr;  // replaced or written by someone else meanwhile: closed
    return taken;
}

std::unique_ptr<DatabaseHandle> DatabaseHandle::open(const QString& nativePath, bool readOnly)
{
    std::unique_ptr<DatabaseHandle> handle(new DatabaseHandle(nativePath, readOnly));
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(nativePath.toUtf8().constData(), &handle->db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (!handle->db_)
            throw Error(ErrorNumber::FileAccess,
                        QCoreApplication::translate("DatabaseEngine", "Cannot open \"%1\": there is not enough memory.")
                            .arg(nativePath));
        throw engineError(handle->db_, rc, QCoreApplication::translate("DatabaseEngine", "opening the file"));
    }
    sqlite3_busy_timeout(handle->db_, BusyTimeoutMs);
    // Reading the schema here makes a damaged or foreign file fail at Open, not at the first query.
    PreparedStatement(handle->db_, QStringLiteral("SELECT 1 FROM sqlite_schema LIMIT 0"));
    registerKeyFolding(handle->db_);
    return handle;
}

void DatabaseHandle::giveBack(std::unique_ptr<DatabaseHandle> handle)
{
    if (!handle || !handle->isIdle())
        return;
    const std::optional<FileIdentity> identity = identityOf(handle->nativePath_);
    if (!identity)
        return;
    handle->identity_ = *identity;
    std::unique_ptr<DatabaseHandle> oldest;  // closed outside the lock
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    if (p.handles.size() >= KeptHandles) {
        oldest = std::move(p.handles.front());
        p.handles.erase(p.handles.begin());
    }
    p.handles.push_back(std::move(handle));
}

bool DatabaseHandle::isIdle() const
{
    if (sqlite3_get_autocommit(db_) == 0)
        return false;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr); s != nullptr; s = sqlite3_next_stmt(db_, s)) {
        if (std::none_of(kept_.begin(), kept_.end(), [s](const KeptStatement& kept) { return kept.statement == s; }))
            return false;
    }
    return true;
}

sqlite3_stmt* DatabaseHandle::takeStatement(const QString& sql)
{
    const auto isIt = [&](const KeptStatement& kept) { return kept.sql == sql; };
    const auto found = std::find_if(kept_.begin(), kept_.end(), isIt);
    if (found == kept_.end())
        return nullptr;
    sqlite3_stmt* statement = found->statement;
    kept_.erase(found);
    return statement;
}

void DatabaseHandle::keepStatement(const QString& sql, sqlite3_stmt* statement)
{
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (kept_.size() >= KeptStatements) {
        sqlite3_finalize(kept_.front().statement);
        kept_.erase(kept_.begin());
    }
    kept_.push_back({sql, statement});
}

}  // namespace keysound::store
