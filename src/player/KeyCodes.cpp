#include "player/KeyCodes.h"

#include <QKeyEvent>

namespace keysound::player {

namespace {
constexpr char32_t Enter = 13;
constexpr char32_t LineFeed = 10;  // Ctrl+Enter
constexpr char32_t Backspace = 8;
constexpr char32_t Delete = 127;  // Ctrl+Backspace
constexpr char32_t Escape = 27;
constexpr char32_t Blank = 32;

bool isTypedCharacter(char32_t code) { return code >= 0x20 && code != 0x7f && !(code >= 0x80 && code < 0xa0); }

constexpr Qt::KeyboardModifiers WindowsAltGr = Qt::ControlModifier | Qt::AltModifier;

Qt::KeyboardModifiers chordModifiers(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    return (modifiers & WindowsAltGr) == WindowsAltGr ? modifiers & ~WindowsAltGr : modifiers;
}
}  // namespace

bool isAltChord(const QKeyEvent& event) { return chordModifiers(event) & (Qt::AltModifier | Qt::MetaModifier); }

QList<char32_t> keyCodesOf(const QKeyEvent& event)
{
    if (isAltChord(event))
        return {};
    const bool ctrl = chordModifiers(event) & Qt::ControlModifier;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return {ctrl ? LineFeed : Enter};
    case Qt::Key_Backspace: return {ctrl ? Delete : Backspace};
    case Qt::Key_Escape: return {Escape};
    default: break;
    }
    if (ctrl) {
        // Ctrl takes the letters and [ \ ] ^ _ down to the control characters 1 to 31; Ctrl+Space
        // stays a blank.
        if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Underscore)
            return {char32_t(event.key() - Qt::Key_At)};
        if (event.key() == Qt::Key_Space)
            return {Blank};
        return {};
    }
    QList<char32_t> codes;
    for (char32_t code : event.text().toUcs4()) {
        if (isTypedCharacter(code))
            codes << code;
    }
    return codes;
}

QList<char32_t> keyCodesOfCommit(const QString& commitString)
{
    QList<char32_t> codes;
    for (char32_t code : commitString.toUcs4())
        codes << code;
    return codes;
}

QString keyText(char32_t keyCode) { return QString::fromUcs4(&keyCode, 1); }

}  // namespace keysound::player
