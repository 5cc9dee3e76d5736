#include "platform/FileServices.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace keysound::platform {

bool isNormalFile(const QString& pathText)
{
    if (pathText.isEmpty())
        return false;
    const QFileInfo info(nativePath(pathText));
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

namespace {
[[noreturn]] void throwCopyError(const QString& source, const QString& destination, const QString& why)
{
    throw Error(ErrorNumber::FileAccess,
                QStringLiteral("Could not copy \"%1\" to \"%2\": %3.").arg(source, destination, why));
}
}  // namespace

void copyFileReplacing(const QString& sourcePathText, const QString& destinationPathText)
{
    const QFileInfo source(nativePath(sourcePathText));
    const QFileInfo destination(nativePath(destinationPathText));
    if (!source.isFile())
        throwCopyError(sourcePathText, destinationPathText, QStringLiteral("the source file does not exist"));
    if (destination.exists() && source.canonicalFilePath() == destination.canonicalFilePath())
        return;  // already in place: copying a file onto itself would only risk it

    QFile in(source.filePath());
    if (!in.open(QIODevice::ReadOnly))
        throwCopyError(sourcePathText, destinationPathText, in.errorString());
    QSaveFile out(destination.filePath());
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        throwCopyError(sourcePathText, destinationPathText, out.errorString());
    char buffer[64 * 1024];
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) > 0;) {
        if (out.write(buffer, n) != n)
            throwCopyError(sourcePathText, destinationPathText, out.errorString());
    }
    if (in.error() != QFile::NoError)
        throwCopyError(sourcePathText, destinationPathText, in.errorString());
    if (!out.commit())
        throwCopyError(sourcePathText, destinationPathText, out.errorString());
}

}  // namespace keysound::platform
