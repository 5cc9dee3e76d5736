#include "EditorTestSupport.h"
#include "TestAppFolder.h"
#include "editor/frmConfig.h"
#include "platform/Error.h"
#include "platform/Twips.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace keysound;
using editor::frmConfig;

namespace {
QRect pixelsOf(const QWidget* widget, int left, int top, int width, int height)
{
    const double dpi = platform::logicalDpi(widget);
    return QRect(platform::twipsToPixels(left, dpi), platform::twipsToPixels(top, dpi), platform::twipsToPixels(width, dpi),
                 platform::twipsToPixels(height, dpi));
}
}  // namespace

class tst_frmConfigWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<bool>("visible");
        QTest::newRow("lblLabels(0)") << "lblLabels(0)" << "键位:" << QRect(120, 60, 1815, 255) << true;
        QTest::newRow("txtFields(0)") << "txtFields(0)" << "" << QRect(2040, 60, 3375, 285) << true;
        QTest::newRow("lblLabels(1)") << "lblLabels(1)" << "文件名:" << QRect(120, 380, 1815, 255) << true;
        QTest::newRow("txtFields(1) is narrow") << "txtFields(1)" << "" << QRect(2040, 380, 495, 285) << true;
        QTest::newRow("grdDataGrid") << "grdDataGrid" << "" << QRect(0, 960, 5760, 1305) << true;
        QTest::newRow("picStatBox at the bottom") << "picStatBox" << "" << QRect(0, 2670, 6045, 300) << true;
        QTest::newRow("picButtons above it") << "picButtons" << "" << QRect(0, 2370, 6045, 300) << true;
        QTest::newRow("Command1") << "Command1" << "导入文件" << QRect(2760, 360, 990, 360) << true;
        QTest::newRow("cmdAdd") << "cmdAdd" << "添加(&A)" << QRect(59, 0, 1095, 300) << true;
        QTest::newRow("cmdEdit") << "cmdEdit" << "编辑(&E)" << QRect(1213, 0, 1095, 300) << true;
        QTest::newRow("cmdDelete") << "cmdDelete" << "删除(&D)" << QRect(2367, 0, 1095, 300) << true;
        QTest::newRow("cmdRefresh") << "cmdRefresh" << "刷新(&R)" << QRect(3521, 0, 1095, 300) << true;
        QTest::newRow("cmdClose") << "cmdClose" << "关闭(&C)" << QRect(4675, 0, 1095, 300) << true;
        QTest::newRow("cmdUpdate hidden at cmdAdd") << "cmdUpdate" << "更新(&U)" << QRect(59, 0, 1095, 300) << false;
        QTest::newRow("cmdCancel hidden at cmdEdit") << "cmdCancel" << "取消(&C)" << QRect(1213, 0, 1095, 300) << false;
        QTest::newRow("cmdFirst") << "cmdFirst" << "" << QRect(0, 0, 345, 300) << true;
        QTest::newRow("cmdPrevious") << "cmdPrevious" << "" << QRect(345, 0, 345, 300) << true;
        QTest::newRow("lblStatus") << "lblStatus" << "" << QRect(690, 0, 3360, 285) << true;
        QTest::newRow("cmdNext") << "cmdNext" << "" << QRect(4200, 0, 345, 300) << true;
        QTest::newRow("cmdLast") << "cmdLast" << "" << QRect(4545, 0, 345, 300) << true;
    }
    void controlsAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(bool, visible);
        frmConfig window;
        auto* control = window.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), pixelsOf(control, twips.x(), twips.y(), twips.width(), twips.height()));
        QCOMPARE(control->isVisibleTo(&window), visible);
        if (auto* button = qobject_cast<QPushButton*>(control))
            QCOMPARE(button->text(), caption);
        else if (auto* label = qobject_cast<QLabel*>(control))
            QCOMPARE(label->text(), caption);
        QCOMPARE(window.windowTitle(), QStringLiteral("Config"));
        QCOMPARE(window.size(), pixelsOf(&window, 0, 0, 6045, 2970).size());
    }

    void tabOrderStartsInTheKeyBox()
    {
        frmConfig window;
        const QStringList expected{"txtFields(0)", "txtFields(1)", "grdDataGrid", "cmdFirst", "cmdPrevious", "cmdNext",
                                   "cmdLast", "cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh", "cmdClose",
                                   "cmdUpdate", "cmdCancel", "Command1"};
        QStringList order{window.txtFields[0]->objectName()};
        for (QWidget* w = window.txtFields[0]->nextInFocusChain(); w != window.txtFields[0]; w = w->nextInFocusChain()) {
            if (expected.contains(w->objectName()))
                order << w->objectName();
        }
        QCOMPARE(order, expected);
        for (const char* label : {"lblLabels(0)", "lblLabels(1)", "lblStatus", "picStatBox", "picButtons"})
            QCOMPARE(window.findChild<QWidget*>(label)->focusPolicy(), Qt::NoFocus);
    }

    void gridShowsTheWholeTableInTheSongFont()
    {
        test::TestAppFolder folder;
        folder.exec("ALTER TABLE Config ADD COLUMN 次数 INTEGER");
        folder.addMappings(5);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        QTableView* grid = window.grdDataGrid;
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->model()->columnCount(), 3);
        QCOMPARE(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("次数"));
        QCOMPARE(grid->font().families().mid(0, 2), (QStringList{"SimSun", "宋体"}));
        QCOMPARE(grid->font().pointSizeF(), 9.0);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(window.txtFields[0]->text(), QStringLiteral("k0"));
        QCOMPARE(window.txtFields[1]->text(), QStringLiteral("f0.mp3"));
        QCOMPARE(window.lblStatus->text(), QStringLiteral("Record: 1"));
        QCOMPARE(grid->selectionModel()->selectedRows().value(0).row(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), window.txtFields[0]);
    }

    void resizeFollowsTheWindow_data()
    {
        QTest::addColumn<QSize>("clientPixels");
        QTest::addColumn<bool>("gridHeightTaken");
        QTest::addColumn<bool>("labelWidthTaken");
        QTest::newRow("designed 403x198") << QSize(403, 198) << true << true;
        QTest::newRow("wide 800x500") << QSize(800, 500) << true << true;
        QTest::newRow("narrower than 1500 twips outer") << QSize(90, 400) << true << false;
        QTest::newRow("too low for the grid") << QSize(500, 100) << false << true;
    }
    void resizeFollowsTheWindow()
    {
        QFETCH(QSize, clientPixels);
        QFETCH(bool, gridHeightTaken);
        QFETCH(bool, labelWidthTaken);
        test::TestAppFolder folder;
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const editor::ResizedControls before = window.resizedControls();
        window.resize(clientPixels);
        QTRY_COMPARE(window.size(), clientPixels);
        const double dpi = platform::logicalDpi(&window);
        const float outerTwips = float(platform::pixelsToTwips(window.frameGeometry().width(), dpi));
        const float clientHeightTwips = float(platform::pixelsToTwips(clientPixels.height(), dpi));
        const editor::ResizedControls& now = window.resizedControls();
        QCOMPARE(now.gridWidth, float(platform::pixelsToTwips(clientPixels.width(), dpi)));
        QCOMPARE(now.gridHeight, gridHeightTaken ? clientHeightTwips - 960 - 30 - 600 : before.gridHeight);
        QCOMPARE(now.lblStatusWidth, labelWidthTaken ? outerTwips - 1500 : before.lblStatusWidth);
        QCOMPARE(now.cmdNextLeft, now.lblStatusWidth + 700);
        QCOMPARE(now.cmdLastLeft, now.cmdNextLeft + 340);
        QCOMPARE(window.grdDataGrid->width(), clientPixels.width());
        QCOMPARE(window.cmdLast->x(), platform::twipsToPixels(now.cmdLastLeft, dpi));
        const int bar = platform::twipsToPixels(300, dpi);
        QCOMPARE(window.picStatBox->geometry(), QRect(0, clientPixels.height() - bar, clientPixels.width(), bar));
        QCOMPARE(window.picButtons->geometry(), QRect(0, clientPixels.height() - 2 * bar, clientPixels.width(), bar));
    }

    void closingKeepsTheObjectAndTheNextShowLoadsAgain()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        store::Recordset* first = window.adoPrimaryRS.get();
        window.cmdEdit_Click();
        window.close();  // the window's close box
        QVERIFY(!window.isVisible());
        QVERIFY(!window.isLoaded());
        QVERIFY(window.editing);
        QCOMPARE(window.adoPrimaryRS.get(), first);  // kept open until the next load
        folder.addMapping("added outside", "x.mp3");
        window.Show(0);
        QVERIFY(window.adoPrimaryRS.get() != first);
        QCOMPARE(window.adoPrimaryRS->RecordCount(), 3);
        QVERIFY(window.editing);
        QVERIFY(window.cmdAdd->isVisible());  // a load starts from the designed browse state
        QVERIFY(!window.cmdUpdate->isVisible());
        QCOMPARE(window.lblStatus->text(), QStringLiteral("Record: 1"));
    }

    void modalShowReturnsWhenTheWindowIsClosed()
    {
        test::TestAppFolder folder;
        test::EditorSeams seams;
        frmConfig window;
        bool closedFromInside = false;
        QTimer::singleShot(0, &window, [&] {
            closedFromInside = window.isVisible() && window.isModal();
            window.cmdClose_Click();
        });
        window.Show(1);
        QVERIFY(closedFromInside);
        QVERIFY(!window.isVisible());
        QTimer::singleShot(0, &window, [&] { QTest::keyClick(window.txtFields[0], Qt::Key_Escape); });
        window.Show(1);  // Esc in browse state closes
        QVERIFY(!window.isVisible());
    }

    void failingLoadThrowsAndShowsNothing_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("number");
        QTest::newRow("db1.mdb missing") << "missing" << ErrorNumber::DatabaseNotFound;
        QTest::newRow("Config table missing") << "DROP TABLE Config" << ErrorNumber::TableNotFound;
        QTest::newRow("文件名 column missing") << "DROP TABLE Config; CREATE TABLE Config (键位 TEXT)"
                                             << ErrorNumber::ItemNotFound;
        QTest::newRow("not a database") << "garbage" << ErrorNumber::UnrecognizedFormat;
    }
    void failingLoadThrowsAndShowsNothing()
    {
        QFETCH(QString, setup);
        QFETCH(int, number);
        test::TestAppFolder folder(setup == "missing" ? test::TestAppFolder::WithoutDatabase
                                                      : test::TestAppFolder::WithDatabase);
        if (setup == "garbage")
            folder.writeFile("db1.mdb", QByteArray(4096, 'x'));
        else if (setup != "missing")
            folder.exec(setup);
        test::EditorSeams seams;
        frmConfig window;
        try {
            window.Show(1);
            QFAIL("the load did not fail");
        } catch (const Error& error) {
            QCOMPARE(error.number(), number);
        }
        QVERIFY(!window.isVisible());
        QVERIFY(!window.isLoaded());
        QVERIFY(seams.messages.isEmpty());  // the application's uncaught-error handler shows it
    }
};

QTEST_MAIN(tst_frmConfigWindow)
#include "tst_frmConfigWindow.moc"
