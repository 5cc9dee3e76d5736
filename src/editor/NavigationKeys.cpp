#include "editor/NavigationKeys.h"

namespace keysound::editor {

KeyCommand keyCommand(int keyCode, int shift)
{
    const bool ctrlAlone = shift == ShiftMask::Ctrl;
    switch (keyCode) {
    case KeyCode::Escape: return KeyCommand::Close;
    case KeyCode::End: return KeyCommand::Last;
    case KeyCode::Home: return KeyCommand::First;
    case KeyCode::Up:
    case KeyCode::PageUp: return ctrlAlone ? KeyCommand::First : KeyCommand::Previous;
    case KeyCode::Down:
    case KeyCode::PageDown: return ctrlAlone ? KeyCommand::Last : KeyCommand::Next;
    default: return KeyCommand::None;
    }
}

int keyCodeOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Escape: return KeyCode::Escape;
    case Qt::Key_PageUp: return KeyCode::PageUp;
    case Qt::Key_PageDown: return KeyCode::PageDown;
    case Qt::Key_End: return KeyCode::End;
    case Qt::Key_Home: return KeyCode::Home;
    case Qt::Key_Up: return KeyCode::Up;
    case Qt::Key_Down: return KeyCode::Down;
    default: return 0;
    }
}

int shiftStateOf(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ShiftMask::Shift;
    if (modifiers & Qt::ControlModifier)
        shift |= ShiftMask::Ctrl;
    if (modifiers & Qt::AltModifier)
        shift |= ShiftMask::Alt;
    return shift;
}

}  // namespace keysound::editor
