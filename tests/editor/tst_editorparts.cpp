#include "editor/FormResize.h"
#include "editor/StringBack.h"

#include "ErrorOf.h"

#include <QTest>

using namespace keysound::editor;
using keysound::test::errorNumberOf;

namespace {
using Expected = std::optional<QString>;
const Expected invalidArgument;  // the call throws InvalidArgument

// Resize metrics (window as designed, but for its client area and outer width) and what follows.
struct Resize {
    ResizeMetrics metrics;
    ResizedControls controls;
    std::array<bool, 5> applied = {true, true, true, true, true};  // false where the toolkit refused the value
};

ResizeMetrics designedWith(float scaleWidth, float scaleHeight, float width)
{
    return {.scaleWidth = scaleWidth,
            .scaleHeight = scaleHeight,
            .width = width,
            .gridTop = 960,
            .picButtonsHeight = 300,
            .picStatBoxHeight = 300};
}
}  // namespace
Q_DECLARE_METATYPE(Resize)

class EditorPartsTest : public QObject {
    Q_OBJECT
private slots:
    void getStringBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<Expected>("expected");
        QTest::newRow("empty text") << ""
                                    << "\\" << Expected("");
        QTest::newRow("full path gives its last component") << "C:\\sounds\\按键.mp3"
                                                            << "\\" << Expected("按键.mp3");
        QTest::newRow("slash separator kept, later backslashes dropped") << "a/b/c\\d.mp3"
                                                                         << "/" << Expected("/cd.mp3");
        QTest::newRow("separator compared case-sensitively") << "aXbxc"
                                                             << "x" << Expected("xc");
        QTest::newRow("no separator") << "a.mp3"
                                      << "\\" << invalidArgument;
    }
    void getStringBack()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(Expected, expected);
        QString back;
        const int number = errorNumberOf([&] { back = keysound::editor::getStringBack(text, separator); });
        if (!expected) {
            QCOMPARE(number, keysound::ErrorNumber::InvalidArgument);
            return;
        }
        QCOMPARE(number, 0);
        QCOMPARE(back, *expected);
    }

    void formResize_data()
    {
        QTest::addColumn<Resize>("r");
        const auto row = [](const char* name, const Resize& r) { QTest::newRow(name) << r; };
        // clang-format off
        row("worked example: client 6045x2970, outer 6165", {.metrics = designedWith(6045, 2970, 6165),
            .controls = {.gridWidth = 6045, .gridHeight = 1380, .lblStatusWidth = 4665, .cmdNextLeft = 5365,
                         .cmdLastLeft = 5705}});
        row("too narrow: label keeps its width, buttons placed from it", {.metrics = designedWith(1379, 2970, 1499),
            .controls = {.gridWidth = 1379, .gridHeight = 1380, .lblStatusWidth = 3360, .cmdNextLeft = 4060,
                         .cmdLastLeft = 4400},
            .applied = {true, true, false, true, true}});
        row("outer width exactly 1500: label width 0 taken", {.metrics = designedWith(1380, 2970, 1500),
            .controls = {.gridWidth = 1380, .gridHeight = 1380, .lblStatusWidth = 0, .cmdNextLeft = 700,
                         .cmdLastLeft = 1040}});
        row("too low: grid keeps its height, later statements still run", {.metrics = designedWith(6045, 1500, 6165),
            .controls = {.gridWidth = 6045, .gridHeight = 1305, .lblStatusWidth = 4665, .cmdNextLeft = 5365,
                         .cmdLastLeft = 5705},
            .applied = {true, false, true, true, true}});
        // clang-format on
    }
    void formResize()
    {
        QFETCH(Resize, r);
        const ResizedControls designed{
            .gridWidth = 5760, .gridHeight = 1305, .lblStatusWidth = 3360, .cmdNextLeft = 4200, .cmdLastLeft = 4545};
        const ResizeOutcome outcome = resizeControls(r.metrics, designed);
        QCOMPARE(outcome.controls, r.controls);
        QCOMPARE(outcome.applied, r.applied);
    }
};

QTEST_GUILESS_MAIN(EditorPartsTest)
#include "tst_editorparts.moc"
