#include "TablePack.h"

#include "MappingCheck.h"
#include "PackFormat.h"
#include "PackText.h"
#include "PackWriter.h"
#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/TableFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <zip.h>

namespace keysound::pack {

namespace {

struct SoundToPack {
    QString path;  // below MP3/
    QString nativeSource;
    qint64 size = 0;
};

// Which rows and sounds go into the pack, and why the others stay out.
class PackPlan {
public:
    PackPlan(const QString& tableFolder, const SoundVerifier& verifySound)
        : tableFolder_(tableFolder)
        , verifySound_(verifySound)
    {}

    void take(const tools::Mapping& mapping)
    {
        const std::optional<QString> reason = problemOf(mapping);
        if (reason)
            report.leftOut.append(
                {.row = mapping.row, .key = mapping.key, .fileName = mapping.fileName, .reason = *reason});
        else
            rows.append({mapping.key.toString(), mapping.fileName.toString()});
    }

    QList<tools::SeedMapping> rows;
    QList<SoundToPack> sounds;
    PackReport report;

private:
    std::optional<QString> problemOf(const tools::Mapping& mapping)
    {
        if (!mapping.key.isValid())
            return PackText::tr("it has no key");
        const QString fileName = mapping.fileName.toString();
        if (fileName.isEmpty())
            return PackText::tr("it has no sound file name");
        const std::optional<QString> path = soundPathOf(fileName);
        if (!path)
            return PackText::tr("its sound file name leads out of the sound folder");
        if (tools::seedFileText({{mapping.key.toString(), fileName}}).size() - 1 > limits::MaxTableLineBytes)
            return PackText::tr("its key and sound file name are longer than the %1 bytes a pack's row may have")
                .arg(limits::MaxTableLineBytes);
        if (!verdicts_.contains(*path))
            verdicts_.insert(*path, soundProblem(*path, fileName));
        return verdicts_.value(*path);
    }

    // Each sound is looked at once, however many rows use it.
    std::optional<QString> soundProblem(const QString& path, const QString& fileName)
    {
        const QString source = platform::TableFolder(tableFolder_).soundNativePath(fileName);
        const QFileInfo info(source);
        if (!info.exists())
            return PackText::tr("its sound file is missing");
        if (!info.isFile())
            return PackText::tr("its sound file is not a file");
        if (const std::optional<QString> clash = names_.clashOf(path))
            return PackText::tr("its sound file name is the same, ignoring letter case, as \"%1\" already in the pack, "
                                "or names a folder of it")
                .arg(*clash);
        if (const std::optional<QString> why = verifySound_(source))
            return PackText::tr("its sound file is not playable: %1").arg(*why);
        names_.add(path);
        sounds.append({.path = path, .nativeSource = source, .size = info.size()});
        return std::nullopt;
    }

    QString tableFolder_;
    const SoundVerifier& verifySound_;
    QHash<QString, std::optional<QString>> verdicts_;  // by path in the pack
    SoundNameSet names_;
};

// A pack that unpacking would refuse is not written at all.
void checkLimits(const QString& tableFolder, const PackPlan& plan, qint64 tableSize)
{
    qint64 total = tableSize;
    for (const SoundToPack& sound : plan.sounds)
        total += sound.size;
    if (plan.sounds.size() + 2 > limits::MaxEntries || total > limits::MaxUnpackedBytes ||
        tableSize > limits::MaxTableBytes)
        throw Error(ErrorNumber::InvalidArgument,
                    PackText::tr("The table of \"%1\" is too large for one pack (%2 sounds, %3 MiB); a pack holds at "
                                 "most %4 sounds, %5 MiB in all.")
                        .arg(QDir::toNativeSeparators(tableFolder))
                        .arg(plan.sounds.size())
                        .arg(total >> 20)
                        .arg(limits::MaxEntries - 2)
                        .arg(limits::MaxUnpackedBytes >> 20));
}

}  // namespace

PackReport packTable(const QString& tableFolder, const QString& packPath, const SoundVerifier& verifySound)
{
    PackPlan plan(tableFolder, verifySound);
    for (const tools::Mapping& mapping : tools::readMappings(platform::TableFolder(tableFolder).databaseNativePath()))
        plan.take(mapping);
    const QByteArray table = tools::seedFileText(plan.rows);
    checkLimits(tableFolder, plan, table.size());

    const QByteArray marker = formatMarker();
    PackWriter writer(packPath);
    writer.addBytes(FormatEntryName, marker, ZIP_CM_STORE);
    writer.addBytes(TableEntryName, table, ZIP_CM_DEFLATE);
    for (const SoundToPack& sound : plan.sounds)
        writer.addFile(SoundFolderPrefix + sound.path, sound.nativeSource);  // stored: sounds are compressed already
    writer.close();

    plan.report.rowsPacked = int(plan.rows.size());
    plan.report.soundsStored = int(plan.sounds.size());
    return plan.report;
}

}  // namespace keysound::pack
