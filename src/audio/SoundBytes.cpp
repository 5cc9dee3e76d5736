#include "audio/SoundBytes.h"

#include <QFile>
#include <QHashFunctions>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keysound::audio {

QByteArray SoundBytes::read(qint64 offset, qint64 length) const
{
    QByteArray bytes(qsizetype(std::max<qint64>(length, 0)), Qt::Uninitialized);
    bytes.truncate(qsizetype(readAt(offset, bytes.data(), bytes.size())));
    return bytes;
}

std::shared_ptr<SoundFile> SoundFile::open(const QString& nativePath, Refusal* refusal)
{
    Refusal ignored;
    Refusal& why = refusal ? *refusal : ignored;
    // Non-blocking, so that a FIFO is opened (and refused below) instead of waited on.
    const int fd = ::open(QFile::encodeName(nativePath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = errno == ENOENT || errno == ENOTDIR ? Refusal::Missing : Refusal::Unreadable;
        return nullptr;
    }
    std::shared_ptr<SoundFile> file = adopt(fd);
    if (!file)
        why = Refusal::NotAFile;
    return file;
}

std::shared_ptr<SoundFile> SoundFile::adopt(int descriptor)
{
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::shared_ptr<SoundFile>(new SoundFile(descriptor, platform::identityOf(info)));
}

SoundFile::SoundFile(int descriptor, const FileIdentity& identity)
    : descriptor_(descriptor)
    , identity_(identity)
{}

SoundFile::~SoundFile() { ::close(descriptor_); }

qint64 SoundFile::readAt(qint64 offset, char* into, qint64 length) const
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(descriptor_, into + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

qint64 MemoryBytes::readAt(qint64 offset, char* into, qint64 length) const
{
    if (offset < 0 || offset >= bytes_.size() || length <= 0)
        return 0;
    const qint64 n = std::min<qint64>(length, bytes_.size() - offset);
    std::memcpy(into, bytes_.constData() + offset, size_t(n));
    return n;
}

}  // namespace keysound::audio
