#pragma once

#include <QList>
#include <QString>

class QKeyEvent;

namespace keysound::player {

// The key codes a key event types into the key-entry box: one per character it produces.
// Enter 13, Backspace 8, Esc 27, Ctrl+letter 1-26, Ctrl+[ \ ] ^ _ 27-31, Ctrl+Enter 10,
// Ctrl+Backspace 127, Ctrl+Space 32, and every printable character (outside the Basic Multilingual Plane too).
// Navigation and function keys, Tab, Delete and Alt chords type nothing and give no code.
QList<char32_t> keyCodesOf(const QKeyEvent& event);

// Alt (or the logo key) held with a key, meant as a command and never as typing. AltGr is not one:
// X11 reports it as no modifier or as a group switch, Windows as Ctrl+Alt, and it types its character.
bool isAltChord(const QKeyEvent& event);

// Each character of an input-method commit is one typed key, in order.
QList<char32_t> keyCodesOfCommit(const QString& commitString);

QString keyText(char32_t keyCode);  // the one-character string of a key code

}  // namespace keysound::player
