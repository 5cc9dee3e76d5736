#pragma once

#include <QRect>

class QWidget;

namespace keysound::platform {

// 1440 twips per logical inch of the screen: 15 twips per pixel at 96 dpi.
inline constexpr double TwipsPerInch = 1440.0;

double logicalDpi(const QWidget* widget = nullptr);
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(int pixels, double dpi);

// A designed Left, Top, Width, Height in twips placed on a widget, in pixels of its screen.
void placeInTwips(QWidget* widget, int left, int top, int width, int height);
void resizeClientInTwips(QWidget* window, int width, int height);

}  // namespace keysound::platform
