#include "EditorTestSupport.h"
#include "platform/Error.h"
#include "platform/Twips.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

using namespace keysound;
using editor::frmConfig;
using test::LoadedEditor;
using test::stateOf;

namespace {
QRect pixelsOf(const QWidget* widget, const QRect& twips)
{
    const double dpi = platform::logicalDpi(widget);
    return QRect(platform::twipsToPixels(twips.x(), dpi), platform::twipsToPixels(twips.y(), dpi),
                 platform::twipsToPixels(twips.width(), dpi), platform::twipsToPixels(twips.height(), dpi));
}

// The mapping of row 2 as another connection reads it.
QVariantList storedSecondRow()
{
    auto stored = test::freshRecordset(store::editorStatement());
    stored->MoveNext();
    return {stored->Value("键位"), stored->Value("文件名")};
}

// Goes to row 2 and into the state the script names ("Edit", "Add" or browse).
void enter(frmConfig& w, const QString& script)
{
    w.grdDataGrid->selectRow(1);
    if (script == "Edit")
        w.cmdEdit->click();
    else if (script == "Add")
        w.cmdAdd->click();
}
}  // namespace

// Buttons clicked (F first, P previous, N next, L last, E edit, A add; a digit chooses that grid
// row), then one key on a control, if any.
struct NavigationCase {
    int rows;
    QString steps;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int position;  // 0: where the steps left it
    int beeps = 0, messages = 0;
    bool open = true;
    QString focus = "txtFields(0)";
};
struct ChordCase {
    QString script;  // see enter()
    QString focus, letters;
    Qt::KeyboardModifiers modifiers;
    QString shown, state;  // the text of the box the chords went to (the key box for the grid)
    QString storedKey = "k1";  // row 2's key after a closing Update
};
Q_DECLARE_METATYPE(NavigationCase)
Q_DECLARE_METATYPE(ChordCase)

class tst_frmConfigWindow : public QObject {
    Q_OBJECT
private slots:
    // A few places that would show a wrong unit or origin (client area, bar, docking).
    void placedInTwips_data()
    {
        QTest::addColumn<QRect>("twips");
        QTest::newRow("txtFields(1)") << QRect(2040, 380, 495, 285);
        QTest::newRow("cmdLast") << QRect(4545, 0, 345, 300);
        QTest::newRow("picButtons") << QRect(0, 2370, 6045, 300);
    }
    void placedInTwips()
    {
        QFETCH(QRect, twips);
        frmConfig window;
        auto* control = window.findChild<QWidget*>(QTest::currentDataTag());
        QCOMPARE(control->geometry(), pixelsOf(control, twips));
    }

    void captionIsExactlyConfig()
    {
        QGuiApplication::setApplicationDisplayName("keysound");
        frmConfig window;
        QCOMPARE(window.windowTitle(), "Config");
        // The desktop's title is the caption followed by any non-empty display name.
        QVERIFY2(QGuiApplication::applicationDisplayName().isEmpty(), qPrintable(QGuiApplication::applicationDisplayName()));
    }

    void everyControlHasAnAccessibleName()
    {
        frmConfig w;
        const QList<std::pair<QWidget*, QString>> expected{{w.txtFields[0], "键位"},  {w.txtFields[1], "文件名"},
                                                           {w.cmdFirst, "第一条"},    {w.cmdPrevious, "上一条"},
                                                           {w.cmdNext, "下一条"},     {w.cmdLast, "最后一条"}};
        for (const auto& [widget, name] : expected)
            QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
        QVERIFY(!QAccessible::queryAccessibleInterface(w.grdDataGrid)->text(QAccessible::Name).isEmpty());
        QCOMPARE(w.cmdLast->toolTip(), "最后一条");
    }

