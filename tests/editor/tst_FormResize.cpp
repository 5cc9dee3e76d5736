#include "editor/FormResize.h"

#include <QTest>

using namespace keysound::editor;

Q_DECLARE_METATYPE(ResizedControls)

namespace {
constexpr ResizedControls Designed{5760, 1305, 3360, 4200, 4545};
}

class tst_FormResize : public QObject {
    Q_OBJECT
private slots:
    void resizesGridStatusAndLastButtons_data()
    {
        QTest::addColumn<float>("scaleWidth");
        QTest::addColumn<float>("scaleHeight");
        QTest::addColumn<float>("outerWidth");
        QTest::addColumn<ResizedControls>("current");
        QTest::addColumn<ResizedControls>("expected");
        QTest::addColumn<QList<bool>>("applied");
        const QList<bool> all{true, true, true, true, true};

        QTest::newRow("designed size, frame 60 each side")
            << 6045.f << 2970.f << 6165.f << Designed << ResizedControls{6045, 1380, 4665, 5365, 5705} << all;
        QTest::newRow("wider and taller")
            << 9000.f << 5000.f << 9120.f << Designed << ResizedControls{9000, 3410, 7620, 8320, 8660} << all;
        QTest::newRow("fractional twips kept in single precision")
            << 6045.5f << 2970.25f << 6165.75f << Designed << ResizedControls{6045.5f, 1380.25f, 4665.75f, 5365.75f, 5705.75f}
            << all;
        QTest::newRow("outer width 1499: label keeps its width, buttons placed from it")
            << 1379.f << 2970.f << 1499.f << ResizedControls{6045, 1380, 4665, 5365, 5705}
            << ResizedControls{1379, 1380, 4665, 5365, 5705} << QList<bool>{true, true, false, true, true};
        QTest::newRow("outer width exactly 1500: label width 0 is taken")
            << 1380.f << 2970.f << 1500.f << Designed << ResizedControls{1380, 1380, 0, 700, 1040} << all;
        QTest::newRow("too low for the grid: grid keeps its height")
            << 6045.f << 1500.f << 6165.f << ResizedControls{6045, 1380, 4665, 5365, 5705}
            << ResizedControls{6045, 1380, 4665, 5365, 5705} << QList<bool>{true, false, true, true, true};
        QTest::newRow("grid height exactly 0")
            << 6045.f << 1590.f << 6165.f << Designed << ResizedControls{6045, 0, 4665, 5365, 5705} << all;
        QTest::newRow("minimised: only the positions run")
            << 0.f << 0.f << 0.f << Designed << ResizedControls{0, 1305, 3360, 4060, 4400}
            << QList<bool>{true, false, false, true, true};
    }
    void resizesGridStatusAndLastButtons()
    {
        QFETCH(float, scaleWidth);
        QFETCH(float, scaleHeight);
        QFETCH(float, outerWidth);
        QFETCH(ResizedControls, current);
        QFETCH(ResizedControls, expected);
        QFETCH(QList<bool>, applied);
        const ResizeMetrics metrics{scaleWidth, scaleHeight, outerWidth, 960, 300, 300};
        const ResizeOutcome outcome = resizeControls(metrics, current);
        QCOMPARE(outcome.controls.gridWidth, expected.gridWidth);
        QCOMPARE(outcome.controls.gridHeight, expected.gridHeight);
        QCOMPARE(outcome.controls.lblStatusWidth, expected.lblStatusWidth);
        QCOMPARE(outcome.controls.cmdNextLeft, expected.cmdNextLeft);
        QCOMPARE(outcome.controls.cmdLastLeft, expected.cmdLastLeft);
        QCOMPARE(QList<bool>(outcome.applied.begin(), outcome.applied.end()), applied);
    }

    void readsGridTopAndBarHeights()
    {
        const ResizeMetrics metrics{6045, 2970, 6165, 500, 400, 200};
        QCOMPARE(resizeControls(metrics, Designed).controls.gridHeight, 2970.f - 500 - 30 - 400 - 200);
    }
};

QTEST_GUILESS_MAIN(tst_FormResize)
#include "tst_FormResize.moc"
