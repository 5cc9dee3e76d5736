#pragma once

#include <Qt>

namespace keysound::editor {

// Key codes and shift bits as the window's key handler receives them.
namespace KeyCode {
inline constexpr int Escape = 27;
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Up = 38;
inline constexpr int Down = 40;
}  // namespace KeyCode
namespace ShiftMask {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
}  // namespace ShiftMask

enum class KeyCommand { None, Close, First, Previous, Next, Last };

// The command a key starts in browse state; Ctrl alone (shift state exactly 2) jumps to the ends.
KeyCommand keyCommand(int keyCode, int shift);

// The key code of a Qt key for the keys above (0 for any other key).
int keyCodeOf(int qtKey);
int shiftStateOf(Qt::KeyboardModifiers modifiers);

}  // namespace keysound::editor
