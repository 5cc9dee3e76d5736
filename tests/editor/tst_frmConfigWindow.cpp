#include "EditorTestSupport.h"
#include "platform/Error.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QPushButton>

using namespace keysound;
using editor::frmConfig;
using test::LoadedEditor;

namespace {
QRect pixelsOf(const QWidget* widget, const QRect& twips)
{
    const double dpi = platform::logicalDpi(widget);
    return QRect(platform::twipsToPixels(twips.x(), dpi), platform::twipsToPixels(twips.y(), dpi),
                 platform::twipsToPixels(twips.width(), dpi), platform::twipsToPixels(twips.height(), dpi));
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
Q_DECLARE_METATYPE(NavigationCase)

class tst_frmConfigWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsAsDesigned_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<bool>("visible");
        QTest::newRow("lblLabels(0)") << "键位:" << QRect(120, 60, 1815, 255) << true;
        QTest::newRow("txtFields(0)") << "" << QRect(2040, 60, 3375, 285) << true;
        QTest::newRow("lblLabels(1)") << "文件名:" << QRect(120, 380, 1815, 255) << true;
        QTest::newRow("txtFields(1)") << "" << QRect(2040, 380, 495, 285) << true;
        QTest::newRow("grdDataGrid") << "" << QRect(0, 960, 5760, 1305) << true;
        QTest::newRow("picStatBox") << "" << QRect(0, 2670, 6045, 300) << true;
        QTest::newRow("picButtons") << "" << QRect(0, 2370, 6045, 300) << true;
        QTest::newRow("Command1") << "导入文件" << QRect(2760, 360, 990, 360) << true;
        QTest::newRow("cmdAdd") << "添加(&A)" << QRect(59, 0, 1095, 300) << true;
        QTest::newRow("cmdEdit") << "编辑(&E)" << QRect(1213, 0, 1095, 300) << true;
        QTest::newRow("cmdDelete") << "删除(&D)" << QRect(2367, 0, 1095, 300) << true;
        QTest::newRow("cmdRefresh") << "刷新(&R)" << QRect(3521, 0, 1095, 300) << true;
        QTest::newRow("cmdClose") << "关闭(&C)" << QRect(4675, 0, 1095, 300) << true;
        QTest::newRow("cmdUpdate") << "更新(&U)" << QRect(59, 0, 1095, 300) << false;
        QTest::newRow("cmdCancel") << "取消(&C)" << QRect(1213, 0, 1095, 300) << false;
        QTest::newRow("cmdFirst") << "" << QRect(0, 0, 345, 300) << true;
        QTest::newRow("cmdPrevious") << "" << QRect(345, 0, 345, 300) << true;
        QTest::newRow("lblStatus") << "" << QRect(690, 0, 3360, 285) << true;
        QTest::newRow("cmdNext") << "" << QRect(4200, 0, 345, 300) << true;
        QTest::newRow("cmdLast") << "" << QRect(4545, 0, 345, 300) << true;
    }
    void controlsAsDesigned()
    {
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(bool, visible);
        frmConfig window;
        auto* control = window.findChild<QWidget*>(QTest::currentDataTag());
        QVERIFY(control);
        QCOMPARE(control->geometry(), pixelsOf(control, twips));
        QCOMPARE(control->isVisibleTo(&window), visible);
        QCOMPARE(control->property("text").toString(), caption);  // none on the grid and the bars
        QCOMPARE(window.windowTitle(), QStringLiteral("Config"));
        QCOMPARE(window.size(), pixelsOf(&window, QRect(0, 0, 6045, 2970)).size());
    }

    void tabOrderStartsInTheKeyBox()
    {
        frmConfig window;
        const QStringList expected{"txtFields(0)", "txtFields(1)", "grdDataGrid", "cmdFirst", "cmdPrevious",
                                   "cmdNext",      "cmdLast",      "cmdAdd",      "cmdEdit",  "cmdDelete",
                                   "cmdRefresh",   "cmdClose",     "cmdUpdate",   "cmdCancel", "Command1"};
        QStringList order{window.txtFields[0]->objectName()};
        for (QWidget* w = window.txtFields[0]->nextInFocusChain(); w != window.txtFields[0]; w = w->nextInFocusChain()) {
            if (expected.contains(w->objectName()))
                order << w->objectName();
        }
        QCOMPARE(order, expected);
        for (const char* name : {"lblLabels(0)", "lblLabels(1)", "lblStatus", "picStatBox", "picButtons"})
            QCOMPARE(window.findChild<QWidget*>(name)->focusPolicy(), Qt::NoFocus);
    }

