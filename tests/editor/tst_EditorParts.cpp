#include "editor/FormResize.h"
#include "editor/StringBack.h"
#include "platform/Error.h"

#include <QTest>

using namespace keysound::editor;

Q_DECLARE_METATYPE(ResizeMetrics)
Q_DECLARE_METATYPE(ResizeOutcome)

class tst_EditorParts : public QObject {
    Q_OBJECT
private slots:
    void getStringBack_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty text") << "" << "\\" << "";
        QTest::newRow("full path gives its last component") << "C:\\sounds\\按键.mp3" << "\\" << "按键.mp3";
        QTest::newRow("slash separator kept, later backslashes dropped") << "a/b/c\\d.mp3" << "/" << "/cd.mp3";
        QTest::newRow("separator compared case-sensitively") << "aXbxc" << "x" << "xc";
        QTest::newRow("no separator") << "a.mp3" << "\\" << "<invalid argument>";
        // clang-format on
    }
    void getStringBack()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QString, expected);
        try {
            QCOMPARE(keysound::editor::getStringBack(text, separator), expected);
        } catch (const keysound::Error& error) {
            QCOMPARE(error.number() == keysound::ErrorNumber::InvalidArgument ? "<invalid argument>" : "<other error>", expected);
        }
    }

    // Client width and height, outer width, grid top, button bar, status bar; the window as designed.
    void formResize_data()
    {
        // clang-format off
        QTest::addColumn<ResizeMetrics>("metrics");
        QTest::addColumn<ResizeOutcome>("expected");  // grid width and height, lblStatus width, cmdNext and cmdLast left
        const auto row = [](const char* name, ResizeMetrics m, ResizedControls c, std::array<bool, 5> applied) {
            QTest::newRow(name) << m << ResizeOutcome{c, applied};
        };
        row("worked example: client 6045x2970, outer 6165", {6045, 2970, 6165, 960, 300, 300}, {6045, 1380, 4665, 5365, 5705}, {true, true, true, true, true});
        row("too narrow: label keeps its width, buttons placed from it", {1379, 2970, 1499, 960, 300, 300}, {1379, 1380, 3360, 4060, 4400}, {true, true, false, true, true});
        row("outer width exactly 1500: label width 0 taken", {1380, 2970, 1500, 960, 300, 300}, {1380, 1380, 0, 700, 1040}, {true, true, true, true, true});
        row("too low: grid keeps its height, the other statements still run", {6045, 1500, 6165, 960, 300, 300}, {6045, 1305, 4665, 5365, 5705}, {true, false, true, true, true});
        // clang-format on
    }
    void formResize()
    {
        QFETCH(ResizeMetrics, metrics);
        QFETCH(ResizeOutcome, expected);
        const ResizeOutcome outcome = resizeControls(metrics, {5760, 1305, 3360, 4200, 4545});
        QCOMPARE(outcome.controls, expected.controls);
        QCOMPARE(outcome.applied, expected.applied);
    }
};

QTEST_GUILESS_MAIN(tst_EditorParts)
#include "tst_EditorParts.moc"
