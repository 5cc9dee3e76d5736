#pragma once

#include <QList>
#include <QString>
#include <optional>

// PC keyboard scan codes (set 1) as keyboard sound packs write them, and what each key types on a
// US layout, as keysound's player looks the key up.
namespace keysound::keyboardpack {

// An E0-prefixed key: packs write it as 0xE000 + code, and many as 0x0E00 + code.
inline constexpr int ExtendedKey = 0xE000;

struct TypedKey {
    QString text;     // a letter in lower case: lookups ignore case
    QString shifted;  // another character the key types with Shift, or ""
    bool keypad = false;
};

// The scan code of a key code written as decimal text (either E0 form becomes ExtendedKey + code).
std::optional<int> scanCodeOf(const QString& code);

// What the key types; nothing for a key that types nothing (function, modifier and navigation
// keys, and codes no US keyboard has).
std::optional<TypedKey> typedKeyOf(int scanCode);

// The scan codes of every key of the main block that types, in ascending order.
QList<int> mainTypingKeys();

}  // namespace keysound::keyboardpack
