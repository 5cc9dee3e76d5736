#include "speech/SoundFileWriter.h"

#include "platform/Error.h"
#include "speech/SpeechText.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace keysound::speech {

namespace {

[[noreturn]] void throwWriteFailure(const QString& path, const QString& why)
{
    throw Error(ErrorNumber::FileAccess,
                SpeechText::tr("The sound file \"%1\" could not be written: %2.").arg(path, why));
}

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// A hidden name of its own beside the destination, so that the rename stays in one file system.
QString temporaryPathBeside(const QFileInfo& destination)
{
    return destination.absolutePath() + QStringLiteral("/.%1.%2.part")
                                            .arg(destination.fileName())
                                            .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// QFile creates a new file with mode 0666 less the umask, unlike QTemporaryFile's 0600. The data
// reaches the disk before the rename, so that a crash cannot leave an empty file under the name.
void writeNewFile(const QString& temporaryPath, const QString& path, const QByteArray& bytes)
{
    QFile file(temporaryPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throwWriteFailure(path, file.errorString());
    QString failure;
    if (file.write(bytes) != bytes.size() || !file.flush())
        failure = file.errorString();
    else if (::fsync(file.handle()) != 0)
        failure = systemError();
    if (!failure.isEmpty()) {
        file.remove();
        throwWriteFailure(path, failure);
    }
}

// Only the file system can tell atomically whether the name is taken; where it cannot rename
// without replacing (some network file systems), a hard link fails the same way.
bool renameWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL || ::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());  // the file is in place; a temporary name left behind is only untidy
    return true;
}

}  // namespace

WriteOutcome writeSoundFile(const QString& path, const QByteArray& bytes, ExistingFile existing)
{
    const QFileInfo destination(path);
    const QString temporaryPath = temporaryPathBeside(destination);
    writeNewFile(temporaryPath, path, bytes);
    const QByteArray from = QFile::encodeName(temporaryPath);
    const QByteArray to = QFile::encodeName(path);
    const bool renamed = existing == ExistingFile::Replace ? std::rename(from.constData(), to.constData()) == 0
                                                           : renameWithoutReplacing(from, to);
    if (renamed)
        return WriteOutcome::Written;
    const int failure = errno;
    QFile::remove(temporaryPath);
    if (failure == EEXIST && existing == ExistingFile::Keep)
        return WriteOutcome::KeptExisting;
    errno = failure;
    throwWriteFailure(path, systemError());
}

}  // namespace keysound::speech
