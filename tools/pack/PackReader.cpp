#include "PackReader.h"

#include "PackFormat.h"
#include "PackText.h"
#include "platform/Error.h"
#include "store/Bounds.h"

#include <QStringDecoder>
#include <sys/stat.h>
#include <zip.h>

namespace keysound::pack {

namespace {

constexpr quint32 MsDosFolderAttribute = 0x10;

// Zip tools store the Unix file type in the high half of the external attributes.
quint32 unixFileType(const ZipEntry& entry)
{
    return entry.madeOnSystem == ZIP_OPSYS_UNIX ? (entry.externalAttributes >> 16) & S_IFMT : 0;
}

bool isLink(const ZipEntry& entry) { return unixFileType(entry) == S_IFLNK; }

// "MP3/" or "MP3/sub/", empty, as zip tools write a folder.
bool isSoundFolderEntry(const QString& name, const ZipEntry& entry)
{
    if (!name.endsWith(u'/') || !name.startsWith(SoundFolderPrefix) || entry.statedSize != 0)
        return false;
    return name == SoundFolderPrefix || isSafeSoundPath(name.mid(SoundFolderPrefix.size()).chopped(1));
}

}  // namespace

PackReader::PackReader(const QString& packPath)
    : zip_(packPath)
{
    check();
}

PackReader::PackReader(const QByteArray& bytes, const QString& name)
    : zip_(bytes, name)
{
    check();
}

void PackReader::refuse(const QString& why) const
{
    throw Error(ErrorNumber::InvalidFileFormat,
                PackText::tr("The table pack \"%1\" cannot be used: %2.").arg(name(), why));
}

void PackReader::check()
{
    const qint64 count = zip_.entryCount();
    if (count > limits::MaxEntries)
        refuse(PackText::tr("it has %1 entries, more than the %2 a pack may have").arg(count).arg(limits::MaxEntries));
    quint64 totalSize = 0;
    for (qint64 index = 0; index < count; ++index)
        checkEntry(index, totalSize);
    checkFormat();
    readTable();
}

void PackReader::checkEntry(qint64 index, quint64& totalSize)
{
    const ZipEntry entry = zip_.entry(index);
    const QString name = checkedName(index, entry);
    if (entry.encryption != ZIP_EM_NONE)
        refuse(PackText::tr("the entry \"%1\" is encrypted").arg(name));
    if (entry.method != ZIP_CM_STORE && entry.method != ZIP_CM_DEFLATE)
        refuse(
            PackText::tr("the entry \"%1\" is compressed with method %2; a pack uses only stored and deflated entries")
                .arg(name)
                .arg(entry.method));
    totalSize += std::min<quint64>(entry.statedSize, limits::MaxUnpackedBytes + 1);
    if (totalSize > quint64(limits::MaxUnpackedBytes))
        refuse(PackText::tr("its entries would unpack to more than the %1 MiB a pack may hold (reached at the entry "
                            "\"%2\")")
                   .arg(limits::MaxUnpackedBytes >> 20)
                   .arg(name));
    if (isLink(entry))
        refuse(PackText::tr("the entry \"%1\" is a symbolic link").arg(name));
    if (isSoundFolderEntry(name, entry))
        return;  // as zip tools write them; folders are made as their sounds need them
    checkFileKind(name, entry);
    if (name == FormatEntryName) {
        formatEntry_ = index;
    } else if (name == TableEntryName) {
        tableEntry_ = index;
        tableSize_ = entry.statedSize;
    } else if (name.startsWith(SoundFolderPrefix)) {
        addSound(name, index, entry);
    } else {
        refuse(PackText::tr("the entry \"%1\" does not belong in a table pack, which holds only %2, %3 and the sounds "
                            "under %4")
                   .arg(name, FormatEntryName, TableEntryName, SoundFolderPrefix));
    }
}

QString PackReader::checkedName(qint64 index, const ZipEntry& entry)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = utf8(entry.rawName);
    if (utf8.hasError() || name.isEmpty())
        refuse(PackText::tr("the name of entry %1 is not UTF-8 text").arg(index + 1));
    if (names_.contains(comparedName(name)))
        refuse(PackText::tr("the entry \"%1\" occurs twice").arg(name));
    names_.insert(comparedName(name));
    if (name.startsWith(u'/'))
        refuse(PackText::tr("the entry \"%1\" is an absolute path").arg(name));
    if (name.contains(u'\\'))
        refuse(PackText::tr("the entry \"%1\" holds a backslash, which would become a folder separator").arg(name));
    return name;
}

// Only plain files: a folder or a device under a file's name is no sound. Besides the Unix file
// type, zip tools set the MS-DOS folder flag in the low byte of the attributes.
void PackReader::checkFileKind(const QString& name, const ZipEntry& entry) const
{
    const quint32 type = unixFileType(entry);
    if (type == S_IFDIR || name.endsWith(u'/') || (entry.externalAttributes & MsDosFolderAttribute))
        refuse(PackText::tr("the entry \"%1\" is a folder, where a file belongs").arg(name));
    if (type != 0 && type != S_IFREG)
        refuse(PackText::tr("the entry \"%1\" is not a regular file").arg(name));
}

