#include "OutputFile.h"

#include "DbToolText.h"
#include "platform/Error.h"
#include "platform/StagedFile.h"
#include "store/SchemaWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace keysound::tools {

namespace {

[[noreturn]] void throwWriteError(const QString& path, int systemError)
{
    throw Error(platform::fileErrorNumber(systemError),
                DbToolText::tr("Cannot write \"%1\": %2.")
                    .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(systemError))));
}

// The system error of a failed write, or 0 once every byte is out.
int writeAll(int descriptor, const QByteArray& content)
{
    for (qsizetype done = 0; done < content.size();) {
        const ssize_t n = ::write(descriptor, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno != EINTR)
            return errno;
        done += std::max<ssize_t>(n, 0);
    }
    return 0;
}

// The system error of a failed write or close, or 0.
int writeAndClose(int descriptor, const QByteArray& content)
{
    const int failure = writeAll(descriptor, content);
    if (::close(descriptor) != 0 && failure == 0)
        return errno;
    return failure;
}

// A device or a FIFO holds nothing to replace: the bytes go straight to it.
void writeDirectly(const QString& path, const QByteArray& content)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        throwWriteError(path, errno);
    if (const int failure = writeAndClose(descriptor, content))
        throwWriteError(path, failure);
}

void writeStaged(const QString& path, const QByteArray& content, bool replace)
{
    const QFileInfo named(path);
    // Through a link, the file it names is the one replaced.
    const QFileInfo target(named.exists() ? named.canonicalFilePath() : named.absoluteFilePath());
    platform::StagedFile staged(target.dir().filePath(QStringLiteral(".%1.new-XXXXXX").arg(target.fileName())));
    if (!staged.isOpen())
        throwWriteError(path, staged.error());
    if (target.exists() && !staged.setPermissions(target.permissions()))
        throwWriteError(path, staged.error());
    if (!staged.write(content.constData(), content.size()) || !staged.finish())
        throwWriteError(path, staged.error());
    const QByteArray from = QFile::encodeName(staged.fileName());
    if (replace && std::rename(from.constData(), QFile::encodeName(target.filePath()).constData()) != 0)
        throwWriteError(path, errno);
    if (!replace && !store::moveIntoPlaceIfFree(staged.fileName(), target.filePath()))
        throw existingFileError(path);
    staged.keep();
}

}  // namespace

Error existingFileError(const QString& path)
{
    return Error(
        ErrorNumber::FileAccess,
        DbToolText::tr("\"%1\" already exists; use --force to replace it.").arg(QDir::toNativeSeparators(path)));
}

void writeOutputFile(const QString& path, const QByteArray& content, bool replace)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        writeDirectly(path, content);
    else
        writeStaged(path, content, replace);
}

void writeStandardOutput(const QByteArray& content)
{
    if (const int failure = writeAndClose(STDOUT_FILENO, content))
        throw Error(
            platform::fileErrorNumber(failure),
            DbToolText::tr("Cannot write to standard output: %1.").arg(QString::fromLocal8Bit(std::strerror(failure))));
}

}  // namespace keysound::tools
