#include "store/DatabaseHandle.h"

#include "platform/Error.h"
#include "store/Bounds.h"
#include "store/EngineError.h"
#include "store/KeyFolding.h"
#include "store/StoreText.h"

#include <QDir>
#include <algorithm>
#include <mutex>
#include <sqlite3.h>

namespace keysound::store {

namespace {

constexpr int BusyTimeoutMs = 1000;
constexpr size_t KeptHandles = 4;     // a key lookup's and the editor's, with room for a second folder
constexpr size_t KeptStatements = 8;  // per handle: the lookup's selects, the editor's
// The engine asks the clock every this many steps of a statement's program: some microseconds
// apart, and never for a key's lookup of an ordinary table, which takes fewer.
constexpr int StepsBetweenClockChecks = 1000;

struct EngineLimit {
    int id;
    int value;
};
constexpr EngineLimit EngineLimits[] = {
    {SQLITE_LIMIT_LENGTH, bounds::MaxValueBytes},
    {SQLITE_LIMIT_SQL_LENGTH, bounds::MaxStatementBytes},
    {SQLITE_LIMIT_COLUMN, bounds::MaxColumns},
    {SQLITE_LIMIT_EXPR_DEPTH, bounds::MaxExpressionDepth},
    {SQLITE_LIMIT_COMPOUND_SELECT, bounds::MaxCompoundSelectTerms},
    {SQLITE_LIMIT_VDBE_OP, bounds::MaxProgramSteps},
    {SQLITE_LIMIT_FUNCTION_ARG, bounds::MaxFunctionArguments},
    {SQLITE_LIMIT_ATTACHED, 0},
    {SQLITE_LIMIT_LIKE_PATTERN_LENGTH, bounds::MaxLikePatternBytes},
    {SQLITE_LIMIT_VARIABLE_NUMBER, bounds::MaxParameters},
    {SQLITE_LIMIT_TRIGGER_DEPTH, bounds::MaxTriggerDepth},
    {SQLITE_LIMIT_WORKER_THREADS, 0},
};

QString tableFileText(const QString& nativePath) { return QDir::toNativeSeparators(nativePath); }

struct Pool {
    std::mutex mutex;
    std::vector<std::unique_ptr<DatabaseHandle>> handles;  // oldest first
};

Pool& pool()
{
    static Pool instance;  // SQLite handles kept for every connection of the process, on any thread
    return instance;
}

}  // namespace

DatabaseHandle::DatabaseHandle(TableFile table, bool readOnly)
    : table_(std::move(table))
    , readOnly_(readOnly)
    , clock_(bounds::OpeningTime)
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
            return handle->table_.path == nativePath && handle->readOnly_ == readOnly;
        });
        if (found == p.handles.end())
            return nullptr;
        taken = std::move(*found);
        p.handles.erase(found);
    }
    const bool unchanged = taken->table_.isSnapshot() ? taken->readsCurrentFile()
                                                      : identityOf(nativePath) == taken->identity_;
    if (!unchanged)
        return nullptr;  // replaced or written by someone else meanwhile: closed
    taken->clock_.setLimit(bounds::WholeTableTime);
    return taken;
}

std::unique_ptr<DatabaseHandle> DatabaseHandle::open(const TableFile& table, bool readOnly)
{
    std::unique_ptr<DatabaseHandle> handle(new DatabaseHandle(table, readOnly));
    const bool writable = !readOnly && !table.isSnapshot();
    const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(table.openedPath.toUtf8().constData(), &handle->db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (!handle->db_)
            throw Error(ErrorNumber::FileAccess,
                        StoreText::tr("Cannot open \"%1\": there is not enough memory.").arg(table.path));
        throw handle->error(rc, StoreText::tr("opening the file"));
    }
    handle->applyDefences();
    sqlite3_busy_timeout(handle->db_, BusyTimeoutMs);
    registerKeyFolding(handle->db_);
    if (!table.isSnapshot())
        handle->identity_ = identityOf(table.path).value_or(FileIdentity{});
    return handle;
}

// As the engine's authors advise for database files from elsewhere; set once per handle, so a
// key's lookup on a kept handle costs nothing more.
void DatabaseHandle::applyDefences()
{
    const std::pair<int, int> switches[] = {
        {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
        {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0},
        // Refused below when the file has any on Config; off also for those it hides from that check.
        {SQLITE_DBCONFIG_ENABLE_TRIGGER, table_.usersOwn ? 1 : 0},
    };
    for (const auto& [option, value] : switches) {
        const int rc = sqlite3_db_config(db_, option, value, nullptr);
        if (rc != SQLITE_OK)
            throw error(rc, StoreText::tr("switching on the engine's defences for files from elsewhere"));
    }
    for (const EngineLimit& limit : EngineLimits)
        sqlite3_limit(db_, limit.id, limit.value);
    sqlite3_progress_handler(db_, StepsBetweenClockChecks, &DatabaseHandle::onProgress, this);
    const QString pragmas = QStringLiteral("PRAGMA cell_size_check = ON; PRAGMA mmap_size = 0; "
                                           "PRAGMA cache_size = -%1; PRAGMA temp_store = FILE;")
                                .arg(bounds::PageCacheKiB);
    int rc = SQLITE_OK;
    {
        const StatementClock::Run run(clock_);
        rc = sqlite3_exec(db_, pragmas.toLatin1().constData(), nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK)
        throw error(rc, statementAction(pragmas));
}

// A file put in the table file's place by rename (as sync tools do) is another inode.
static bool isSameFile(const std::optional<FileIdentity>& a, const FileIdentity& b)
{
    return a && a->device == b.device && a->inode == b.inode;
}

bool DatabaseHandle::readsCurrentFile() const
{
    if (table_.isSnapshot())
        return tableStateOf(table_.path) == table_.copiedFrom;
    return isSameFile(identityOf(table_.path), identity_);
}

bool DatabaseHandle::engineOpenedReadOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

int DatabaseHandle::onProgress(void* handle)
{
    // Non-zero: the engine stops the statement with SQLITE_INTERRUPT.
    return static_cast<DatabaseHandle*>(handle)->clock_.expired() ? 1 : 0;
}

Error DatabaseHandle::error(int resultCode, const QString& action) const
{
    if ((resultCode & 0xff) != SQLITE_INTERRUPT || !clock_.stoppedWork())
        return engineError(db_, resultCode, action, path());
    return Error(ErrorNumber::TimeLimitExceeded,
                 StoreText::tr("Working on the table file \"%1\" took longer than the %2 ms it may take, so "
                               "it was stopped (%3). The file holds far more than a key table, or work made "
                               "to keep keysound busy.")
                     .arg(tableFileText(path()))
                     .arg(clock_.limit().count())
                     .arg(action));
}

void DatabaseHandle::giveBack(std::unique_ptr<DatabaseHandle> handle)
{
    if (!handle || !handle->isIdle())
        return;
    if (!handle->table_.isSnapshot()) {  // a snapshot keeps the state of what it copied
        const std::optional<FileIdentity> identity = identityOf(handle->table_.path);
        if (!isSameFile(identity, handle->identity_))
            return;  // gone or replaced: the handle reads a file no longer there
        handle->identity_ = *identity;
    }
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
