#include "SoundPlacement.h"

#include "PackFormat.h"
#include "PackText.h"
#include "platform/Error.h"
#include "store/SchemaWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace keysound::pack {

namespace {

bool haveSameBytes(const QString& existing, const QString& incoming)
{
    const QFileInfo info(existing);
    if (!info.isFile() || info.size() != QFileInfo(incoming).size())
        return false;
    QFile a(existing);
    QFile b(incoming);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return false;
    while (!a.atEnd()) {
        if (a.read(64 * 1024) != b.read(64 * 1024))
            return false;
    }
    return true;
}

[[noreturn]] void failToPlace(const QString& path, const QString& why)
{
    throw Error(ErrorNumber::FileAccess, PackText::tr("Cannot put the sound \"%1\" into place: %2.").arg(path, why));
}

}  // namespace

QString numberedPath(const QString& path, int number)
{
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= nameStart)
        dot = path.size();  // no extension; a leading dot starts a name, not an extension
    return path.left(dot) + QStringLiteral("-%1").arg(number) + path.mid(dot);
}

SoundNaming::SoundNaming(QString soundFolder, const QStringList& pathsRowsUse)
    : soundFolder_(std::move(soundFolder))
{
    for (const QString& path : pathsRowsUse)
        taken_.insert(comparedName(path));
}

SoundNaming::Choice SoundNaming::choose(const QString& path, const QString& incomingFile)
{
    checkFolders(path);
    for (int number = 1;; ++number) {
        const QString candidate = number == 1 ? path : numberedPath(path, number);
        const QString native = QDir(soundFolder_).filePath(candidate);
        const bool reuse = haveSameBytes(native, incomingFile);
        if (!reuse && (taken_.contains(comparedName(candidate)) || store::isNameTaken(native)))
            continue;
        taken_.insert(comparedName(candidate));
        return {.path = candidate, .reuse = reuse};
    }
}

void SoundNaming::checkFolders(const QString& path) const
{
    QString folder = soundFolder_;
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        folder += u'/' + parts.at(i);
        if (store::isNameTaken(folder) && !QFileInfo(folder).isDir())
            failToPlace(path,
                        PackText::tr("\"%1\" is there already and is no folder").arg(QDir::toNativeSeparators(folder)));
    }
}

SoundPlacement::SoundPlacement(QString soundFolder)
    : soundFolder_(std::move(soundFolder))
{}

SoundPlacement::~SoundPlacement()
{
    if (kept_)
        return;
    for (auto file = placedFiles_.crbegin(); file != placedFiles_.crend(); ++file)
        QFile::remove(*file);
    for (auto folder = madeFolders_.crbegin(); folder != madeFolders_.crend(); ++folder)
        QDir().rmdir(*folder);
}

void SoundPlacement::place(const QString& incomingFile, const QString& path)
{
    makeFolders(path);
    const QString destination = QDir(soundFolder_).filePath(path);
    if (!store::moveIntoPlaceIfFree(incomingFile, destination))
        failToPlace(path, PackText::tr("another file took its name meanwhile"));
    placedFiles_.append(destination);
}

void SoundPlacement::makeFolders(const QString& path)
{
    QString folder = soundFolder_;
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        folder += u'/' + parts.at(i);
        if (QFileInfo(folder).isDir())
            continue;
        if (!QDir().mkdir(folder))
            failToPlace(path, PackText::tr("cannot make the folder \"%1\"").arg(QDir::toNativeSeparators(folder)));
        madeFolders_.append(folder);
    }
}

}  // namespace keysound::pack
