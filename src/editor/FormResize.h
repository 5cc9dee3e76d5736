#pragma once

#include <array>

namespace keysound::editor {

// What the resize step reads from the window and its bars, in twips.
struct ResizeMetrics {
    float scaleWidth = 0;  // client area
    float scaleHeight = 0;
    float width = 0;  // outer width, frame included
    float gridTop = 0;
    float picButtonsHeight = 0;
    float picStatBoxHeight = 0;
};

// The five values the resize step sets, in twips, in the order it sets them.
struct ResizedControls {
    float gridWidth = 0;
    float gridHeight = 0;
    float lblStatusWidth = 0;
    float cmdNextLeft = 0;
    float cmdLastLeft = 0;

    bool operator==(const ResizedControls&) const = default;
};

struct ResizeOutcome {
    ResizedControls controls;
    std::array<bool, 5> applied{};  // false where the toolkit refused the value
};

// The window's outer width in pixels, its frame included. A window manager frames a window only
// after it is shown, so until its own frame is known (ownFrameWidth 0) the frame of the window it is
// shown over, framed by the same window manager, stands in for it.
int outerWidth(int clientWidth, int ownFrameWidth, int ownerFrameWidth);

// The resize arithmetic in single precision. A negative width or height is refused: that control
// keeps its value from `current`, and later steps read what the controls then hold.
ResizeOutcome resizeControls(const ResizeMetrics& metrics, const ResizedControls& current);

}  // namespace keysound::editor
