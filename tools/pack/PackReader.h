#pragma once

#include "PackFormat.h"
#include "SeedFile.h"
#include "ZipReader.h"

#include <QHash>
#include <QIODevice>
#include <QList>
#include <QSet>

namespace keysound::pack {

struct PackedSound {
    QString path;  // below MP3/, parts separated by '/'
    qint64 entryIndex = 0;
    quint64 size = 0;  // as the pack states it; reading never goes past it
};

// A table pack opened and checked before anything is taken from it: the format entry, every
// entry's name, kind and stated size (with the bounds of PackFormat.h), the table, that each
// row's sound is in the pack and that each sound is some row's. The sounds' bytes are read only
// by readSound(), which is bounded by the stated size too. A pack that breaks a rule throws
// keysound::Error InvalidFileFormat naming the entry and why.
class PackReader {
public:
    explicit PackReader(const QString& packPath);
    PackReader(const QByteArray& bytes, const QString& name);  // bytes must outlive the reader

    const QList<tools::SeedMapping>& rows() const { return rows_; }
    const QList<PackedSound>& sounds() const { return sounds_; }
    int soundOfRow(int row) const { return soundOfRow_.at(row); }  // index into sounds()
    const QString& name() const { return zip_.name(); }

    void readSound(int sound, QIODevice& out) const;

private:
    void check();
    void checkEntry(qint64 index, quint64& totalSize);
    void checkFileKind(const QString& name, const ZipEntry& entry) const;
    QString checkedName(qint64 index, const ZipEntry& entry);
    void addSound(const QString& name, qint64 index, const ZipEntry& entry);
    QByteArray readWhole(qint64 index, quint64 statedSize) const;
    void checkFormat();
    void readTable();
    [[noreturn]] void refuse(const QString& why) const;

    ZipReader zip_;
    qint64 formatEntry_ = -1;
    qint64 tableEntry_ = -1;
    quint64 tableSize_ = 0;
    QSet<QString> names_;  // every entry name, to find a second one
    SoundNameSet soundNames_;
    QList<PackedSound> sounds_;
    QHash<QString, int> soundByPath_;
    QList<tools::SeedMapping> rows_;
    QList<int> soundOfRow_;
};

}  // namespace keysound::pack
