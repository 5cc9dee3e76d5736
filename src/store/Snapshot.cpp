#include "store/Snapshot.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/StagedFile.h"
#include "store/Bounds.h"
#include "store/StoreText.h"
#include "store/legacy/LegacyFormat.h"
#include "store/legacy/LegacyImport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sqlite3.h>

namespace keysound::store {

namespace {

constexpr qint64 MiB = 1024 * 1024;
// A table another program writes to while it is copied is copied again, a few times at most.
constexpr int CopyAttempts = 3;

QString shortHash(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16));
}

// Two paths to one file (a link, "..") share its snapshot.
QString tableKey(const QString& nativePath)
{
    const QFileInfo file(nativePath);
    const QString canonical = file.canonicalFilePath();
    return shortHash(QFile::encodeName(canonical.isEmpty() ? file.absoluteFilePath() : canonical));
}

QString identityText(const FileIdentity& identity)
{
    return QStringLiteral("%1 %2 %3 %4.%5")
        .arg(identity.device)
        .arg(identity.inode)
        .arg(identity.size)
        .arg(identity.modifiedNs / 1000000000)
        .arg(identity.modifiedNs % 1000000000);
}

QString stateKey(const TableState& state)
{
    QString text = identityText(state.file);
    if (state.wal)
        text += QStringLiteral(" wal ") + identityText(*state.wal);
    return shortHash(text.toLatin1());
}

qint64 sizeOf(const TableState& state) { return state.file.size + (state.wal ? state.wal->size : 0); }

[[noreturn]] void throwNotMade(const QString& table, const QString& cacheFolder, const QString& why,
                               int number = ErrorNumber::FileAccess)
{
    throw Error(number, StoreText::tr("The table \"%1\" cannot be written, so keysound reads a copy of it, but "
                                      "the copy could not be made in \"%2\": %3")
                            .arg(QDir::toNativeSeparators(table), QDir::toNativeSeparators(cacheFolder), why));
}

[[noreturn]] void throwTooLarge(const QString& table, qint64 size)
{
    throw Error(ErrorNumber::TableRefused,
                StoreText::tr("The table \"%1\" cannot be written, so keysound would read a copy of it, "
                              "but at %2 MB it is larger than the %3 MB it copies. A key table is far "
                              "smaller; check where the file came from.")
                    .arg(QDir::toNativeSeparators(table))
                    .arg(size / MiB)
                    .arg(bounds::MaxSnapshotBytes / MiB));
}

void moveIntoPlace(const QString& staged, const QString& snapshot, const QString& table, const QString& cacheFolder)
{
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(snapshot).constData()) != 0)
        throwNotMade(table, cacheFolder, QString::fromLocal8Bit(std::strerror(errno)));
}

// Copies a file into an open one, within the bound of a snapshot: copied counts what the snapshot
// has taken so far.
void copyBounded(const QString& from, const QString& table, const QString& cacheFolder, qint64& copied,
                 const std::function<bool(const char*, qint64)>& write, const std::function<QString()>& writeError)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throwNotMade(table, cacheFolder, in.errorString());
    char buffer[64 * 1024];
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) > 0;) {
        copied += n;
        if (copied > bounds::MaxSnapshotBytes)
            throwTooLarge(table, copied);  // grown since it was measured
        if (!write(buffer, n))
            throwNotMade(table, cacheFolder, writeError());
    }
    if (in.error() != QFile::NoError)
        throwNotMade(table, cacheFolder, in.errorString());
}

// The engine itself writes the committed changes of the copied -wal file into the copied table
// file and ends WAL mode there, so that the snapshot is one file that holds them. The table file
// itself is only read: the engine runs on the copies in the cache folder.
void foldWalInto(const QString& staged, const QString& table, const QString& cacheFolder)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(staged).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        throwNotMade(table, cacheFolder, QString::fromUtf8(sqlite3_errstr(rc)));
}

