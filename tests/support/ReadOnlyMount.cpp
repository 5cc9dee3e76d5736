#include "ReadOnlyMount.h"

#include <QDir>
#include <QFile>
#include <sched.h>
#include <sys/mount.h>

namespace keysound::test {

namespace {
// Once per thread: the namespace stays, the mounts in it come and go.
bool inPrivateMountNamespace()
{
    thread_local const bool made =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return made;
}

bool bindMount(const QByteArray& path, unsigned long flags)
{
    return ::mount(path.constData(), path.constData(), nullptr, MS_BIND | flags, nullptr) == 0;
}
}  // namespace

ReadOnlyMount::ReadOnlyMount(const QString& folder, const QString& keepWritable)
    : folder_(QFile::encodeName(folder))
{
    if (!inPrivateMountNamespace())
        return;
    if (!keepWritable.isEmpty()) {
        writableFile_ = QFile::encodeName(QDir(folder).filePath(keepWritable));
        fileMounted_ = bindMount(writableFile_, 0);
        if (!fileMounted_)
            return;
    }
    // Recursive, so that the file's own mount comes along; the remount makes only the folder's read-only.
    folderMounted_ = bindMount(folder_, MS_REC);
    ok_ = folderMounted_ &&
          ::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

ReadOnlyMount::~ReadOnlyMount()
{
    if (folderMounted_)
        ::umount2(folder_.constData(), MNT_DETACH);
    if (fileMounted_)
        ::umount2(writableFile_.constData(), MNT_DETACH);
}

}  // namespace keysound::test
