#include "platform/FileServices.h"

#include "platform/Error.h"
#include "platform/PathText.h"
#include "platform/PlatformText.h"
#include "platform/StagedFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace keysound::platform {

bool isNormalFile(const QString& nativePath)
{
    if (nativePath.isEmpty())
        return false;
    const QFileInfo info(nativePath);
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

namespace {
[[noreturn]] void throwCopyError(const QFileInfo& source, const QFileInfo& destination, const QString& why)
{
    throw Error(
        ErrorNumber::FileAccess,
        PlatformText::tr("Cannot copy \"%1\" to \"%2\": %3.").arg(source.filePath(), destination.filePath(), why));
}

[[noreturn]] void throwCopyError(const QFileInfo& source, const QFileInfo& destination, int systemError)
{
    const QString why = QString::fromLocal8Bit(std::strerror(systemError));
    if (!isNoRoomError(systemError))
        throwCopyError(source, destination, why);
    throw Error(ErrorNumber::DiskFull,
                PlatformText::tr("There is no room on the disk to copy \"%1\" to \"%2\", so nothing was "
                                 "replaced. Free some space and try again. (%3)")
                    .arg(source.filePath(), destination.filePath(), why));
}

// A link planted at the destination is replaced, never followed, so only a regular file can
// already be the source or refuse to be replaced.
void checkRegularDestination(const QFileInfo& source, const QFileInfo& destination, bool& alreadyInPlace)
{
    alreadyInPlace = false;
    if (destination.isSymLink() || !destination.exists())
        return;
    alreadyInPlace = source.canonicalFilePath() == destination.canonicalFilePath();
    if (!alreadyInPlace && !destination.isWritable())
        throwCopyError(source, destination, PlatformText::tr("the destination file is read-only"));
}

void copyContent(QFile& in, StagedFile& out, const QFileInfo& source, const QFileInfo& destination)
{
    char buffer[64 * 1024];
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) > 0;) {
        if (!out.write(buffer, n))
            throwCopyError(source, destination, out.error());
    }
    if (in.error() != QFile::NoError)
        throwCopyError(source, destination, in.errorString());
    // What is still buffered may not fit: only a copy written out and synced is complete.
    if (!out.finish())
        throwCopyError(source, destination, out.error());
}
}  // namespace

void copyFileReplacing(const QString& sourcePathText, const QString& destinationPathText)
{
    const QFileInfo source(nativePath(sourcePathText));
    const QFileInfo destination(nativePath(destinationPathText));
    if (!source.isFile())
        throwCopyError(source, destination, PlatformText::tr("the source file does not exist"));
    bool alreadyInPlace = false;
    checkRegularDestination(source, destination, alreadyInPlace);
    if (alreadyInPlace)
        return;  // copying a file onto itself would only risk it

    QFile in(source.filePath());
    if (!in.open(QIODevice::ReadOnly))
        throwCopyError(source, destination, in.errorString());
    StagedFile out(destination.absolutePath() + QStringLiteral("/.keysound-XXXXXX"));
    if (!out.isOpen())
        throwCopyError(source, destination, out.error());
    copyContent(in, out, source, destination);
    // rename() replaces the destination's directory entry itself, a link included.
    if (std::rename(QFile::encodeName(out.fileName()).constData(),
                    QFile::encodeName(destination.filePath()).constData()) != 0)
        throwCopyError(source, destination, errno);
    out.keep();
}

}  // namespace keysound::platform
