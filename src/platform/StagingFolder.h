#pragma once

#include <QString>

namespace keysound::platform {

// A hidden folder in which work is laid out before it moves into place: the first start's copy of
// the defaults, an unpack's sounds. While the object lives, the folder is locked (flock on the
// folder itself). A process that is killed loses its lock with it, so a later run of the same work
// finds the folder unlocked and removes it (removeAbandoned), while a folder of a run that goes on
// at the same time stays. The folder is removed when the object goes, unless it was moved into place.
class StagingFolder {
public:
    // A new folder <parent>/<prefix><six letters and digits>. Whether it could be made: isValid();
    // why not: errorString().
    StagingFolder(const QString& parent, const QString& prefix);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    bool isValid() const { return descriptor_ >= 0; }
    const QString& errorString() const { return error_; }
    const QString& path() const { return path_; }
    QString filePath(const QString& relative) const { return path_ + u'/' + relative; }

    // Renames the folder to destination (which must not exist); afterwards it is no longer removed.
    bool moveInto(const QString& destination);

    // Removes every <parent>/<prefix>* folder whose staging process has ended.
    static void removeAbandoned(const QString& parent, const QString& prefix);

private:
    bool makeLocked(const QString& parent, const QString& prefix);

    QString path_;
    QString error_;
    int descriptor_ = -1;
    bool moved_ = false;
};

}  // namespace keysound::platform
