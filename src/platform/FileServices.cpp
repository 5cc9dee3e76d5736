#include "platform/FileServices.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace keysound::platform {

bool isNormalFile(const QString& pathText)
{
    if (pathText.isEmpty())
        return false;
    const QFileInfo info(nativePath(pathText));
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

namespace {
[[noreturn]] void throwCopyError(const QFileInfo& source, const QFileInfo& destination, const QString& why)
{
    throw Error(ErrorNumber::FileAccess,
                QStringLiteral("无法把“%1”复制到“%2”：%3。").arg(source.filePath(), destination.filePath(), why));
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
        throwCopyError(source, destination, QStringLiteral("目标文件只读"));
}

void copyContent(QFile& in, QFile& out, const QFileInfo& source, const QFileInfo& destination)
{
    char buffer[64 * 1024];
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) > 0;) {
        if (out.write(buffer, n) != n)
            throwCopyError(source, destination, out.errorString());
    }
    if (in.error() != QFile::NoError)
        throwCopyError(source, destination, in.errorString());
    if (!out.flush())
        throwCopyError(source, destination, out.errorString());
}
}  // namespace

void copyFileReplacing(const QString& sourcePathText, const QString& destinationPathText)
{
    const QFileInfo source(nativePath(sourcePathText));
    const QFileInfo destination(nativePath(destinationPathText));
    if (!source.isFile())
        throwCopyError(source, destination, QStringLiteral("源文件不存在"));
    bool alreadyInPlace = false;
    checkRegularDestination(source, destination, alreadyInPlace);
    if (alreadyInPlace)
        return;  // copying a file onto itself would only risk it

    QFile in(source.filePath());
    if (!in.open(QIODevice::ReadOnly))
        throwCopyError(source, destination, in.errorString());
    QTemporaryFile out(destination.absolutePath() + QStringLiteral("/.keysound-XXXXXX"));
    if (!out.open())
        throwCopyError(source, destination, out.errorString());
    copyContent(in, out, source, destination);
    out.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // rename() replaces the destination's directory entry itself, a link included.
    if (std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(destination.filePath()).constData()) != 0)
        throwCopyError(source, destination, QString::fromLocal8Bit(std::strerror(errno)));
    out.setAutoRemove(false);
}

}  // namespace keysound::platform
