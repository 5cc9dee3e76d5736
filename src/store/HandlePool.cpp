#include "store/HandlePool.h"

#include "store/SqliteSupport.h"

#include <QFile>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <vector>

namespace keysound::store::handlepool {

namespace {

constexpr size_t capacity = 4;  // a key lookup's and the editor's, with room for a second folder

// Which file is at a path, and as it was written last: replacing or rewriting it changes this.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileState& other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

bool stateOf(const QString& nativePath, FileState& state)
{
    struct stat info {};
    if (stat(QFile::encodeName(nativePath).constData(), &info) != 0)
        return false;
    state = {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    return true;
}

struct Kept {
    QString nativePath;
    bool readOnly = false;
    FileState state;
    sqlite3* db = nullptr;
};

struct Pool {
    std::mutex mutex;
    std::vector<Kept> handles;
    ~Pool()
    {
        for (const Kept& kept : handles)
            closeHandle(kept.db);
    }
};

Pool& pool()
{
    static Pool instance;
    return instance;
}

bool isIdle(sqlite3* db)
{
    return sqlite3_get_autocommit(db) != 0 && hasOnlyKeptStatements(db);
}

}  // namespace

sqlite3* take(const QString& nativePath, bool readOnly)
{
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    for (auto it = p.handles.begin(); it != p.handles.end(); ++it) {
        if (it->nativePath != nativePath || it->readOnly != readOnly)
            continue;
        const Kept kept = *it;
        p.handles.erase(it);
        FileState now;
        if (stateOf(nativePath, now) && now == kept.state)
            return kept.db;
        closeHandle(kept.db);
        return nullptr;
    }
    return nullptr;
}

void give(const QString& nativePath, bool readOnly, sqlite3* db)
{
    if (db == nullptr)
        return;
    Kept kept{nativePath, readOnly, {}, db};
    if (!isIdle(db) || !stateOf(nativePath, kept.state)) {
        closeHandle(db);
        return;
    }
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    if (p.handles.size() >= capacity) {
        closeHandle(p.handles.front().db);
        p.handles.erase(p.handles.begin());
    }
    p.handles.push_back(kept);
}

}  // namespace keysound::store::handlepool
