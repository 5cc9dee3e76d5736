#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace keysound::pack {

// Decides the name each incoming sound gets in the sound folder: its own name when that is free
// or already holds the same bytes, else the first such "name-2.ext", "name-3.ext", ... A name is
// free when nothing at all is there (not even a dangling link), no row that stays in the table
// names it and no other incoming sound got it; names compare ignoring letter case.
class SoundNaming {
public:
    SoundNaming(QString soundFolder, const QStringList& pathsRowsUse);

    struct Choice {
        QString path;        // below the sound folder, '/' separators
        bool reuse = false;  // the file there has the same bytes already
    };
    // Throws keysound::Error when a folder part of the path is a file in the sound folder.
    Choice choose(const QString& path, const QString& incomingFile);

private:
    void checkFolders(const QString& path) const;

    QString soundFolder_;  // native
    QSet<QString> taken_;  // folded
};

// Moves incoming sounds into the sound folder, each under a name that nothing uses, making the
// folders they need; until keep(), destroying it takes out again what it put in (files, then
// folders, newest first). It never replaces or removes a file it did not put there itself.
class SoundPlacement {
public:
    explicit SoundPlacement(QString soundFolder);
    ~SoundPlacement();
    SoundPlacement(const SoundPlacement&) = delete;
    SoundPlacement& operator=(const SoundPlacement&) = delete;

    void place(const QString& incomingFile, const QString& path);  // throws keysound::Error
    void keep() { kept_ = true; }

private:
    void makeFolders(const QString& path);

    QString soundFolder_;
    QStringList placedFiles_;
    QStringList madeFolders_;
    bool kept_ = false;
};

// "sub/x.mp3", 2 -> "sub/x-2.mp3"
QString numberedPath(const QString& path, int number);

}  // namespace keysound::pack
