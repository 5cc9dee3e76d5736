#include "KeyboardPackImport.h"

#include "KeyboardPackText.h"
#include "PackFiles.h"
#include "PackFormat.h"
#include "PackWriter.h"
#include "SoundPlacement.h"
#include "SeedFile.h"
#include "SpriteSlices.h"
#include "platform/Error.h"
#include "speech/Mp3Encoder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <zip.h>

namespace keysound::keyboardpack {

namespace {

constexpr qint64 MaxSoundBytes = qint64(64) << 20;  // one file of a pack: minutes of WAV
constexpr int FolderNameLength = 40;
constexpr int MaxNumberedNames = 100;

QByteArray digestOf(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

// The pack's own folder in MP3/: its name in ASCII letters, digits and dashes.
QString folderNameOf(const QString& name)
{
    QString folder;
    for (const QChar c : name) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            folder += c;
        else if (!folder.endsWith(u'-'))
            folder += u'-';
    }
    while (folder.startsWith(u'-'))
        folder.remove(0, 1);
    folder = folder.left(FolderNameLength);
    while (folder.endsWith(u'-'))
        folder.chop(1);
    return folder.isEmpty() ? QStringLiteral("keyboard-pack") : folder;
}

// One sound as it goes into the table: below MP3/<pack>/, and where it waits meanwhile.
struct StoredSound {
    QString name;
    QString staged;
};

class Import {
public:
    Import(const QString& packPath, SoundJudge& judge, const ImportProgress& progress)
        : packPath_(packPath)
        , judge_(judge)
        , progress_(progress)
    {
        if (!staging_.isValid())
            throw Error(
                ErrorNumber::FileAccess,
                KeyboardPackText::tr("Cannot make a folder for the pack's sounds: %1.").arg(staging_.errorString()));
    }

    // Reads, checks, cuts and judges everything; what is then left is a table pack to bring in.
    QString prepare()
    {
        files_ = PackFiles::open(packPath_);
        config_ = parsePackConfig(files_->read(ConfigFileName, limits::MaxConfigBytes));
        report_.packName = !config_.name.isEmpty() ? config_.name : QFileInfo(packPath_).completeBaseName();
        folder_ = folderNameOf(!config_.name.isEmpty() ? config_.name : !config_.id.isEmpty() ? config_.id : report_.packName);
        plan_ = planKeys(config_);
        report_.leftOut = plan_.leftOut;
        report_.releaseSounds = plan_.releaseSounds;
        storedOfSource_.fill(-1, plan_.sources.size());
        for (int source = 0; source < plan_.sources.size(); ++source) {
            if (progress_)
                progress_(int(plan_.sources.size()), itemName(plan_.sources.at(source)));
            storedOfSource_[source] = plan_.sources.at(source).slice ? cut(*plan_.sources.at(source).slice)
                                                                     : take(plan_.sources.at(source).file);
        }
        report_.soundsStored = int(stored_.size());
        return writeTablePack();
    }

    // A staged sound is judged by its bytes: those judged already are not decoded again.
    std::optional<QString> verify(const QString& nativePath)
    {
        QFile file(nativePath);
        if (file.open(QIODevice::ReadOnly) && judged_.contains(digestOf(file.readAll())))
            return std::nullopt;
        return judge_.problemWith(nativePath);
    }

    ImportReport report_;

private:
    static QString itemName(const SoundSource& source)
    {
        return source.slice
                   ? KeyboardPackText::tr("%1 ms + %2 ms").arg(source.slice->startMs).arg(source.slice->lengthMs)
                   : source.file;
    }

    // The single pack's sound, decoded once, at its first slice.
    const DecodedPcm& sprite()
    {
        if (spriteDecoded_)
            return sprite_;
        if (variantsOf(config_.sound).size() > 1)
            throw Refusal{
                KeyboardPackText::tr("the sound \"%1\" of a single pack names more than one file").arg(config_.sound)};
        const QString staged = stage(config_.sound, files_->read(config_.sound, MaxSoundBytes));
        sprite_ = judge_.decode(staged);
        if (sprite_.problem)
            refuseUnplayable(config_.sound, *sprite_.problem);
        spriteDecoded_ = true;
        return sprite_;
    }

    int cut(const Slice& slice)
    {
        const std::span<const int16_t> pcm = sprite().samples;
        const FrameSpan frames = framesOf(slice, qint64(pcm.size()) / PcmChannels);
        if (frames.isEmpty() && frames.cut)
            return -1;  // the slice begins after the sound's end
        if (frames.cut)
            report_.cutSlices.append({slice, frames.milliseconds()});
        const QByteArray mp3 = speech::encodeMp3(
            samplesOf(pcm, frames),
            {.channels = PcmChannels, .sampleRate = PcmFrequency, .outputRate = PcmFrequency});
        return store(QStringLiteral("slice-%1-%2.mp3").arg(slice.startMs).arg(slice.lengthMs), mp3);
    }

