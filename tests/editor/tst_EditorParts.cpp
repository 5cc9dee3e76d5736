#include "editor/FormResize.h"
#include "editor/NavigationPictures.h"
#include "editor/StringBack.h"
#include "platform/Error.h"

#include <QTest>

using namespace keysound::editor;

Q_DECLARE_METATYPE(NavigationPicture)

class tst_EditorParts : public QObject {
    Q_OBJECT
private slots:
    void getStringBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty text") << "" << "\\" << "";
        QTest::newRow("full path gives its last component") << "C:\\sounds\\按键.mp3" << "\\" << "按键.mp3";
        QTest::newRow("slash separator kept, later backslashes dropped") << "a/b/c\\d.mp3" << "/" << "/cd.mp3";
        QTest::newRow("separator compared case-sensitively") << "aXbxc" << "x" << "xc";
        QTest::newRow("no separator") << "a.mp3" << "\\" << "<invalid argument>";
    }
    void getStringBack()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QString, expected);
        QString result;
        try {
            result = keysound::editor::getStringBack(text, separator);
        } catch (const keysound::Error& error) {
            result = error.number() == keysound::ErrorNumber::InvalidArgument ? "<invalid argument>" : "<other error>";
        }
        QCOMPARE(result, expected);
    }

    void formResize_data()
    {
        // metrics: client width, client height, outer width, grid top, button bar, status bar (twips)
        QTest::addColumn<QList<float>>("metrics");
        QTest::addColumn<QList<float>>("current");   // grid width, grid height, lblStatus width,
        QTest::addColumn<QList<float>>("expected");  // cmdNext.Left, cmdLast.Left
        QTest::addColumn<QList<bool>>("applied");
        const QList<float> designed{5760, 1305, 3360, 4200, 4545};
        const QList<bool> all{true, true, true, true, true};
        QTest::newRow("worked example: client 6045x2970, outer 6165")
            << QList<float>{6045, 2970, 6165, 960, 300, 300} << designed << QList<float>{6045, 1380, 4665, 5365, 5705} << all;
        QTest::newRow("too narrow: label keeps its width, buttons placed from it") << QList<float>{1379, 2970, 1499, 960, 300, 300}
            << designed << QList<float>{1379, 1380, 3360, 4060, 4400} << QList<bool>{true, true, false, true, true};
        QTest::newRow("outer width exactly 1500: label width 0 taken")
            << QList<float>{1380, 2970, 1500, 960, 300, 300} << designed << QList<float>{1380, 1380, 0, 700, 1040} << all;
        QTest::newRow("too low: grid keeps its height, the other statements still run") << QList<float>{6045, 1500, 6165, 960, 300, 300}
            << designed << QList<float>{6045, 1305, 4665, 5365, 5705} << QList<bool>{true, false, true, true, true};
    }
    void formResize()
    {
        QFETCH(QList<float>, metrics);
        QFETCH(QList<float>, current);
        QFETCH(QList<float>, expected);
        QFETCH(QList<bool>, applied);
        const ResizeOutcome outcome =
            resizeControls({metrics[0], metrics[1], metrics[2], metrics[3], metrics[4], metrics[5]},
                           {current[0], current[1], current[2], current[3], current[4]});
        const ResizedControls& c = outcome.controls;
        QCOMPARE((QList<float>{c.gridWidth, c.gridHeight, c.lblStatusWidth, c.cmdNextLeft, c.cmdLastLeft}), expected);
        QCOMPARE(QList<bool>(outcome.applied.begin(), outcome.applied.end()), applied);
    }

    // The point row and the top row tell the pictures' direction and bars apart.
    void navigationPicture_data()
    {
        QTest::addColumn<NavigationPicture>("picture");
        QTest::addColumn<QString>("rows");  // columns 4-10 of rows 4 and 8, '#' black
        QTest::newRow("first") << NavigationPicture::First << "#.....#|#.#####";
        QTest::newRow("previous") << NavigationPicture::Previous << "....#..|#####..";
        QTest::newRow("next") << NavigationPicture::Next << "..#....|..#####";
        QTest::newRow("last") << NavigationPicture::Last << "#.....#|#####.#";
    }
    void navigationPicture()
    {
        QFETCH(NavigationPicture, picture);
        QFETCH(QString, rows);
        const QImage masked = maskedNavigationPicture(picture);  // as the button shows it
        QString seen;
        for (int y : {4, 8}) {
            for (int x = 4; x <= 10; ++x)
                seen += masked.pixel(x, y) == qRgba(0, 0, 0, 255) ? '#' : qAlpha(masked.pixel(x, y)) == 0 ? '.' : '?';
            seen += y == 4 ? "|" : "";
        }
        QCOMPARE(seen, rows);
    }
};

QTEST_GUILESS_MAIN(tst_EditorParts)
#include "tst_EditorParts.moc"
