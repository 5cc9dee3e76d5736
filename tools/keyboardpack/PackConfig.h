#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <variant>

// config.json of a keyboard sound pack, read strictly: the pack is untrusted.
namespace keysound::keyboardpack {

// What reading a pack may cost at most. A real config.json maps about a hundred keys in a few
// KB with two levels of nesting; these bounds leave room for any of them.
namespace limits {
inline constexpr qint64 MaxConfigBytes = qint64(1) << 20;
inline constexpr int MaxNesting = 8;
inline constexpr int MaxDefines = 2000;
inline constexpr int MaxNameLength = 1024;
inline constexpr qint64 MaxSliceStartMs = 60 * 60 * 1000;  // an hour into the sound
inline constexpr qint64 MaxSliceLengthMs = 60 * 1000;      // a minute for one key
}  // namespace limits

enum class DefineType { Single, Multi };

// [start_ms, length_ms] of a single pack's one sound.
struct Slice {
    qint64 startMs = 0;
    qint64 lengthMs = 0;
    bool operator==(const Slice&) const = default;
};

// One key's press sound: none (null), a slice of the pack's sound, or a file name.
using DefinedSound = std::variant<std::monostate, Slice, QString>;

struct KeyDefine {
    QString code;  // as the pack writes it
    DefinedSound sound;
};

struct PackConfig {
    QString id;
    QString name;
    DefineType type = DefineType::Single;
    QString sound;  // single: the sound the slices are cut from; version 2: also every other key's
    int version = 1;
    QList<KeyDefine> defines;  // press sounds
    int releaseSounds = 0;     // "-up" defines and soundup: keysound sounds on press only
};

// Throws Refusal when the text is malformed, breaks a bound, or a slice is negative or absurd.
PackConfig parsePackConfig(const QByteArray& json);

}  // namespace keysound::keyboardpack
