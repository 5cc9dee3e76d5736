#pragma once

#include <QString>
#include <utility>

namespace keysound::platform {

// A table folder: the database file db1.mdb and the sound folder MP3 in it. Every path to them
// is built here. The program keeps Windows-style path texts ("<folder>\MP3\a.mp3", see
// nativePath()); the native forms are for where the file system is touched.
class TableFolder {
public:
    static inline const QString DatabaseFileName = QStringLiteral("db1.mdb");
    static inline const QString SoundFolderName = QStringLiteral("MP3");

    // folder: as appFolder() or a command line gives it, native or path text.
    explicit TableFolder(QString folder)
        : folder_(std::move(folder))
    {}

    const QString& path() const { return folder_; }

    QString databasePathText() const;                        // <folder>\db1.mdb
    QString databaseNativePath() const;
    QString soundFolderPathText() const;                     // <folder>\MP3\ (with the separator)
    QString soundFolderNativePath() const;                   // <folder>/MP3
    QString soundPathText(const QString& fileName) const;    // <folder>\MP3\<fileName>
    QString soundNativePath(const QString& fileName) const;

private:
    QString inFolder(const QString& pathText) const;  // <folder>\<pathText>, one separator between

    QString folder_;
};

}  // namespace keysound::platform
