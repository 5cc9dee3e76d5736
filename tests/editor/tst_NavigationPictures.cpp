#include "editor/NavigationPictures.h"

#include <QTest>

using namespace keysound::editor;

Q_DECLARE_METATYPE(NavigationPicture)

namespace {
// '#' black, '.' light grey; 16 rows of 16 columns.
QStringList art(std::initializer_list<const char*> rows4to12)
{
    QStringList lines(16, QString(16, QLatin1Char('.')));
    int row = 4;
    for (const char* line : rows4to12)
        lines[row++] = QString::fromLatin1(line);
    return lines;
}

QStringList drawn(const QImage& image)
{
    QStringList lines;
    for (int y = 0; y < image.height(); ++y) {
        QString line;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            line += pixel == qRgb(0, 0, 0) ? QLatin1Char('#') : pixel == qRgb(192, 192, 192) ? QLatin1Char('.') : QLatin1Char('?');
        }
        lines << line;
    }
    return lines;
}
}  // namespace

class tst_NavigationPictures : public QObject {
    Q_OBJECT
private slots:
    void drawnPixelByPixel_data()
    {
        QTest::addColumn<NavigationPicture>("picture");
        QTest::addColumn<QStringList>("expected");
        //                                         columns: 0123456789012345
        QTest::newRow("first: bar at 4, point 6, base 10") << NavigationPicture::First << art({
            "....#.....#.....",
            "....#....##.....",
            "....#...###.....",
            "....#..####.....",
            "....#.#####.....",
            "....#..####.....",
            "....#...###.....",
            "....#....##.....",
            "....#.....#....."});
        QTest::newRow("previous: point 4, base 8") << NavigationPicture::Previous << art({
            "........#.......",
            ".......##.......",
            "......###.......",
            ".....####.......",
            "....#####.......",
            ".....####.......",
            "......###.......",
            ".......##.......",
            "........#......."});
        QTest::newRow("next: base 6, point 10") << NavigationPicture::Next << art({
            "......#.........",
            "......##........",
            "......###.......",
            "......####......",
            "......#####.....",
            "......####......",
            "......###.......",
            "......##........",
            "......#........."});
        QTest::newRow("last: base 4, point 8, bar at 10") << NavigationPicture::Last << art({
            "....#.....#.....",
            "....##....#.....",
            "....###...#.....",
            "....####..#.....",
            "....#####.#.....",
            "....####..#.....",
            "....###...#.....",
            "....##....#.....",
            "....#.....#....."});
    }
    void drawnPixelByPixel()
    {
        QFETCH(NavigationPicture, picture);
        QFETCH(QStringList, expected);
        const QImage image = navigationPicture(picture);
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(drawn(image), expected);
    }

    void lightGreyIsTransparent_data() { drawnPixelByPixel_data(); }
    void lightGreyIsTransparent()
    {
        QFETCH(NavigationPicture, picture);
        QFETCH(QStringList, expected);
        const QImage image = maskedNavigationPicture(picture);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool black = expected[y][x] == QLatin1Char('#');
                QCOMPARE(qAlpha(image.pixel(x, y)), black ? 255 : 0);
                if (black)
                    QCOMPARE(qRgb(qRed(image.pixel(x, y)), qGreen(image.pixel(x, y)), qBlue(image.pixel(x, y))), qRgb(0, 0, 0));
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_NavigationPictures)
#include "tst_NavigationPictures.moc"