// Whether the copy of the state succeeded; false when the table file or its -wal changed while
// they were copied, which a copy of both at different moments would not show.
bool copySqliteFile(const QString& table, const TableState& state, const QString& snapshot,
                    const QString& cacheFolder)
{
    platform::StagedFile out(snapshot + QStringLiteral(".part-XXXXXX"));
    if (!out.isOpen())
        throwNotMade(table, cacheFolder, out.errorString());
    qint64 copied = 0;
    copyBounded(table, table, cacheFolder, copied, [&](const char* data, qint64 n) { return out.write(data, n); },
                [&] { return out.errorString(); });
    if (!out.finish())
        throwNotMade(table, cacheFolder, out.errorString(), platform::fileErrorNumber(out.error()));
    const QString stagedWal = walPathOf(out.fileName());
    const auto removeEngineFiles = qScopeGuard([&] {
        QFile::remove(stagedWal);
        QFile::remove(out.fileName() + QStringLiteral("-shm"));
    });
    if (state.wal) {
        QFile wal(stagedWal);
        if (!wal.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throwNotMade(table, cacheFolder, wal.errorString());
        copyBounded(walPathOf(table), table, cacheFolder, copied,
                    [&](const char* data, qint64 n) { return wal.write(data, n) == n; }, [&] { return wal.errorString(); });
        if (!wal.flush())
            throwNotMade(table, cacheFolder, wal.errorString());
    }
    if (tableStateOf(table) != state)
        return false;
    if (state.wal)
        foldWalInto(out.fileName(), table, cacheFolder);
    moveIntoPlace(out.fileName(), snapshot, table, cacheFolder);
    out.keep();
    return true;
}

// The conversion reports a damaged or foreign file under the table's name, and a failure to write
// under the cache folder's.
void convertLegacyFile(const QString& table, const QString& snapshot, const QString& cacheFolder,
                       LegacyImportObserver* importObserver)
{
    const QString staged = snapshot + QStringLiteral(".part-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(staged);  // left by a process of the same number that ended half-way
    try {
        importLegacyDatabaseFile(table, staged, importObserver);
    } catch (const Error& error) {
        const QList<int> writing{ErrorNumber::FileAccess, ErrorNumber::DiskFull, ErrorNumber::ReadOnlyDatabase};
        if (!writing.contains(error.number()))
            throw;
        throwNotMade(table, cacheFolder, error.description());
    }
    moveIntoPlace(staged, snapshot, table, cacheFolder);
}

// Those of earlier states of the same table file, with what the engine made beside them.
void removeOlderSnapshots(const QString& cacheFolder, const QString& key, const QString& current)
{
    QDir cache(cacheFolder);
    const QString currentName = QFileInfo(current).fileName();
    const QString older = key + QStringLiteral("-*.sqlite");
    const QStringList patterns{older, older + QStringLiteral("-wal"), older + QStringLiteral("-shm")};
    for (const QString& name : cache.entryList(patterns, QDir::Files)) {
        if (!name.startsWith(currentName))
            cache.remove(name);
    }
}

}  // namespace

TableFile takeSnapshot(const QString& nativePath, LegacyImportObserver* importObserver)
{
    const DatabaseFormat format = detectDatabaseFormat(nativePath);  // throws for what is no file
    const bool jet = format == DatabaseFormat::Jet3 || format == DatabaseFormat::Jet4;
    const QString cacheFolder = platform::usersCacheFolder();
    for (int attempt = 1;; ++attempt) {
        const std::optional<TableState> state = tableStateOf(nativePath);
        if (!state || (format != DatabaseFormat::Sqlite3 && !jet))
            throwNotImportable(nativePath, state ? format : DatabaseFormat::Missing);
        if (sizeOf(*state) > bounds::MaxSnapshotBytes)
            throwTooLarge(nativePath, sizeOf(*state));
        if (!QDir().mkpath(cacheFolder))
            throwNotMade(nativePath, cacheFolder, QString::fromLocal8Bit(std::strerror(errno)));
        const QString key = tableKey(nativePath);
        const QString snapshot = QDir(cacheFolder).filePath(key + u'-' + stateKey(*state) + QStringLiteral(".sqlite"));
        if (!QFileInfo::exists(snapshot)) {
            if (jet) {
                convertLegacyFile(nativePath, snapshot, cacheFolder, importObserver);
            } else if (!copySqliteFile(nativePath, *state, snapshot, cacheFolder)) {
                if (attempt < CopyAttempts)
                    continue;
                throwNotMade(nativePath, cacheFolder,
                             StoreText::tr("the table was written to while it was copied; "
                                           "try again when it is not being changed"));
            }
            removeOlderSnapshots(cacheFolder, key, snapshot);
        }
        return {.path = nativePath,
                .openedPath = snapshot,
                .usersOwn = isUsersOwnTable(nativePath),
                .copiedFrom = state};
    }
}

}  // namespace keysound::store
