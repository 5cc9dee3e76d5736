#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace keysound::platform {

double logicalDpi(const QWidget* widget)
{
    if (widget)
        return widget->logicalDpiX();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

int twipsToPixels(double twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / TwipsPerInch)); }

double pixelsToTwips(int pixels, double dpi) { return pixels * TwipsPerInch / dpi; }

void placeInTwips(QWidget* widget, int left, int top, int width, int height)
{
    const double dpi = logicalDpi(widget);
    widget->setGeometry(twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi),
                        twipsToPixels(height, dpi));
}

void resizeClientInTwips(QWidget* window, int width, int height)
{
    const double dpi = logicalDpi(window);
    window->resize(twipsToPixels(width, dpi), twipsToPixels(height, dpi));
}

}  // namespace keysound::platform
