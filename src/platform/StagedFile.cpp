#include "platform/StagedFile.h"

#include "platform/Error.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace keysound::platform {

namespace {

constexpr int NameAttempts = 100;
const QLatin1StringView Placeholder("XXXXXX");

QString randomName(const QString& nativeTemplate)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = nativeTemplate;
    const qsizetype start = name.size() - Placeholder.size();
    for (qsizetype i = start; i < name.size(); ++i)
        name[i] = QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return name;
}

}  // namespace

StagedFile::StagedFile(const QString& nativeTemplate)
{
    Q_ASSERT(nativeTemplate.endsWith(Placeholder));
    for (int attempt = 0; attempt < NameAttempts && descriptor_ < 0; ++attempt) {
        path_ = randomName(nativeTemplate);
        // 0666: the umask (or a default ACL) decides, as for any file a program creates.
        descriptor_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ < 0 && errno != EEXIST)
            break;
    }
    if (descriptor_ < 0) {
        fail(errno);
        path_.clear();  // nothing of ours to remove
        return;
    }
    file_.setFileName(path_);
    if (!file_.open(descriptor_, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        fail(EIO);
}

StagedFile::~StagedFile()
{
    file_.close();
    if (descriptor_ >= 0)
        ::close(descriptor_);
    if (!kept_ && !path_.isEmpty())
        ::unlink(QFile::encodeName(path_).constData());
}

bool StagedFile::setPermissions(QFileDevice::Permissions permissions)
{
    // clang-format off
    static constexpr std::pair<QFileDevice::Permission, mode_t> kBits[] = {
        {QFileDevice::ReadOwner, S_IRUSR}, {QFileDevice::WriteOwner, S_IWUSR}, {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP}, {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH}, {QFileDevice::WriteOther, S_IWOTH}, {QFileDevice::ExeOther, S_IXOTH}};
    // clang-format on
    mode_t mode = 0;
    for (const auto& [permission, bit] : kBits)
        mode |= permissions.testFlag(permission) ? bit : 0;
    return ::fchmod(descriptor_, mode) == 0 || fail(errno);
}

bool StagedFile::write(const char* data, qint64 size)
{
    errno = 0;
    return file_.write(data, size) == size || fail(errno);
}

bool StagedFile::finish()
{
    errno = 0;
    if (!file_.flush())
        return fail(errno);
    file_.close();
    if (::fsync(descriptor_) != 0)
        return fail(errno);
    const int descriptor = std::exchange(descriptor_, -1);
    return ::close(descriptor) == 0 || fail(errno);
}

QString StagedFile::errorString() const { return QString::fromLocal8Bit(std::strerror(error_)); }

bool StagedFile::fail(int systemError)
{
    error_ = systemError != 0 ? systemError : EIO;  // a failure without a reason is still one
    return false;
}

bool isNoRoomError(int systemError) { return systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG; }

int fileErrorNumber(int systemError)
{
    return isNoRoomError(systemError) ? ErrorNumber::DiskFull : ErrorNumber::FileAccess;
}

}  // namespace keysound::platform
