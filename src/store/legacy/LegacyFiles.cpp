#include "store/legacy/LegacyFiles.h"

#include "platform/Error.h"
#include "platform/StagedFile.h"
#include "store/SchemaWriter.h"
#include "store/legacy/LegacyImportText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace keysound::store::legacyfiles {

namespace {

constexpr int StaleAfterSeconds = 60;

QString formatTag(DatabaseFormat format)
{
    return format == DatabaseFormat::Jet3 ? QStringLiteral("jet3") : QStringLiteral("jet4");
}

[[noreturn]] void throwCannotKeep(const QString& path, const QString& why, int number = ErrorNumber::FileAccess)
{
    throw Error(number, LegacyImportText::tr("Cannot keep a copy of the original file \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(path), why));
}

// The copy is written under a temporary name first, so that a backup name never holds half a
// file. It is as readable as the original, no more and no less.
void writeCopy(const QString& path, platform::StagedFile& copy)
{
    QFile original(path);
    if (!copy.isOpen())
        throwCannotKeep(path, copy.errorString(), platform::fileErrorNumber(copy.error()));
    if (!original.open(QIODevice::ReadOnly))
        throwCannotKeep(path, original.errorString());
    const QByteArray bytes = original.readAll();
    if (original.error() != QFile::NoError)
        throwCannotKeep(path, original.errorString());
    if (!copy.setPermissions(original.permissions()) || !copy.write(bytes.constData(), bytes.size()) || !copy.finish())
        throwCannotKeep(path, copy.errorString(), platform::fileErrorNumber(copy.error()));
}

}  // namespace

QString backupPath(const QString& nativeDbPath, DatabaseFormat format, int n)
{
    const QFileInfo info(nativeDbPath);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = QStringLiteral("%1.%2-original").arg(info.completeBaseName(), formatTag(format));
    const QString name = n == 1 ? stem + suffix : QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix);
    return info.dir().filePath(name);
}

QString keepOriginal(const QString& nativeDbPath, DatabaseFormat format)
{
    const QFileInfo info(nativeDbPath);
    platform::StagedFile copy(info.dir().filePath(QStringLiteral(".%1.original-XXXXXX").arg(info.fileName())));
    writeCopy(nativeDbPath, copy);
    for (int n = 1; n <= MaxBackupNames; ++n) {
        const QString backup = backupPath(nativeDbPath, format, n);
        if (!isNameTaken(backup) && moveIntoPlaceIfFree(copy.fileName(), backup)) {
            copy.keep();
            return backup;
        }
    }
    throwCannotKeep(nativeDbPath, LegacyImportText::tr("the backup names %1 to -%2 are all taken; "
                                                       "move the old backups away first")
                                      .arg(QDir::toNativeSeparators(backupPath(nativeDbPath, format, 1)))
                                      .arg(MaxBackupNames));
}

void removeStaleTemporaries(const QString& nativeDbPath)
{
    const QFileInfo info(nativeDbPath);
    const QRegularExpression ours(
        QStringLiteral("^\\.%1\\.(new|original)-[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(info.fileName())));
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-StaleAfterSeconds);
    const QFileInfoList candidates = info.dir().entryInfoList({QStringLiteral(".%1.*").arg(info.fileName())},
                                                              QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& candidate : candidates) {
        if (ours.match(candidate.fileName()).hasMatch() && candidate.lastModified().toUTC() < staleBefore)
            QFile::remove(candidate.filePath());
    }
}

}  // namespace keysound::store::legacyfiles