void PackReader::addSound(const QString& name, qint64 index, const ZipEntry& entry)
{
    const QString path = name.mid(SoundFolderPrefix.size());
    if (!isSafeSoundPath(path))
        refuse(PackText::tr("the entry \"%1\" leads out of the sound folder or has an empty part").arg(name));
    if (const std::optional<QString> clash = soundNames_.clashOf(path))
        refuse(PackText::tr("the entries \"%1\" and \"%2%3\" name the same file ignoring letter case, or one names a "
                            "folder of the other")
                   .arg(name, SoundFolderPrefix, *clash));
    soundNames_.add(path);
    soundByPath_.insert(path, int(sounds_.size()));
    sounds_.append({.path = path, .entryIndex = index, .size = entry.statedSize});
}

QByteArray PackReader::readWhole(qint64 index, quint64 statedSize) const
{
    QByteArray bytes;
    zip_.read(index, statedSize, [&](const char* data, qint64 size) { bytes.append(data, size); });
    return bytes;
}

void PackReader::checkFormat()
{
    if (formatEntry_ < 0)
        refuse(PackText::tr("it has no entry \"%1\", so it is no keysound table pack").arg(FormatEntryName));
    const ZipEntry entry = zip_.entry(formatEntry_);
    if (entry.statedSize > quint64(limits::MaxFormatBytes))
        refuse(PackText::tr("its entry \"%1\" is not a keysound table pack's").arg(FormatEntryName));
    const QByteArray marker = readWhole(formatEntry_, entry.statedSize);
    if (marker == formatMarker())
        return;
    if (marker.startsWith(FormatMarkerPrefix))
        refuse(PackText::tr("its entry \"%1\" says format %2, which this version cannot read (it reads format %3)")
                   .arg(FormatEntryName)
                   .arg(QString::fromUtf8(marker.mid(qsizetype(sizeof FormatMarkerPrefix) - 1).trimmed()))
                   .arg(FormatVersion));
    refuse(PackText::tr("its entry \"%1\" is not a keysound table pack's").arg(FormatEntryName));
}

void PackReader::readTable()
{
    if (tableEntry_ < 0)
        refuse(PackText::tr("it has no table \"%1\"").arg(TableEntryName));
    if (tableSize_ > quint64(limits::MaxTableBytes))
        refuse(PackText::tr("its table \"%1\" is larger than the %2 MiB a pack's table may be")
                   .arg(TableEntryName)
                   .arg(limits::MaxTableBytes >> 20));
    try {
        tools::SeedTextReader table(TableEntryName, limits::MaxTableLineBytes, [&](tools::SeedMapping row) {
            if (rows_.size() >= store::bounds::MaxRecordsetRows)
                refuse(PackText::tr("its table has more than the %1 rows a table may have")
                           .arg(store::bounds::MaxRecordsetRows));
            rows_.append(std::move(row));
        });
        zip_.read(tableEntry_, tableSize_, [&](const char* data, qint64 size) { table.add(data, size); });
        table.finish();
    } catch (const Error& error) {
        if (error.number() != ErrorNumber::InvalidArgument)
            throw;
        refuse(PackText::tr("its table does not parse: %1").arg(error.description()));
    }
    QList<bool> used(sounds_.size(), false);
    for (int row = 0; row < rows_.size(); ++row) {
        const QString& fileName = rows_.at(row).fileName;
        const std::optional<QString> path = soundPathOf(fileName);
        if (!path)
            refuse(PackText::tr("row %1 of its table names the sound \"%2\", which lies outside the sound folder")
                       .arg(row + 1)
                       .arg(fileName));
        const int sound = soundByPath_.value(*path, -1);
        if (sound < 0)
            refuse(PackText::tr("row %1 of its table names the sound \"%2\", which the pack does not hold")
                       .arg(row + 1)
                       .arg(fileName));
        used[sound] = true;
        soundOfRow_.append(sound);
    }
    if (const qsizetype unused = used.indexOf(false); unused >= 0)
        refuse(PackText::tr("its sound \"%1%2\" is used by no row of its table")
                   .arg(SoundFolderPrefix, sounds_.at(unused).path));
}

void PackReader::readSound(int sound, QIODevice& out) const
{
    const PackedSound& packed = sounds_.at(sound);
    zip_.read(packed.entryIndex, packed.size, [&](const char* data, qint64 size) {
        if (out.write(data, size) != size)
            throw Error(ErrorNumber::FileAccess,
                        PackText::tr("Cannot unpack the sound \"%1%2\" of the table pack \"%3\": %4.")
                            .arg(SoundFolderPrefix, packed.path, name(), out.errorString()));
    });
}

}  // namespace keysound::pack
