#pragma once

#include <QIcon>
#include <QImage>

namespace keysound::editor {

enum class NavigationPicture { First, Previous, Next, Last };

inline constexpr int NavigationPictureSize = 16;
inline constexpr QRgb NavigationMaskColour = 0xFFC0C0C0;  // RGB(192, 192, 192)

// The picture as drawn: black on opaque light grey.
QImage navigationPicture(NavigationPicture which);
// The picture as the button shows it: the light grey made transparent.
QImage maskedNavigationPicture(NavigationPicture which);
QIcon navigationIcon(NavigationPicture which);

}  // namespace keysound::editor
