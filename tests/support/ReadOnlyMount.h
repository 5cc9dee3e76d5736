#pragma once

#include <QString>

namespace keysound::test {

// Makes a folder read-only for the calling thread, as a read-only network share is: a read-only
// bind mount over it, in a mount namespace of the thread's own, so nothing outside the test sees
// it. Permission bits would not do: the tests run as root, whom they do not stop. keepWritable
// names a file inside that stays writable (a bind mount of its own): a writable file in a
// read-only folder. ok() is false where mounting is not allowed (no CAP_SYS_ADMIN).
class ReadOnlyMount {
public:
    explicit ReadOnlyMount(const QString& folder, const QString& keepWritable = QString());
    ~ReadOnlyMount();
    ReadOnlyMount(const ReadOnlyMount&) = delete;
    ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;

    bool ok() const { return ok_; }

private:
    QByteArray folder_, writableFile_;
    bool folderMounted_ = false, fileMounted_ = false, ok_ = false;
};

}  // namespace keysound::test
