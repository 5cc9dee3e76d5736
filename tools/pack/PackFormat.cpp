#include "PackFormat.h"

#include "platform/AppFolder.h"

#include <QStringList>

namespace keysound::pack {

namespace {

// "a/b/c.mp3" -> "a", "a/b"
QStringList foldersOf(const QString& path)
{
    QStringList folders;
    for (qsizetype slash = path.indexOf(u'/'); slash >= 0; slash = path.indexOf(u'/', slash + 1))
        folders.append(path.left(slash));
    return folders;
}

}  // namespace

QString comparedName(const QString& path)
{
    return path.normalized(QString::NormalizationForm_D).toCaseFolded().normalized(QString::NormalizationForm_C);
}

QByteArray formatMarker() { return QByteArray(FormatMarkerPrefix) + QByteArray::number(FormatVersion) + '\n'; }

bool isSafeSoundPath(const QString& path)
{
    if (path.isEmpty() || path.contains(u'\\') || path.contains(QChar(0)))
        return false;
    const QStringList parts = path.split(u'/');
    return std::none_of(parts.begin(), parts.end(),
                        [](const QString& part) { return part.isEmpty() || part == u"." || part == u".."; });
}

std::optional<QString> soundPathOf(const QString& fileName)
{
    const QString path = platform::nativePath(fileName);
    if (!isSafeSoundPath(path))
        return std::nullopt;
    return path;
}

std::optional<QString> SoundNameSet::clashOf(const QString& path) const
{
    const QString key = comparedName(path);
    if (const auto file = files_.constFind(key); file != files_.constEnd())
        return *file;
    if (const auto folder = folders_.constFind(key); folder != folders_.constEnd())
        return *folder;
    for (const QString& folder : foldersOf(key)) {
        if (const auto file = files_.constFind(folder); file != files_.constEnd())
            return *file;
    }
    return std::nullopt;
}

void SoundNameSet::add(const QString& path)
{
    files_.insert(comparedName(path), path);
    for (const QString& folder : foldersOf(comparedName(path)))
        folders_.insert(folder, path);
}

}  // namespace keysound::pack
