#pragma once

#include "KeyPlan.h"
#include "SoundJudge.h"
#include "TablePack.h"

#include <QList>
#include <QMap>
#include <QString>
#include <functional>

// Bringing a keyboard sound pack into a table: README "Keyboard sound packs".
namespace keysound::keyboardpack {

struct CutSlice {
    Slice slice;
    qint64 keptMs = 0;  // up to the end of the sound
};

struct ImportReport {
    QString packName;  // as the pack names itself, else as its file is named
    int keysMapped = 0;
    QMap<LeftOut, QStringList> leftOut;
    int releaseSounds = 0;
    QList<CutSlice> cutSlices;
    int soundsStored = 0;  // each sound once, however many keys share it
    pack::UnpackReport table;
};

// Item number `done + 1` of `total` (a slice cut or a file taken) begins.
using ImportProgress = std::function<void(int total, const QString& item)>;

// Brings the pack at packPath into the table of tableFolder as a table pack is brought in (the
// merge or the replacement of the table, all or nothing, no sound overwritten). A single pack's
// sound is decoded once and each key's slice stored as an MP3 of its own; a multi pack's files
// are taken as they are; every sound is judged first. Throws keysound::Error InvalidFileFormat
// saying why for a pack that cannot be used, and then changes nothing.
ImportReport importKeyboardPack(const QString& packPath, const QString& tableFolder, pack::UnpackMode mode,
                                SoundJudge& judge, const ImportProgress& progress = {});

}  // namespace keysound::keyboardpack
