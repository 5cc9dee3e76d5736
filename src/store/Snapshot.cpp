#include "store/Snapshot.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/StagedFile.h"
#include "store/Bounds.h"
#include "store/legacy/LegacyFormat.h"
#include "store/legacy/LegacyImport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace keysound::store {

namespace {

constexpr qint64 MiB = 1024 * 1024;

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

QString stateKey(const FileIdentity& identity)
{
    return shortHash(QStringLiteral("%1 %2 %3 %4.%5")
                         .arg(identity.device)
                         .arg(identity.inode)
                         .arg(identity.size)
                         .arg(identity.modifiedNs / 1000000000)
                         .arg(identity.modifiedNs % 1000000000)
                         .toLatin1());
}

[[noreturn]] void throwNotMade(const QString& table, const QString& cacheFolder, const QString& why)
{
    throw Error(ErrorNumber::FileAccess,
                QCoreApplication::translate("Snapshot",
                                            "The table \"%1\" cannot be written, so keysound reads a copy of it, but "
                                            "the copy could not be made in \"%2\": %3")
                    .arg(QDir::toNativeSeparators(table), QDir::toNativeSeparators(cacheFolder), why));
}

[[noreturn]] void throwTooLarge(const QString& table, qint64 size)
{
    throw Error(ErrorNumber::TableRefused,
                QCoreApplication::translate("Snapshot",
                                            "The table \"%1\" cannot be written, so keysound would read a copy of it, "
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

void copySqliteFile(const QString& table, const QString& snapshot, const QString& cacheFolder)
{
    QFile in(table);
    if (!in.open(QIODevice::ReadOnly))
        throwNotMade(table, cacheFolder, in.errorString());
    platform::StagedFile out(snapshot + QStringLiteral(".part-XXXXXX"));
    if (!out.isOpen())
        throwNotMade(table, cacheFolder, out.errorString());
    char buffer[64 * 1024];
    qint64 copied = 0;
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) > 0;) {
        copied += n;
        if (copied > bounds::MaxSnapshotBytes)
            throwTooLarge(table, copied);  // grown since it was measured
        if (!out.write(buffer, n))
            throwNotMade(table, cacheFolder, out.errorString());
    }
    if (in.error() != QFile::NoError)
        throwNotMade(table, cacheFolder, in.errorString());
    if (!out.finish())
        throwNotMade(table, cacheFolder, out.errorString());
    moveIntoPlace(out.fileName(), snapshot, table, cacheFolder);
    out.keep();
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
    const std::optional<FileIdentity> identity = identityOf(nativePath);
    const bool jet = format == DatabaseFormat::Jet3 || format == DatabaseFormat::Jet4;
    if (!identity || (format != DatabaseFormat::Sqlite3 && !jet))
        throwNotImportable(nativePath, identity ? format : DatabaseFormat::Missing);
    if (identity->size > bounds::MaxSnapshotBytes)
        throwTooLarge(nativePath, identity->size);

    const QString cacheFolder = platform::usersCacheFolder();
    if (!QDir().mkpath(cacheFolder))
        throwNotMade(nativePath, cacheFolder, QString::fromLocal8Bit(std::strerror(errno)));
    const QString key = tableKey(nativePath);
    const QString snapshot = QDir(cacheFolder).filePath(key + u'-' + stateKey(*identity) + QStringLiteral(".sqlite"));
    if (!QFileInfo::exists(snapshot)) {
        if (jet)
            convertLegacyFile(nativePath, snapshot, cacheFolder, importObserver);
        else
            copySqliteFile(nativePath, snapshot, cacheFolder);
        removeOlderSnapshots(cacheFolder, key, snapshot);
    }
    return {
        .path = nativePath, .openedPath = snapshot, .usersOwn = isUsersOwnTable(nativePath), .copiedFrom = identity};
}

}  // namespace keysound::store
