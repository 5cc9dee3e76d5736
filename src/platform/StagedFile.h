#pragma once

#include <QFile>
#include <QString>

namespace keysound::platform {

// A file written under a name of its own beside the file it is to become, and renamed over it
// only once complete, so that a failure never leaves half a file under the final name.
//
// It is created as any new file is (0666 less the umask, or the folder's default ACL), not with
// the owner-only mode of a temporary file: once in place, everyone who shares the folder must be
// able to read it. The file is removed when the object goes, unless keep() was called.
class StagedFile {
public:
    // nativeTemplate ends in "XXXXXX", which is replaced by random letters and digits. Whether
    // the file could be created: isOpen(); why not: error().
    explicit StagedFile(const QString& nativeTemplate);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool isOpen() const { return file_.isOpen(); }
    const QString& fileName() const { return path_; }
    bool setPermissions(QFileDevice::Permissions permissions);

    // Buffered: a failure may show only at finish(). False on failure.
    bool write(const char* data, qint64 size);
    // Writes out the buffer, syncs the file to the disk and closes it. Only when this succeeds is
    // the content complete; false on failure.
    bool finish();
    // The file was renamed into place: it stays.
    void keep() { kept_ = true; }

    // The system's error number of the last failure (errno), 0 when there was none, and its text.
    int error() const { return error_; }
    QString errorString() const;

private:
    bool fail(int systemError);

    QString path_;
    int descriptor_ = -1;
    QFile file_;
    int error_ = 0;
    bool kept_ = false;
};

// The error number for a failed file operation: ErrorNumber::DiskFull when there was no room
// (a full disk, a used-up quota, the file-size limit), else ErrorNumber::FileAccess.
int fileErrorNumber(int systemError);
bool isNoRoomError(int systemError);

}  // namespace keysound::platform
