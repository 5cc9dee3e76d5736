#include "editor/NavigationPictures.h"

#include <QPixmap>
#include <cstdlib>

namespace keysound::editor {

namespace {
constexpr int TopRow = 4;
constexpr int PointRow = 8;
constexpr int BottomRow = 12;
constexpr int TriangleDepth = 4;  // the triangle spans 5 columns

void drawBar(QImage& image, int column)
{
    for (int row = TopRow; row <= BottomRow; ++row)
        image.setPixel(column, row, qRgb(0, 0, 0));
}

// Each row is narrower by one column per row away from the point row.
void drawTriangle(QImage& image, int pointColumn, int baseColumn)
{
    const int towardBase = baseColumn > pointColumn ? 1 : -1;
    for (int row = TopRow; row <= BottomRow; ++row) {
        const int firstColumn = pointColumn + towardBase * std::abs(row - PointRow);
        for (int column = firstColumn; column != baseColumn + towardBase; column += towardBase)
            image.setPixel(column, row, qRgb(0, 0, 0));
    }
}
}  // namespace

QImage navigationPicture(NavigationPicture which)
{
    QImage image(NavigationPictureSize, NavigationPictureSize, QImage::Format_RGB32);
    image.fill(NavigationMaskColour);
    switch (which) {
    case NavigationPicture::First:
        drawBar(image, 4);
        drawTriangle(image, 6, 6 + TriangleDepth);
        break;
    case NavigationPicture::Previous: drawTriangle(image, 4, 4 + TriangleDepth); break;
    case NavigationPicture::Next: drawTriangle(image, 10, 10 - TriangleDepth); break;
    case NavigationPicture::Last:
        drawTriangle(image, 8, 8 - TriangleDepth);
        drawBar(image, 10);
        break;
    }
    return image;
}

QImage maskedNavigationPicture(NavigationPicture which)
{
    QImage image = navigationPicture(which).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == NavigationMaskColour)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
        }
    }
    return image;
}

QIcon navigationIcon(NavigationPicture which) { return QIcon(QPixmap::fromImage(maskedNavigationPicture(which))); }

}  // namespace keysound::editor