    void gridShowsTheTableAndFollowsTheCurrentRow()
    {
        LoadedEditor e(4);  // headers incl. extra columns: tst_frmConfigCommands::valuesOfEveryKindRoundTrip
        QTableView* grid = e.window.grdDataGrid;
        QAbstractItemModel* model = grid->model();
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("f2.mp3"));
        QCOMPARE(grid->font().families().mid(0, 2), (QStringList{"SimSun", "宋体"}));
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
        QCOMPARE(e.window.lblStatus->text(), QStringLiteral("Record: 1"));
        QCOMPARE(grid->selectionModel()->selectedRows().value(0).row(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), e.window.txtFields[0]);

        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(model->index(2, 1)).center());
        QCOMPARE(e.window.adoPrimaryRS->AbsolutePosition(), 3);
        QCOMPARE(e.window.txtFields[1]->text(), QStringLiteral("f2.mp3"));
        e.window.cmdLast->click();
        QCOMPARE(grid->selectionModel()->selectedRows().value(0).row(), 3);
    }

    // At 96 dpi (15 twips a pixel), the window opened at 403x198 in a frame 4 pixels wider (60 twips).
    void resizeFollowsTheWindow_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QList<float>>("twips");  // grid width, grid height, lblStatus width, cmdNext.Left, cmdLast.Left
        QTest::newRow("wide 800x500") << QSize(800, 500) << QList<float>{12000, 5910, 10560, 11260, 11600};
        QTest::newRow("too narrow: label keeps its width") << QSize(90, 400) << QList<float>{1350, 4410, 4605, 5305, 5645};
        QTest::newRow("too low: grid keeps its height") << QSize(500, 100) << QList<float>{7500, 1380, 6060, 6760, 7100};
    }
    void resizeFollowsTheWindow()
    {
        QFETCH(QSize, client);
        QFETCH(QList<float>, twips);
        LoadedEditor e(0);
        QVERIFY(QTest::qWaitForWindowExposed(&e.window));
        if (platform::logicalDpi(&e.window) != 96 || e.window.frameGeometry().width() != e.window.width() + 4)
            QSKIP("the expected twips assume 96 dpi and a frame of 2 pixels a side");
        e.window.resize(client);
        QTRY_COMPARE(e.window.size(), client);
        const editor::ResizedControls& now = e.window.resizedControls();
        QCOMPARE((QList<float>{now.gridWidth, now.gridHeight, now.lblStatusWidth, now.cmdNextLeft, now.cmdLastLeft}), twips);
        QCOMPARE(e.window.grdDataGrid->size(), QSize(int(twips[0] / 15), int(twips[1] / 15)));
        QCOMPARE(e.window.lblStatus->width(), int(twips[2] / 15));
        QCOMPARE(e.window.cmdLast->x(), qRound(twips[4] / 15));
        QCOMPARE(e.window.picStatBox->geometry(), QRect(0, client.height() - 20, client.width(), 20));
        QCOMPARE(e.window.picButtons->geometry(), QRect(0, client.height() - 40, client.width(), 20));
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
        QTest::newRow("no rows: Last is refused") << NavigationCase{0, "L", noKey, none, -1, 0, 1};
        QTest::newRow("Down in the key box") << NavigationCase{5, "3", Qt::Key_Down, none, 4};
        QTest::newRow("Up in the file box") << NavigationCase{5, "3", Qt::Key_Up, none, 2, 0, 0, true, "txtFields(1)"};
        QTest::newRow("PageDown") << NavigationCase{5, "3", Qt::Key_PageDown, none, 4};
        QTest::newRow("PageUp") << NavigationCase{5, "3", Qt::Key_PageUp, none, 2};
        QTest::newRow("Ctrl+Up: first") << NavigationCase{5, "3", Qt::Key_Up, ctrl, 1};
        QTest::newRow("Ctrl+PageUp: first") << NavigationCase{5, "3", Qt::Key_PageUp, ctrl, 1};
        QTest::newRow("Ctrl+Down: last") << NavigationCase{5, "3", Qt::Key_Down, ctrl, 5};
        QTest::newRow("Ctrl+PageDown: last") << NavigationCase{5, "3", Qt::Key_PageDown, ctrl, 5};
        QTest::newRow("Ctrl+Shift+Up: one back") << NavigationCase{5, "3", Qt::Key_Up, ctrl | shift, 2};
        QTest::newRow("Ctrl+Alt+Down: one on") << NavigationCase{5, "3", Qt::Key_Down, ctrl | alt, 4};
        QTest::newRow("Shift+Home in the grid") << NavigationCase{5, "3", Qt::Key_Home, shift, 1, 0, 0, true, "grdDataGrid"};
        QTest::newRow("Ctrl+Shift+Alt+End on a button") << NavigationCase{5, "3", Qt::Key_End, ctrl | shift | alt, 5, 0, 0, true, "Command1"};
        QTest::newRow("Left is no navigation key") << NavigationCase{5, "3", Qt::Key_Left, none, 3};
        QTest::newRow("Esc closes in browse state") << NavigationCase{5, "3", Qt::Key_Escape, none, 3, 0, 0, false};
        QTest::newRow("editing: Down ignored") << NavigationCase{5, "3E", Qt::Key_Down, none, 0};
        QTest::newRow("editing: Ctrl+Up ignored") << NavigationCase{5, "3E", Qt::Key_Up, ctrl, 0};
        QTest::newRow("editing: Esc ignored") << NavigationCase{5, "3E", Qt::Key_Escape, none, 0};
        QTest::newRow("adding: PageUp ignored") << NavigationCase{5, "3A", Qt::Key_PageUp, none, 0};
        QTest::newRow("adding: Home ignored") << NavigationCase{5, "3A", Qt::Key_Home, none, 0};
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
