#pragma once

#include "SeedFile.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

// Table packs: a table's mappings and their sounds in one file, to hand a finished table from
// one application folder to others. The format is described in the README, "Table packs".
namespace keysound::pack {

// Why the sound file at a native path cannot be played, or nothing when it can.
using SoundVerifier = std::function<std::optional<QString>(const QString& nativePath)>;

struct LeftOutRow {
    int row = 0;  // 1-based, in table order
    QVariant key;
    QVariant fileName;
    QString reason;
};

struct PackReport {
    int rowsPacked = 0;
    int soundsStored = 0;       // a sound used by several rows is stored once
    QList<LeftOutRow> leftOut;  // the rows a pack cannot carry
};

// Packs the table of tableFolder (db1.mdb and MP3/) into packPath, replacing a file there only
// once the new one is complete. Rows without a key or a file name, naming a file outside MP3/,
// or whose sound is missing or fails verifySound are left out and reported. Throws
// keysound::Error when the table cannot be read or the pack cannot be written.
PackReport packTable(const QString& tableFolder, const QString& packPath, const SoundVerifier& verifySound);

enum class UnpackMode {
    Merge,         // the pack's rows join the table's; a key the table has keeps its mapping
    ReplaceTable,  // the pack's rows replace the table's
};

struct RenamedSound {
    QString packPath;   // below MP3/, '/' separators
    QString tablePath;  // the free name it got
};

struct UnpackReport {
    int rowsAdded = 0;
    int rowsRemoved = 0;                 // ReplaceTable: the rows the table had
    QList<tools::SeedMapping> keysKept;  // Merge: pack rows left out, their key already mapped
    QList<RenamedSound> renamedSounds;   // the sound folder had the name with other bytes
    QStringList reusedSounds;            // the sound folder had the same bytes under the name
    int soundsAdded = 0;
};

// Brings the pack at packPath into the table of tableFolder: all of it, or, when anything
// fails, nothing (the table and MP3/ stay as they were). An existing sound file is never
// overwritten or removed. A damaged or hostile pack throws keysound::Error InvalidFileFormat
// naming the entry and why.
UnpackReport unpackTable(const QString& packPath, const QString& tableFolder, UnpackMode mode,
                         const SoundVerifier& verifySound);

}  // namespace keysound::pack
