#include "TablePack.h"

#include "MappingCheck.h"
#include "PackFormat.h"
#include "PackText.h"
#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/ConnectionString.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <unistd.h>
#include <zip.h>

namespace keysound::pack {

namespace {

constexpr zip_uint32_t RegularFileAttributes = 0100644u << 16;  // a Unix file, rw-r--r--

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
            return TablePack::tr("it has no key");
        const QString fileName = mapping.fileName.toString();
        if (fileName.isEmpty())
            return TablePack::tr("it has no sound file name");
        const std::optional<QString> path = soundPathOf(fileName);
        if (!path)
            return TablePack::tr("its sound file name leads out of the sound folder");
        if (tools::seedFileText({{mapping.key.toString(), fileName}}).size() - 1 > limits::MaxTableLineBytes)
            return TablePack::tr("its key and sound file name are longer than the %1 bytes a pack's row may have")
                .arg(limits::MaxTableLineBytes);
        if (!verdicts_.contains(*path))
            verdicts_.insert(*path, soundProblem(*path, fileName));
        return verdicts_.value(*path);
    }

    // Each sound is looked at once, however many rows use it.
    std::optional<QString> soundProblem(const QString& path, const QString& fileName)
    {
        const QString source = platform::nativePath(store::soundPathText(tableFolder_, fileName));
        const QFileInfo info(source);
        if (!info.exists())
            return TablePack::tr("its sound file is missing");
        if (!info.isFile())
            return TablePack::tr("its sound file is not a file");
        if (const std::optional<QString> clash = names_.clashOf(path))
            return TablePack::tr(
                       "its sound file name is the same, ignoring letter case, as \"%1\" already in the pack, "
                       "or names a folder of it")
                .arg(*clash);
        if (const std::optional<QString> why = verifySound_(source))
            return TablePack::tr("its sound file is not playable: %1").arg(*why);
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
                    TablePack::tr("The table of \"%1\" is too large for one pack (%2 sounds, %3 MiB); a pack holds at "
                                  "most %4 sounds, %5 MiB in all.")
                        .arg(QDir::toNativeSeparators(tableFolder))
                        .arg(plan.sounds.size())
                        .arg(total >> 20)
                        .arg(limits::MaxEntries - 2)
                        .arg(limits::MaxUnpackedBytes >> 20));
}

// libzip writes the archive to a temporary file beside packPath and renames it into place
// only once it is complete, so a failure leaves an existing file at packPath as it was.
class PackWriter {
public:
    explicit PackWriter(const QString& packPath)
        : path_(packPath)
    {
        int code = 0;
        archive_ = zip_open(QFile::encodeName(packPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        if (!archive_) {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
            zip_error_fini(&error);
            fail(why);
        }
    }
    ~PackWriter() { zip_discard(archive_); }  // nothing when close() has written it

    // data must live until close().
    void addBytes(const QString& name, const QByteArray& data, zip_int32_t method)
    {
        add(name, zip_source_buffer(archive_, data.constData(), zip_uint64_t(data.size()), 0), method);
    }
    void addFile(const QString& name, const QString& nativePath)
    {
        add(name, zip_source_file(archive_, QFile::encodeName(nativePath).constData(), 0, -1), ZIP_CM_STORE);
    }
    void close()
    {
        if (zip_close(archive_) != 0)
            fail(QString::fromLocal8Bit(zip_strerror(archive_)));
        archive_ = nullptr;
        syncToDisk();
    }

private:
    void add(const QString& name, zip_source_t* source, zip_int32_t method)
    {
        const zip_int64_t index =
            source ? zip_file_add(archive_, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            fail(QString::fromLocal8Bit(zip_strerror(archive_)));
        }
        if (zip_set_file_compression(archive_, zip_uint64_t(index), method, 0) != 0 ||
            zip_file_set_external_attributes(archive_, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, RegularFileAttributes) !=
                0)
            fail(QString::fromLocal8Bit(zip_strerror(archive_)));
    }

    // A pack is often carried away at once (a USB stick): it should be on the disk by then.
    void syncToDisk() const
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly) || ::fsync(file.handle()) != 0)
            fail(file.errorString());
    }

    [[noreturn]] void fail(const QString& why) const
    {
        throw Error(ErrorNumber::FileAccess,
                    TablePack::tr("Cannot write the table pack \"%1\": %2.").arg(QDir::toNativeSeparators(path_), why));
    }

    QString path_;
    zip_t* archive_ = nullptr;
};

}  // namespace

PackReport packTable(const QString& tableFolder, const QString& packPath, const SoundVerifier& verifySound)
{
    PackPlan plan(tableFolder, verifySound);
    for (const tools::Mapping& mapping : tools::readMappings(QDir(tableFolder).filePath(store::DatabaseFileName)))
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
