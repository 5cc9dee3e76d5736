#pragma once

#include "PackConfig.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// Which key texts of keysound's table a keyboard sound pack gives which sound.
namespace keysound::keyboardpack {

// A slice of the pack's one sound, or a file of the pack (its path inside the pack).
struct SoundSource {
    std::optional<Slice> slice;
    QString file;
    bool operator==(const SoundSource&) const = default;
};

enum class LeftOut {
    NotAKeyCode,   // no decimal scan code
    TypesNothing,  // function, modifier and navigation keys
    KeypadTwin,    // a keypad key whose character its main key sounds already
    NoSound,       // a null define, and no default
    PastTheEnd,    // the slice starts after the sound ends
};

struct KeyMapping {
    QString key;   // as the player looks it up
    int source;    // into KeyPlan::sources
    QString code;  // the define's key code as the pack writes it; "" for a key the default covers
};

struct KeyPlan {
    QList<SoundSource> sources;
    QList<KeyMapping> keys;               // by scan code, main block first, each key's shifted character after it
    QMap<LeftOut, QStringList> leftOut;  // the key codes, as the pack writes them
    int releaseSounds = 0;
};

// The keys of a pack as keysound's table needs them: each defined key's text and its shifted
// character, the version 2 default for every typing key without a define, a number range spread
// over its keys in order (the i-th key takes variant i mod n), and what is left out and why.
// Throws Refusal when a name holds more than one range or a range of too many variants.
KeyPlan planKeys(const PackConfig& config);

// "R{0-4}.mp3" -> R0.mp3 ... R4.mp3 (a zero-padded start pads every number); a name without a
// range is its only variant.
QStringList variantsOf(const QString& name);

}  // namespace keysound::keyboardpack
