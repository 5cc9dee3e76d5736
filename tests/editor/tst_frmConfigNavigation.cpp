#include "EditorTestSupport.h"
#include "TestAppFolder.h"
#include "editor/frmConfig.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace keysound;
using editor::frmConfig;

class tst_frmConfigNavigation : public QObject {
    Q_OBJECT
private:
    void click(frmConfig& window, QChar command)
    {
        switch (command.unicode()) {
        case 'F': window.cmdFirst->click(); break;
        case 'P': window.cmdPrevious->click(); break;
        case 'N': window.cmdNext->click(); break;
        case 'L': window.cmdLast->click(); break;
        default: QFAIL("unknown navigation command");
        }
    }

private slots:
    void buttons_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("clicks");  // F first, P previous, N next, L last
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<int>("messages");
        QTest::newRow("next from the first row") << 3 << "N" << 2 << 0 << 0;
        QTest::newRow("next on the last row beeps and stays") << 3 << "LN" << 3 << 1 << 0;
        QTest::newRow("previous on the first row beeps and stays") << 3 << "P" << 1 << 1 << 0;
        QTest::newRow("previous from the last row") << 3 << "LP" << 2 << 0 << 0;
        QTest::newRow("first on the first row: no beep") << 3 << "F" << 1 << 0 << 0;
        QTest::newRow("last on the last row: no beep") << 3 << "LL" << 3 << 0 << 0;
        QTest::newRow("single row: next and previous beep") << 1 << "NP" << 1 << 2 << 0;
        QTest::newRow("empty: next and previous do nothing") << 0 << "NPNP" << -1 << 0 << 0;
        QTest::newRow("empty: first is refused") << 0 << "F" << -1 << 0 << 1;
        QTest::newRow("empty: last is refused") << 0 << "L" << -1 << 0 << 1;
    }
    void buttons()
    {
        QFETCH(int, rows);
        QFETCH(QString, clicks);
        QFETCH(int, position);
        QFETCH(int, beeps);
        QFETCH(int, messages);
        test::TestAppFolder folder;
        folder.addMappings(rows);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        for (QChar command : clicks)
            click(window, command);
        QCOMPARE(window.adoPrimaryRS->AbsolutePosition(), position);
        QCOMPARE(window.lblStatus->text(), QStringLiteral("Record: %1").arg(position));
        QCOMPARE(seams.beeps, beeps);
        QCOMPARE(seams.messages.size(), messages);
        if (position > 0) {
            QCOMPARE(window.txtFields[0]->text(), QStringLiteral("k%1").arg(position - 1));
            QCOMPARE(window.grdDataGrid->selectionModel()->selectedRows().value(0).row(), position - 1);
        }
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("position");  // starting on row 3 of 5
        const Qt::KeyboardModifiers none;
        QTest::newRow("Down in the key box") << "txtFields(0)" << int(Qt::Key_Down) << none << 4;
        QTest::newRow("Up in the file box") << "txtFields(1)" << int(Qt::Key_Up) << none << 2;
        QTest::newRow("PageDown") << "txtFields(0)" << int(Qt::Key_PageDown) << none << 4;
        QTest::newRow("PageUp") << "txtFields(0)" << int(Qt::Key_PageUp) << none << 2;
        QTest::newRow("Ctrl+Down to the last row") << "txtFields(0)" << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::ControlModifier) << 5;
        QTest::newRow("Ctrl+PageUp to the first row") << "txtFields(0)" << int(Qt::Key_PageUp) << Qt::KeyboardModifiers(Qt::ControlModifier) << 1;
        QTest::newRow("Ctrl+Shift+Up one row back") << "txtFields(0)" << int(Qt::Key_Up) << (Qt::ControlModifier | Qt::ShiftModifier) << 2;
        QTest::newRow("Shift+Home to the first row") << "txtFields(0)" << int(Qt::Key_Home) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 1;
        QTest::newRow("End on a button") << "Command1" << int(Qt::Key_End) << none << 5;
        QTest::newRow("Home in the grid") << "grdDataGrid" << int(Qt::Key_Home) << none << 1;
        QTest::newRow("Left is no navigation key") << "txtFields(0)" << int(Qt::Key_Left) << none << 3;
    }
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, position);
        test::TestAppFolder folder;
        folder.addMappings(5);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.grdDataGrid->selectRow(2);
        auto* target = window.findChild<QWidget*>(focus);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QCOMPARE(window.adoPrimaryRS->AbsolutePosition(), position);
        QVERIFY(window.isVisible());
    }

    void keysAreIgnoredWhileAddingOrEditing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("editing") << "edit";
        QTest::newRow("adding") << "add";
    }
    void keysAreIgnoredWhileAddingOrEditing()
    {
        QFETCH(QString, command);
        test::TestAppFolder folder;
        folder.addMappings(5);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.grdDataGrid->selectRow(2);
        command == "edit" ? window.cmdEdit->click() : window.cmdAdd->click();
        const int position = window.adoPrimaryRS->AbsolutePosition();
        window.txtFields[0]->setFocus();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Escape})
            QTest::keyClick(window.txtFields[0], key);
        QCOMPARE(window.adoPrimaryRS->AbsolutePosition(), position);
        QVERIFY(window.isVisible());
        QCOMPARE(seams.beeps, 0);
    }

    void escClosesInBrowseState()
    {
        test::TestAppFolder folder;
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.txtFields[1]->setFocus();
        QTest::keyClick(window.txtFields[1], Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QVERIFY(!window.isLoaded());
    }

    void flagLeftSetByAClosingKeepsKeysIgnoredAfterReopening()
    {
        test::TestAppFolder folder;
        folder.addMappings(3);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.cmdAdd->click();
        window.close();
        window.Show(0);
        window.txtFields[0]->setFocus();
        QTest::keyClick(window.txtFields[0], Qt::Key_Down);
        QCOMPARE(window.adoPrimaryRS->AbsolutePosition(), 1);
        window.cmdEdit->click();
        window.cmdCancel->click();
        QTest::keyClick(window.txtFields[0], Qt::Key_Down);
        QCOMPARE(window.adoPrimaryRS->AbsolutePosition(), 2);
    }

    void choosingAGridRowMakesItCurrent()
    {
        test::TestAppFolder folder;
        folder.addMappings(4);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTableView* grid = window.grdDataGrid;
        const QRect cell = grid->visualRect(grid->model()->index(2, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(window.adoPrimaryRS->AbsolutePosition(), 3);
        QCOMPARE(window.lblStatus->text(), QStringLiteral("Record: 3"));
        QCOMPARE(window.txtFields[1]->text(), QStringLiteral("f2.mp3"));
    }
};

QTEST_MAIN(tst_frmConfigNavigation)
#include "tst_frmConfigNavigation.moc"
