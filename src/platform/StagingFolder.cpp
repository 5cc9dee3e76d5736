#include "platform/StagingFolder.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keysound::platform {

namespace {

constexpr int Attempts = 100;

int openFolder(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
}

bool lockWithoutWaiting(int descriptor) { return ::flock(descriptor, LOCK_EX | LOCK_NB) == 0; }

// Whether the folder at path is still the one the descriptor holds: a run that removes abandoned
// folders may have taken this one between its making and its locking.
bool isStill(const QString& path, int descriptor)
{
    struct stat atPath{}, held{};
    return ::stat(QFile::encodeName(path).constData(), &atPath) == 0 && ::fstat(descriptor, &held) == 0 &&
           atPath.st_dev == held.st_dev && atPath.st_ino == held.st_ino;
}

}  // namespace

StagingFolder::StagingFolder(const QString& parent, const QString& prefix)
{
    for (int attempt = 0; attempt < Attempts && !isValid(); ++attempt) {
        if (!makeLocked(parent, prefix))
            return;
    }
}

bool StagingFolder::makeLocked(const QString& parent, const QString& prefix)
{
    QByteArray name = QFile::encodeName(QDir(parent).filePath(prefix + QStringLiteral("XXXXXX")));
    if (!::mkdtemp(name.data())) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    path_ = QFile::decodeName(name);
    const int descriptor = openFolder(path_);
    if (descriptor >= 0 && lockWithoutWaiting(descriptor) && isStill(path_, descriptor)) {
        descriptor_ = descriptor;
        return true;
    }
    if (descriptor >= 0)
        ::close(descriptor);
    return true;  // taken away meanwhile: another name
}

StagingFolder::~StagingFolder()
{
    if (isValid() && !moved_)
        QDir(path_).removeRecursively();
    if (descriptor_ >= 0)
        ::close(descriptor_);  // the lock goes with it
}

bool StagingFolder::moveInto(const QString& destination)
{
    if (std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(destination).constData()) != 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    moved_ = true;
    return true;
}

void StagingFolder::removeAbandoned(const QString& parent, const QString& prefix)
{
    const QDir folder(parent);
    const QStringList names =
        folder.entryList({prefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        const int descriptor = openFolder(path);
        if (descriptor < 0)
            continue;
        if (lockWithoutWaiting(descriptor))
            QDir(path).removeRecursively();
        ::close(descriptor);
    }
}

}  // namespace keysound::platform