    void tabVisitsEveryControlInOrder_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("browse") << "" << QStringList{"txtFields(1)", "grdDataGrid", "cmdFirst", "cmdPrevious", "cmdNext",
                                                     "cmdLast", "cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh",
                                                     "cmdClose", "Command1", "txtFields(0)"};
        QTest::newRow("editing") << "Edit" << QStringList{"txtFields(1)", "grdDataGrid", "cmdUpdate", "cmdCancel", "Command1", "txtFields(0)"};
    }
    void tabVisitsEveryControlInOrder()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, order);
        LoadedEditor e(3);
        QVERIFY(e.activate());
        enter(e.window, script);
        e.window.txtFields[0]->setFocus();
        QStringList visited;
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
        QCOMPARE(e.window.adoPrimaryRS->AbsolutePosition(), 2);
    }

    void altChordsTypeNothing_data()
    {
        QTest::addColumn<ChordCase>("c");
        const Qt::KeyboardModifiers alt(Qt::AltModifier);
        QTest::newRow("browse: Alt+U with Update hidden, key text selected") << ChordCase{"", "txtFields(0)", "u", alt, "k1", "browse"};
        QTest::newRow("browse: Alt+K, Alt+U in the grid") << ChordCase{"", "grdDataGrid", "ku", alt, "k1", "browse"};
        QTest::newRow("editing: Alt+A, Alt+D, Alt+R in the key box") << ChordCase{"Edit", "txtFields(0)", "adr", alt, "k1", "editing"};
        QTest::newRow("adding: Alt+A, Alt+D, Alt+R in the file box") << ChordCase{"Add", "txtFields(1)", "adr", alt, "", "adding"};
        QTest::newRow("editing: Ctrl+Alt+X") << ChordCase{"Edit", "txtFields(0)", "x", alt | Qt::ControlModifier, "k1", "editing"};
        QTest::newRow("browse: Alt+E presses the visible Edit") << ChordCase{"", "txtFields(0)", "e", alt, "k1", "editing"};
        QTest::newRow("editing: Alt+C presses Cancel, not the hidden Close") << ChordCase{"Edit", "txtFields(0)", "c", alt, "k0", "browse"};
        QTest::newRow("editing: an AltGr letter is typed") << ChordCase{"Edit", "txtFields(0)", "e", Qt::GroupSwitchModifier, "e", "editing", "e"};
    }
    void altChordsTypeNothing()
    {
        QFETCH(ChordCase, c);
        LoadedEditor e(3);
        QVERIFY(e.activate());
        enter(e.window, c.script);
        auto* target = e.window.findChild<QWidget*>(c.focus);
        target->setFocus();
        e.window.txtFields[0]->selectAll();
        for (QChar letter : c.letters)
            QTest::keyClick(target, letter.toLatin1(), c.modifiers);
        QTRY_COMPARE(stateOf(e.window), c.state);  // an access key clicks after a moment
        auto* box = qobject_cast<QLineEdit*>(target);
        QCOMPARE((box ? box : e.window.txtFields[0])->text(), c.shown);
        if (c.script == "Add")
            e.window.cmdCancel->click();
        else if (e.window.cmdUpdate->isVisible())
            e.window.cmdUpdate->click();
        QCOMPARE(e.seams.messages, QStringList());
        QCOMPARE(storedSecondRow(), (QVariantList{c.storedKey, "f1.mp3"}));
    }

    void gridKeepsTheRowWhileARecordIsPending_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("click on another row") << "click";
        QTest::newRow("double click on another row") << "double";
        QTest::newRow("keys on the grid") << "keys";
    }
    void gridKeepsTheRowWhileARecordIsPending()
    {
        QFETCH(QString, gesture);
        LoadedEditor e(3);
        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        e.window.cmdAdd->click();
        test::type(e.window.txtFields[0], "ghost");
        QTableView* grid = e.window.grdDataGrid;
        const QPoint firstRow = grid->visualRect(grid->model()->index(0, 0)).center();
        if (gesture == "click")
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, firstRow);
        else if (gesture == "double")
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, firstRow);
        else
            grid->setFocus(), QTest::keyClick(grid, Qt::Key_Up), QTest::keyClick(grid, Qt::Key_Home), QTest::keyClick(grid, 'k');
        QCOMPARE(e.window.txtFields[0]->text(), "ghost");
        QCOMPARE(grid->selectionModel()->selectedRows().value(0).row(), e.window.adoPrimaryRS->currentRow());
        e.window.cmdCancel->click();
        QVERIFY(!e.window.adoPrimaryRS->hasPendingChanges());
        e.window.close();
        QCOMPARE(test::storedKeys(), (QStringList{"k0", "k1", "k2"}));
    }

    void gridShowsTheTableAndSetsTheCurrentRow()
    {
        LoadedEditor e(4);  // headers incl. extra columns: tst_frmConfigCommands::valuesOfEveryKindRoundTrip
        QTableView* grid = e.window.grdDataGrid;
        QCOMPARE(grid->model()->index(2, 1).data().toString(), QStringLiteral("f2.mp3"));
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable));
        QTRY_COMPARE(QApplication::focusWidget(), e.window.txtFields[0]);
        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, 1)).center());
        QCOMPARE(e.window.adoPrimaryRS->AbsolutePosition(), 3);
        QCOMPARE(e.window.txtFields[1]->text(), QStringLiteral("f2.mp3"));
    }

    // At 96 dpi (15 twips a pixel), the window opened at 403x198 in a frame 4 pixels wider (60 twips).
    void resizeFollowsTheWindow()
    {
        LoadedEditor e(0);
        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        if (platform::logicalDpi(&e.window) != 96 || e.window.frameGeometry().width() != e.window.width() + 4)
            QSKIP("the expected twips assume 96 dpi and a frame of 2 pixels a side");
        e.window.resize(800, 500);
        QTRY_COMPARE(e.window.size(), QSize(800, 500));
        QCOMPARE(e.window.grdDataGrid->size(), QSize(800, 394));  // 5910 twips: 500 - 64 - 2 - 20 - 20 pixels
        QCOMPARE(e.window.lblStatus->width(), 704);                 // outer 12060 twips - 1500
        QCOMPARE(e.window.cmdLast->x(), 773);                       // 10560 + 700 + 340 twips
        QCOMPARE(e.window.picStatBox->geometry(), QRect(0, 480, 800, 20));
        QCOMPARE(e.window.picButtons->geometry(), QRect(0, 460, 800, 20));
    }

    void failingLoadThrowsAndShowsNothing_data()
    {
        QTest::addColumn<QString>("sql");  // run on db1.mdb before the load; "": no db1.mdb at all
        QTest::addColumn<int>("number");
        QTest::newRow("db1.mdb missing") << "" << ErrorNumber::DatabaseNotFound;
        QTest::newRow("Config table missing") << "DROP TABLE Config" << ErrorNumber::TableNotFound;
        QTest::newRow("文件名 column missing") << "DROP TABLE Config; CREATE TABLE Config (键位 TEXT)" << ErrorNumber::ItemNotFound;
    }
    void failingLoadThrowsAndShowsNothing()
    {
        QFETCH(QString, sql);
        QFETCH(int, number);
        test::TestAppFolder folder(sql.isEmpty() ? test::TestAppFolder::WithoutDatabase : test::TestAppFolder::WithDatabase);
        if (!sql.isEmpty())
            folder.exec(sql);
        test::EditorSeams seams;
        frmConfig window;
        int thrown = 0;
        try {
            window.Show(1);
        } catch (const Error& error) {
            thrown = error.number();
        }
        QCOMPARE(thrown, number);
        QVERIFY(!window.isVisible() && !window.isLoaded());
        QVERIFY(seams.messages.isEmpty());  // the application's uncaught-error handler shows it
    }

    void navigation_data()
    {
        QTest::addColumn<NavigationCase>("c");
        const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier), shift(Qt::ShiftModifier), alt(Qt::AltModifier);
        const Qt::Key noKey = Qt::Key_unknown;
        QTest::newRow("Next from the first row") << NavigationCase{3, "N", noKey, none, 2};
        QTest::newRow("Next on the last row beeps once and stays") << NavigationCase{3, "LN", noKey, none, 3, 1};
        QTest::newRow("Previous on the first row beeps once and stays") << NavigationCase{3, "P", noKey, none, 1, 1};
        QTest::newRow("Previous from the last row") << NavigationCase{3, "LP", noKey, none, 2};
        QTest::newRow("First and Last on their own row: no beep") << NavigationCase{3, "FLL", noKey, none, 3};
        QTest::newRow("no rows: Next and Previous do nothing") << NavigationCase{0, "NPNP", noKey, none, -1};
        QTest::newRow("no rows: First is refused") << NavigationCase{0, "F", noKey, none, -1, 0, 1};
        QTest::newRow("Down in the key box") << NavigationCase{5, "3", Qt::Key_Down, none, 4};
        QTest::newRow("Up in the file box") << NavigationCase{5, "3", Qt::Key_Up, none, 2, 0, 0, true, "txtFields(1)"};
        QTest::newRow("Ctrl+Up: first") << NavigationCase{5, "3", Qt::Key_Up, ctrl, 1};
        QTest::newRow("Ctrl+PageDown: last") << NavigationCase{5, "3", Qt::Key_PageDown, ctrl, 5};
        QTest::newRow("Ctrl+Shift+Up: one back") << NavigationCase{5, "3", Qt::Key_Up, ctrl | shift, 2};
        QTest::newRow("Down in the grid: one row") << NavigationCase{5, "3", Qt::Key_Down, none, 4, 0, 0, true, "grdDataGrid"};
        QTest::newRow("PageDown in the grid: one row") << NavigationCase{5, "2", Qt::Key_PageDown, none, 3, 0, 0, true, "grdDataGrid"};
        QTest::newRow("Shift+Home in the grid") << NavigationCase{5, "3", Qt::Key_Home, shift, 1, 0, 0, true, "grdDataGrid"};
        QTest::newRow("Ctrl+Shift+Alt+End on a button") << NavigationCase{5, "3", Qt::Key_End, ctrl | shift | alt, 5, 0, 0, true, "Command1"};
        QTest::newRow("Enter in the key box presses no button") << NavigationCase{5, "3", Qt::Key_Return, none, 3};
        QTest::newRow("Enter in the file box presses no button") << NavigationCase{5, "3", Qt::Key_Enter, none, 3, 0, 0, true, "txtFields(1)"};
        QTest::newRow("Left is no navigation key") << NavigationCase{5, "3", Qt::Key_Left, none, 3};
        QTest::newRow("Esc closes in browse state") << NavigationCase{5, "3", Qt::Key_Escape, none, 3, 0, 0, false};
        QTest::newRow("editing: Down ignored") << NavigationCase{5, "3E", Qt::Key_Down, none, 0};
        QTest::newRow("editing: Esc ignored") << NavigationCase{5, "3E", Qt::Key_Escape, none, 0};
        QTest::newRow("adding: Esc ignored") << NavigationCase{5, "3A", Qt::Key_Escape, none, 0};
    }
    void navigation()
    {
        QFETCH(NavigationCase, c);
        LoadedEditor e(c.rows);
        frmConfig& w = e.window;
        const QMap<QChar, QPushButton*> buttons{{'F', w.cmdFirst}, {'P', w.cmdPrevious}, {'N', w.cmdNext},
                                                {'L', w.cmdLast},  {'E', w.cmdEdit},     {'A', w.cmdAdd}};
        for (QChar step : c.steps)
            step.isDigit() ? w.grdDataGrid->selectRow(step.digitValue() - 1) : buttons[step]->click();
        const int position = c.position ? c.position : w.adoPrimaryRS->AbsolutePosition();
        if (c.key != Qt::Key_unknown) {
            auto* target = w.findChild<QWidget*>(c.focus);
            target->setFocus();
            QTest::keyClick(target, c.key, c.modifiers);
        }
        QCOMPARE(w.adoPrimaryRS->AbsolutePosition(), position);
        QCOMPARE(w.isVisible(), c.open);
        QCOMPARE(w.isLoaded(), c.open);
        QCOMPARE(e.seams.beeps, c.beeps);
        QCOMPARE(e.seams.messages.size(), c.messages);
        if (c.position == 0)
            return;  // adding or editing
        QCOMPARE(w.lblStatus->text(), QStringLiteral("Record: %1").arg(position));
        QVERIFY(!w.adoPrimaryRS->hasPendingChanges());  // showing a row writes nothing into it
        if (position > 0) {
            QCOMPARE(w.txtFields[0]->text(), QStringLiteral("k%1").arg(position - 1));
            QCOMPARE(w.grdDataGrid->selectionModel()->selectedRows().value(0).row(), position - 1);
        }
    }
};

QTEST_MAIN(tst_frmConfigWindow)
#include "tst_frmConfigWindow.moc"
