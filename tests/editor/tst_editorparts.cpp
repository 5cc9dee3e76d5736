#include "editor/FormResize.h"
#include "editor/StringBack.h"

#include "ErrorOf.h"

#include <QTest>
#include <optional>

using namespace keysound::editor;
using keysound::test::errorNumberOf;

namespace {
// The text, the separator and the piece getStringBack gives; none where it throws InvalidArgument.
struct Back {
    QString text;
    QString separator;
    std::optional<QString> piece;
};

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
Q_DECLARE_METATYPE(Back)
Q_DECLARE_METATYPE(Resize)

class EditorPartsTest : public QObject {
    Q_OBJECT
private slots:
    // Before a window manager has framed the window (its first showing), the frame of the window it
    // is shown over counts; its own once known; none where no window has one.
    void outerWidth_data()
    {
        QTest::addColumn<QList<int>>("widths");  // client, own frame, owner's frame, outer
        QTest::newRow("not framed yet") << QList<int>{403, 0, 2, 405};
        QTest::newRow("framed") << QList<int>{403, 4, 2, 407};
        QTest::newRow("no frames") << QList<int>{403, 0, 0, 403};
    }
    void outerWidth()
    {
        QFETCH(QList<int>, widths);
        QCOMPARE(keysound::editor::outerWidth(widths[0], widths[1], widths[2]), widths[3]);
    }

    void getStringBack_data()
    {
        QTest::addColumn<Back>("b");
        const auto row = [](const char* name, const Back& b) { QTest::newRow(name) << b; };
        row("empty text", {.text = "", .separator = "\\", .piece = ""});
        // A full path giving its last component: the import rows of tst_frmconfig.
        row("slash separator kept, later backslashes dropped",
            {.text = "a/b/c\\d.mp3", .separator = "/", .piece = "/cd.mp3"});
        row("separator compared case-sensitively", {.text = "axbXc", .separator = "x", .piece = "xbXc"});
        row("no separator", {.text = "a.mp3", .separator = "\\", .piece = std::nullopt});
    }
    void getStringBack()
    {
        QFETCH(Back, b);
        QString piece;
        const int number = errorNumberOf([&] { piece = keysound::editor::getStringBack(b.text, b.separator); });
        if (!b.piece) {
            QCOMPARE(number, keysound::ErrorNumber::InvalidArgument);
            return;
        }
        QCOMPARE(number, 0);
        QCOMPARE(piece, *b.piece);
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