    int take(const QString& file) { return store(checkedName(file), files_->read(file, MaxSoundBytes)); }

    // A file's name in the pack, as a path that is no other file's, nor a folder of one, ignoring case.
    QString checkedName(const QString& file)
    {
        const std::optional<QString> path = pack::soundPathOf(file);
        if (!path)
            throw Refusal{KeyboardPackText::tr("the name \"%1\" leads out of the pack or has an empty part").arg(file)};
        for (int number = 1; number <= MaxNumberedNames; ++number) {
            const QString name = number == 1 ? *path : pack::numberedPath(*path, number);
            if (!names_.clashOf(name))
                return name;
        }
        throw Refusal{KeyboardPackText::tr("the name \"%1\" clashes with a folder of the pack").arg(file)};
    }

    // Identical bytes are stored once; new ones are judged before they are kept.
    int store(const QString& name, const QByteArray& bytes)
    {
        const QByteArray digest = digestOf(bytes);
        if (const auto known = storedByDigest_.constFind(digest); known != storedByDigest_.constEnd())
            return *known;
        const QString staged = stage(name, bytes);
        if (const std::optional<QString> problem = judge_.problemWith(staged))
            refuseUnplayable(name, *problem);
        judged_.insert(digest);
        names_.add(name);
        stored_.append({name, staged});
        storedByDigest_.insert(digest, int(stored_.size() - 1));
        return int(stored_.size() - 1);
    }

    QString stage(const QString& name, const QByteArray& bytes)
    {
        // Named by number, keeping the extension for decoders that look at it.
        const QString staged =
            staging_.filePath(QStringLiteral("%1.%2").arg(++stagedCount_).arg(QFileInfo(name).suffix()));
        QFile file(staged);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size() || !file.flush())
            throw Error(ErrorNumber::FileAccess, KeyboardPackText::tr("Cannot write \"%1\": %2.")
                                                     .arg(QDir::toNativeSeparators(staged), file.errorString()));
        return staged;
    }

    [[noreturn]] static void refuseUnplayable(const QString& name, const QString& why)
    {
        throw Refusal{KeyboardPackText::tr("its sound \"%1\" does not play: %2").arg(name, why)};
    }

    // Keys whose slice lies past the sound's end are left out, once for each define.
    QList<tools::SeedMapping> rows()
    {
        QList<tools::SeedMapping> rows;
        for (const KeyMapping& key : plan_.keys) {
            const int stored = storedOfSource_.at(key.source);
            if (stored >= 0)
                rows.append({key.key, folder_ + u'/' + stored_.at(stored).name});
            else if (!report_.leftOut[LeftOut::PastTheEnd].contains(key.code))
                report_.leftOut[LeftOut::PastTheEnd].append(key.code);
        }
        report_.keysMapped = int(rows.size());
        return rows;
    }

    QString writeTablePack()
    {
        const QString packPath = staging_.filePath(folder_ + QStringLiteral(".kspack"));
        const QByteArray marker = pack::formatMarker();
        const QByteArray table = tools::seedFileText(rows());
        pack::PackWriter writer(packPath);
        writer.addBytes(pack::FormatEntryName, marker, ZIP_CM_STORE);
        writer.addBytes(pack::TableEntryName, table, ZIP_CM_DEFLATE);
        for (const StoredSound& sound : stored_)
            writer.addFile(pack::SoundFolderPrefix + folder_ + u'/' + sound.name, sound.staged);
        writer.close();
        return packPath;
    }

    QString packPath_;
    SoundJudge& judge_;
    const ImportProgress& progress_;
    QTemporaryDir staging_;
    std::unique_ptr<PackFiles> files_;
    PackConfig config_;
    KeyPlan plan_;
    QString folder_;
    DecodedPcm sprite_;
    bool spriteDecoded_ = false;
    QList<int> storedOfSource_;  // -1: nothing stored
    QList<StoredSound> stored_;
    QHash<QByteArray, int> storedByDigest_;
    QSet<QByteArray> judged_;
    pack::SoundNameSet names_;
    int stagedCount_ = 0;
};

}  // namespace

ImportReport importKeyboardPack(const QString& packPath, const QString& tableFolder, pack::UnpackMode mode,
                                SoundJudge& judge, const ImportProgress& progress)
{
    Import import(packPath, judge, progress);
    QString tablePack;
    try {
        tablePack = import.prepare();
    } catch (const Refusal& refusal) {
        throw Error(ErrorNumber::InvalidFileFormat,
                    KeyboardPackText::tr("The keyboard sound pack \"%1\" cannot be used: %2.")
                        .arg(QDir::toNativeSeparators(packPath), refusal.why));
    }
    import.report_.table =
        pack::unpackTable(tablePack, tableFolder, mode, [&](const QString& path) { return import.verify(path); });
    return import.report_;
}

}  // namespace keysound::keyboardpack
