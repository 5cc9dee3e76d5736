#include "TablePack.h"

#include "PackFormat.h"
#include "PackReader.h"
#include "PackText.h"
#include "SoundPlacement.h"
#include "MappingTable.h"
#include "platform/Error.h"
#include "platform/StagingFolder.h"
#include "platform/TableFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace keysound::pack {

namespace {

// One bringing-in, in the order that keeps it all or nothing: everything is read, checked and
// decided first; then the new sounds move in under names nothing uses, then the rows go in, in
// one transaction. A failure takes the new sounds out again, and an interruption leaves at worst
// sounds that no row names, never a row whose sound is missing.
class Unpacking {
public:
    Unpacking(const QString& packPath, const QString& tableFolder, UnpackMode mode, const SoundVerifier& verifySound)
        : pack_(packPath)
        , tableFolder_(tableFolder)
        , soundFolder_(tableFolder_.soundFolderNativePath())
        , mode_(mode)
        , verifySound_(verifySound)
    {}

    UnpackReport run()
    {
        openTable();
        chooseRows();
        stageSounds();
        chooseNames();
        write();
        return report_;
    }

private:
    // Every sound is unpacked into a hidden folder inside MP3/ (the same file system, so that
    // moving one in is a rename) and verified there. The folders of unpacks that were killed go
    // first.
    void stageSounds()
    {
        if (!QFileInfo(soundFolder_).isDir())
            throw Error(ErrorNumber::FileAccess, PackText::tr("The table folder \"%1\" has no sound folder MP3.")
                                                     .arg(QDir::toNativeSeparators(tableFolder_.path())));
        const QString stagingPrefix = QStringLiteral(".kspack-");
        platform::StagingFolder::removeAbandoned(soundFolder_, stagingPrefix);
        staging_ = std::make_unique<platform::StagingFolder>(soundFolder_, stagingPrefix);
        if (!staging_->isValid())
            throw Error(ErrorNumber::FileAccess,
                        PackText::tr("Cannot unpack into the sound folder \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(soundFolder_), staging_->errorString()));
        for (int sound = 0; sound < pack_.sounds().size(); ++sound)
            stage(sound);
    }

    void stage(int sound)
    {
        const QString staged = stagedPath(sound);
        QDir().mkpath(QFileInfo(staged).path());
        QFile file(staged);
        const auto failed = [&] {
            return Error(ErrorNumber::FileAccess, PackText::tr("Cannot unpack into \"%1\": %2.")
                                                      .arg(QDir::toNativeSeparators(staged), file.errorString()));
        };
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw failed();
        pack_.readSound(sound, file);
        if (!file.flush())
            throw failed();
        file.close();
        if (const std::optional<QString> why = verifySound_(staged))
            throw Error(ErrorNumber::InvalidFileFormat,
                        PackText::tr("The table pack \"%1\" cannot be used: its sound \"%2%3\" is not playable: %4.")
                            .arg(pack_.name(), SoundFolderPrefix, pack_.sounds().at(sound).path, *why));
    }

    QString stagedPath(int sound) const { return staging_->filePath(pack_.sounds().at(sound).path); }

    void openTable()
    {
        table_ = std::make_unique<tools::MappingTable>(tableFolder_, tools::MappingTable::Access::Write);
        if (mode_ == UnpackMode::ReplaceTable) {
            report_.rowsRemoved = table_->rowCount();
            table_->removeAll();
        }
        for (int row = 0; row < table_->rowCount(); ++row) {
            if (const std::optional<QString> path = soundPathOf(table_->fileName(row).toString()))
                pathsRowsUse_.append(*path);
        }
    }

    // A key the table maps already, compared as a lookup compares it, keeps its mapping. The table
    // as it will be must load where the program loads it: checked before anything is written.
    void chooseRows()
    {
        for (int row = 0; row < pack_.rows().size(); ++row) {
            if (table_->rowOfKey(pack_.rows().at(row).key))
                report_.keysKept.append(pack_.rows().at(row));
            else
                rows_.append(row);
        }
        for (int row : rows_)
            table_->append(pack_.rows().at(row).key, pack_.rows().at(row).fileName);
        table_->checkBounds();
    }

    void chooseNames()
    {
        SoundNaming naming(soundFolder_, pathsRowsUse_);
        for (int row : rows_) {
            const int sound = pack_.soundOfRow(row);
            if (choices_.contains(sound))
                continue;
            const QString& path = pack_.sounds().at(sound).path;
            const SoundNaming::Choice choice = naming.choose(path, stagedPath(sound));
            choices_.insert(sound, choice);
            if (choice.path != path)
                report_.renamedSounds.append({.packPath = path, .tablePath = choice.path});
            if (choice.reuse)
                report_.reusedSounds.append(choice.path);
            else
                ++report_.soundsAdded;
        }
    }

    // A renamed sound keeps the folder part of the row's text as the row wrote it.
    QString fileNameOf(int row) const
    {
        const QString& text = pack_.rows().at(row).fileName;
        const QString& chosen = choices_.value(pack_.soundOfRow(row)).path;
        const qsizetype nameStart = std::max(text.lastIndexOf(u'\\'), text.lastIndexOf(u'/')) + 1;
        return text.left(nameStart) + chosen.mid(chosen.lastIndexOf(u'/') + 1);
    }

    void write()
    {
        SoundPlacement placement(soundFolder_);
        for (auto choice = choices_.cbegin(); choice != choices_.cend(); ++choice) {
            if (!choice->reuse)
                placement.place(stagedPath(choice.key()), choice->path);
        }
        const int firstNewRow = table_->rowCount() - int(rows_.size());
        for (int added = 0; added < rows_.size(); ++added)
            table_->setFileName(firstNewRow + added, fileNameOf(rows_.at(added)));
        table_->commit();
        placement.keep();
        report_.rowsAdded = int(rows_.size());
    }

    PackReader pack_;
    platform::TableFolder tableFolder_;
    QString soundFolder_;
    UnpackMode mode_;
    const SoundVerifier& verifySound_;
    std::unique_ptr<platform::StagingFolder> staging_;
    std::unique_ptr<tools::MappingTable> table_;
    QStringList pathsRowsUse_;
    QList<int> rows_;                         // the pack's rows that go in
    QMap<int, SoundNaming::Choice> choices_;  // by sound
    UnpackReport report_;
};

}  // namespace

UnpackReport unpackTable(const QString& packPath, const QString& tableFolder, UnpackMode mode,
                         const SoundVerifier& verifySound)
{
    return Unpacking(packPath, tableFolder, mode, verifySound).run();
}

}  // namespace keysound::pack
