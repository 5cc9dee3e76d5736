#include "editor/FormResize.h"

namespace keysound::editor {

namespace {
bool trySetSize(float& property, float value)
{
    if (value < 0)
        return false;
    property = value;
    return true;
}
}  // namespace

int outerWidth(int clientWidth, int ownFrameWidth, int ownerFrameWidth)
{
    return clientWidth + (ownFrameWidth > 0 ? ownFrameWidth : ownerFrameWidth);
}

ResizeOutcome resizeControls(const ResizeMetrics& m, const ResizedControls& current)
{
    ResizeOutcome out{current, {}};
    ResizedControls& c = out.controls;
    out.applied[0] = trySetSize(c.gridWidth, m.scaleWidth);
    out.applied[1] =
        trySetSize(c.gridHeight, m.scaleHeight - m.gridTop - 30.0f - m.picButtonsHeight - m.picStatBoxHeight);
    out.applied[2] = trySetSize(c.lblStatusWidth, m.width - 1500.0f);
    c.cmdNextLeft = c.lblStatusWidth + 700.0f;
    out.applied[3] = true;
    c.cmdLastLeft = c.cmdNextLeft + 340.0f;
    out.applied[4] = true;
    return out;
}

}  // namespace keysound::editor
