#include "PackFiles.h"

#include "KeyboardPackText.h"
#include "PackFormat.h"
#include "ZipReader.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace keysound::keyboardpack {

namespace {

[[noreturn]] void refuse(const QString& why) { throw Refusal{why}; }

// A name of the pack as a path below its root, or a refusal when it would lead out of it.
QString checkedPath(const QString& name)
{
    const std::optional<QString> path = pack::soundPathOf(name);
    if (!path)
        refuse(KeyboardPackText::tr("the name \"%1\" leads out of the pack or has an empty part").arg(name));
    return *path;
}

[[noreturn]] void refuseMissing(const QString& path)
{
    refuse(KeyboardPackText::tr("it names \"%1\", which the pack does not hold").arg(path));
}

[[noreturn]] void refuseLarger(const QString& path, qint64 maxBytes)
{
    refuse(KeyboardPackText::tr("its file \"%1\" is larger than the %2 KiB it may be").arg(path).arg(maxBytes >> 10));
}

class FolderFiles : public PackFiles {
public:
    explicit FolderFiles(QString root)
        : root_(std::move(root))
    {}

    QByteArray read(const QString& name, qint64 maxBytes) const override
    {
        const QString path = checkedPath(name);
        checkFolders(path);
        // O_NOFOLLOW: the last part is not followed either, even if it became a link meanwhile;
        // O_NONBLOCK: a FIFO under the name does not hold the import up.
        const int fd = ::open(QFile::encodeName(root_ + u'/' + path).constData(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ELOOP)
            refuse(KeyboardPackText::tr("its file \"%1\" is a link").arg(path));
        if (fd < 0)
            refuseMissing(path);
        QFile file;
        file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
            refuse(KeyboardPackText::tr("\"%1\" in the pack is not a plain file").arg(path));
        if (status.st_size > maxBytes)
            refuseLarger(path, maxBytes);
        const QByteArray bytes = file.read(maxBytes + 1);
        if (bytes.size() > maxBytes)
            refuseLarger(path, maxBytes);
        return bytes;
    }

private:
    void checkFolders(const QString& path) const
    {
        QString folder = root_;
        const QStringList parts = path.split(u'/');
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            folder += u'/' + parts.at(i);
            const QFileInfo info(folder);
            if (info.isSymLink())
                refuse(KeyboardPackText::tr("its folder \"%1\" is a link").arg(parts.mid(0, i + 1).join(u'/')));
            if (!info.isDir())
                refuseMissing(path);
        }
    }

    QString root_;
};

constexpr quint32 MsDosFolderAttribute = 0x10;

quint32 unixFileType(const pack::ZipEntry& entry)
{
    return entry.madeOnSystem == ZIP_OPSYS_UNIX ? (entry.externalAttributes >> 16) & S_IFMT : 0;
}

// The entries of a zip by name; names that are not UTF-8 no config.json can name.
struct ZipNames {
    QHash<QString, qint64> index;
    QSet<QString> twice;
};

ZipNames namesOf(const pack::ZipReader& zip)
{
    ZipNames names;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    for (qint64 entry = 0; entry < zip.entryCount(); ++entry) {
        const QString name = utf8(zip.entry(entry).rawName);
        if (utf8.hasError())
            continue;
        if (names.index.contains(name))
            names.twice.insert(name);
        names.index.insert(name, entry);
    }
    return names;
}

// "" when config.json is at the root, "top/" when it is inside the one top folder that holds one.
std::optional<QString> configFolderOf(const ZipNames& names)
{
    if (names.index.contains(ConfigFileName))
        return QString();
    std::optional<QString> folder;
    for (auto name = names.index.keyBegin(); name != names.index.keyEnd(); ++name) {
        const qsizetype slash = name->indexOf(u'/');
        if (slash > 0 && name->mid(slash + 1) == ConfigFileName) {
            if (folder)
                refuse(KeyboardPackText::tr("it holds config.json in more than one top folder"));
            folder = name->left(slash + 1);
        }
    }
    return folder;
}

class ZipFiles : public PackFiles {
public:
    explicit ZipFiles(const QString& path)
        : zip_(path)
    {
        checkBounds();
        names_ = namesOf(zip_);
        const std::optional<QString> folder = configFolderOf(names_);
        if (!folder)
            refuse(KeyboardPackText::tr("it holds no config.json at its root or in one top folder"));
        root_ = *folder;
    }

    QByteArray read(const QString& name, qint64 maxBytes) const override
    {
        const QString path = checkedPath(name);
        const QString entryName = root_ + path;
        if (names_.twice.contains(entryName))
            refuse(KeyboardPackText::tr("the entry \"%1\" occurs twice").arg(entryName));
        const qint64 index = names_.index.value(entryName, -1);
        if (index < 0)
            refuseMissing(path);
        const pack::ZipEntry entry = zip_.entry(index);
        checkEntry(entryName, entry);
        if (entry.statedSize > quint64(maxBytes))
            refuseLarger(path, maxBytes);
        QByteArray bytes;
        zip_.read(index, entry.statedSize, [&](const char* data, qint64 size) { bytes.append(data, size); });
        return bytes;
    }

private:
    // The bounds a table pack has, against zip bombs.
    void checkBounds() const
    {
        const qint64 count = zip_.entryCount();
        if (count > pack::limits::MaxEntries)
            refuse(KeyboardPackText::tr("it has %1 entries, more than the %2 a pack may have")
                       .arg(count)
                       .arg(pack::limits::MaxEntries));
        quint64 total = 0;
        for (qint64 index = 0; index < count; ++index) {
            total += std::min<quint64>(zip_.entry(index).statedSize, pack::limits::MaxUnpackedBytes + 1);
            if (total > quint64(pack::limits::MaxUnpackedBytes))
                refuse(KeyboardPackText::tr("its entries would unpack to more than the %1 MiB a pack may hold")
                           .arg(pack::limits::MaxUnpackedBytes >> 20));
        }
    }

    static void checkEntry(const QString& name, const pack::ZipEntry& entry)
    {
        const quint32 type = unixFileType(entry);
        if (type == S_IFLNK)
            refuse(KeyboardPackText::tr("the entry \"%1\" is a symbolic link").arg(name));
        if ((type != 0 && type != S_IFREG) || (entry.externalAttributes & MsDosFolderAttribute))
            refuse(KeyboardPackText::tr("the entry \"%1\" is not a plain file").arg(name));
        if (entry.encryption != ZIP_EM_NONE || (entry.method != ZIP_CM_STORE && entry.method != ZIP_CM_DEFLATE))
            refuse(KeyboardPackText::tr("the entry \"%1\" is encrypted or compressed other than stored or deflated")
                       .arg(name));
    }

    pack::ZipReader zip_;
    ZipNames names_;
    QString root_;
};

}  // namespace

std::unique_ptr<PackFiles> PackFiles::open(const QString& packPath)
{
    if (QFileInfo(packPath).isDir())
        return std::make_unique<FolderFiles>(packPath);
    return std::make_unique<ZipFiles>(packPath);
}

bool isKeyboardPack(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QFileInfo(QDir(path).filePath(ConfigFileName)).exists() ||
               QFileInfo(QDir(path).filePath(ConfigFileName)).isSymLink();
    try {
        const pack::ZipReader zip(path);
        const ZipNames names = namesOf(zip);
        return !names.index.contains(pack::FormatEntryName) && configFolderOf(names).has_value();
    } catch (const Error&) {
        return false;
    } catch (const Refusal&) {
        return true;  // config.json in several top folders: a keyboard sound pack, refused as one
    }
}

}  // namespace keysound::keyboardpack
