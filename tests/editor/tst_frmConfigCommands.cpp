#include "EditorTestSupport.h"
#include "TestAppFolder.h"
#include "editor/frmConfig.h"
#include "platform/Error.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <sqlite3.h>

using namespace keysound;
using editor::frmConfig;

namespace {
QStringList storedKeys()
{
    auto recordset = test::openEditorRecordset();
    QStringList keys;
    for (int row = 0; row < recordset->RecordCount(); ++row)
        keys << recordset->valueAt(row, 0).toString();
    return keys;
}

QString stateOf(const frmConfig& window)
{
    const bool browseButtons = window.cmdAdd->isVisible() && !window.cmdUpdate->isVisible() && window.cmdNext->isEnabled();
    const bool editButtons = !window.cmdAdd->isVisible() && window.cmdUpdate->isVisible() && window.cmdCancel->isVisible() &&
                             !window.cmdClose->isVisible() && !window.cmdFirst->isEnabled();
    if (!window.editing && !window.addingNew && browseButtons)
        return "browse";
    if (!window.editing && window.addingNew && editButtons)
        return "adding";
    if (window.editing && !window.addingNew && editButtons)
        return "editing";
    return "mixed";
}

// Holds db1.mdb locked through a connection of its own, as another program would.
struct ExclusiveLock {
    sqlite3* db = nullptr;
    explicit ExclusiveLock(const QString& path)
    {
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~ExclusiveLock()
    {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
};

void type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, text);
}

void run(frmConfig& window, test::TestAppFolder& folder, const QString& script)
{
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        if (step.startsWith("Go"))
            window.grdDataGrid->selectRow(step.mid(2).toInt() - 1);
        else if (step.startsWith("Key:"))
            type(window.txtFields[0], step.mid(4));
        else if (step.startsWith("File:"))
            type(window.txtFields[1], step.mid(5));
        else if (step == "Outside")
            folder.addMapping("outside", "o.mp3");
        else if (step == "Add") window.cmdAdd->click();
        else if (step == "Edit") window.cmdEdit->click();
        else if (step == "Update") window.cmdUpdate->click();
        else if (step == "Cancel") window.cmdCancel->click();
        else if (step == "Delete") window.cmdDelete->click();
        else if (step == "Refresh") window.cmdRefresh->click();
        else if (step == "Last") window.cmdLast->click();
        else QFAIL(qPrintable("unknown step " + step));
    }
}
}  // namespace

class tst_frmConfigCommands : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("messages");
        const QStringList three{"k0", "k1", "k2"};
        QTest::newRow("Add shows 添加记录 on the new row") << 3 << "Go2 Add" << 4 << "添加记录" << "adding" << three << 0;
        QTest::newRow("Add on row 2, Cancel: row 2 again") << 3 << "Go2 Add Key:x Cancel" << 2 << "Record: 2" << "browse" << three << 0;
        QTest::newRow("Edit on row 3, Cancel, no Add yet: first row") << 3 << "Go3 Edit Cancel" << 1 << "Record: 1" << "browse" << three << 0;
        QTest::newRow("Add on row 2, Cancel, Edit on row 3, Cancel: row 2") << 3 << "Go2 Add Cancel Go3 Edit Cancel" << 2 << "Record: 2" << "browse" << three << 0;
        QTest::newRow("Add, type, Update: saved, current as last") << 3 << "Add Key:new File:new.mp3 Update" << 4 << "Record: 4" << "browse" << QStringList{"k0", "k1", "k2", "new"} << 0;
        QTest::newRow("Edit, type, Update: no move, status stays") << 3 << "Go2 Edit Key:X Update" << 2 << "编辑记录" << "browse" << QStringList{"k0", "k1X", "k2"} << 0;
        QTest::newRow("Edit, type, Cancel: change dropped") << 3 << "Go2 Edit Key:X Cancel" << 1 << "Record: 1" << "browse" << three << 0;
        QTest::newRow("two Adds saved in one Update") << 1 << "Add Key:a Go1 Key:b Update" << 2 << "Record: 2" << "browse" << QStringList{"k0b", "a"} << 0;
        QTest::newRow("Delete a middle row: the next row") << 3 << "Go2 Delete" << 2 << "Record: 2" << "browse" << QStringList{"k0", "k2"} << 0;
        QTest::newRow("Delete the last row: the new last row") << 3 << "Last Delete" << 2 << "Record: 2" << "browse" << QStringList{"k0", "k1"} << 0;
        QTest::newRow("Delete the only row: MoveLast refused") << 1 << "Delete" << -1 << "Record: -1" << "browse" << QStringList{} << 1;
        QTest::newRow("Refresh reloads, first row current") << 3 << "Go3 Outside Refresh" << 1 << "Record: 1" << "browse" << QStringList{"k0", "k1", "k2", "outside"} << 0;
        QTest::newRow("empty table: Add, Cancel") << 0 << "Add Cancel" << -1 << "Record: -1" << "browse" << QStringList{} << 0;
        QTest::newRow("empty table: Add, type, Update") << 0 << "Add Key:a File:a.mp3 Update" << 1 << "Record: 1" << "browse" << QStringList{"a"} << 0;
        QTest::newRow("empty table: Delete") << 0 << "Delete" << -1 << "Record: -1" << "browse" << QStringList{} << 1;
        QTest::newRow("empty table: Refresh") << 0 << "Refresh" << -1 << "Record: -1" << "browse" << QStringList{} << 0;
        QTest::newRow("saved bookmark of a deleted row: Cancel stays") << 3 << "Go2 Add Cancel Delete Edit Cancel" << 2 << "编辑记录" << "browse" << QStringList{"k0", "k2"} << 0;
    }
    void commands()
    {
        QFETCH(int, rows);
        QFETCH(QString, script);
        QFETCH(int, position);
        QFETCH(QString, status);
        QFETCH(QString, state);
        QFETCH(QStringList, stored);
        QFETCH(int, messages);
        test::TestAppFolder folder;
        folder.addMappings(rows);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        run(window, folder, script);
        QCOMPARE(window.adoPrimaryRS->AbsolutePosition(), position);
        QCOMPARE(window.lblStatus->text(), status);
        QCOMPARE(stateOf(window), state);
        QVERIFY2(seams.messages.size() == messages, qPrintable(seams.messages.join('|')));
        window.close();
        QCOMPARE(storedKeys(), stored);
    }

    void failedUpdateKeepsEverythingForAnotherTry_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("db1.mdb made read-only while the editor is open") << "read-only";
        QTest::newRow("db1.mdb locked by another connection") << "locked";
    }
    void failedUpdateKeepsEverythingForAnotherTry()
    {
        QFETCH(QString, obstacle);
        test::TestAppFolder folder;
        folder.addMappings(3);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.cmdAdd->click();
        type(window.txtFields[0], "a");
        window.grdDataGrid->selectRow(1);  // a second pending row
        type(window.txtFields[1], "x");
        {
            std::unique_ptr<test::WriteProtectedFile> protection;
            std::unique_ptr<ExclusiveLock> lock;
            if (obstacle == "read-only") {
                protection = std::make_unique<test::WriteProtectedFile>(folder.databasePath());
                if (!protection->ok())
                    QSKIP("this file system cannot protect a file from its owner");
            } else {
                lock = std::make_unique<ExclusiveLock>(folder.databasePath());
            }
            window.cmdUpdate->click();
            QCOMPARE(seams.messages.size(), 1);
            try {
                window.adoPrimaryRS->UpdateBatch();
                QFAIL("the obstacle did not stop the write");
            } catch (const Error& error) {
                if (lock)  // the same obstacle gives the same description: shown with nothing added
                    QCOMPARE(seams.messages[0], error.description());
            }
            QCOMPARE(stateOf(window), QStringLiteral("adding"));
            QVERIFY(window.adoPrimaryRS->hasPendingChanges());
        }
        QCOMPARE(storedKeys(), (QStringList{"k0", "k1", "k2"}));  // all or none
        window.cmdUpdate->click();
        QCOMPARE(seams.messages.size(), 1);
        QCOMPARE(stateOf(window), QStringLiteral("browse"));
        QCOMPARE(storedKeys(), (QStringList{"k0", "k1", "k2", "a"}));
        QCOMPARE(test::lookedUpFileName("k1"), QVariant("f1.mp3x"));
    }

    void readOnlyDatabaseRefusesUpdateAndCancelRecovers()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        test::WriteProtectedFile protection(folder.databasePath());
        if (!protection.ok())
            QSKIP("this file system cannot protect a file from its owner");
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.cmdEdit->click();
        type(window.txtFields[0], "z");
        window.cmdUpdate->click();
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY2(seams.messages[0].contains("read-only"), qPrintable(seams.messages[0]));
        QCOMPARE(stateOf(window), QStringLiteral("editing"));
        window.cmdCancel->click();
        QCOMPARE(stateOf(window), QStringLiteral("browse"));
        QCOMPARE(window.txtFields[0]->text(), QStringLiteral("k0"));
        QCOMPARE(storedKeys(), (QStringList{"k0", "k1"}));
    }

    void cancelAfterFailedUpdateDropsThePendingChanges()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.cmdEdit->click();
        type(window.txtFields[0], "z");
        {
            ExclusiveLock lock(folder.databasePath());
            window.cmdUpdate->click();
        }
        QCOMPARE(seams.messages.size(), 1);
        window.cmdCancel->click();
        QCOMPARE(stateOf(window), QStringLiteral("browse"));
        QVERIFY(!window.adoPrimaryRS->hasPendingChanges());
        QCOMPARE(window.txtFields[0]->text(), QStringLiteral("k0"));
    }

    void deleteOnALockedFileKeepsTheRow()
    {
        test::TestAppFolder folder;
        folder.addMappings(2);
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        {
            ExclusiveLock lock(folder.databasePath());
            window.cmdDelete->click();
        }
        QCOMPARE(seams.messages.size(), 1);
        QCOMPARE(window.adoPrimaryRS->RecordCount(), 2);
        QCOMPARE(storedKeys(), (QStringList{"k0", "k1"}));
    }

    void valuesOfEveryKindSurviveAnUpdate_data()
    {
        QTest::addColumn<QVariant>("key");
        QTest::addColumn<QVariant>("fileName");
        QTest::addColumn<QString>("typedKey");
        QTest::newRow("NULL key, typed into") << QVariant() << QVariant("a.mp3") << "q";
        QTest::newRow("NULL file name stays NULL") << QVariant("b") << QVariant() << "q";
        QTest::newRow("10,000-character key") << QVariant(QString(10000, QChar(u'键'))) << QVariant(QString(10000, 'f')) << "q";
    }
    void valuesOfEveryKindSurviveAnUpdate()
    {
        QFETCH(QVariant, key);
        QFETCH(QVariant, fileName);
        QFETCH(QString, typedKey);
        test::TestAppFolder folder;
        folder.exec("ALTER TABLE Config ADD COLUMN 次数 INTEGER; ALTER TABLE Config ADD COLUMN 数据 BLOB");
        folder.addMapping(key, fileName);
        folder.exec("UPDATE Config SET 次数 = 7, 数据 = x'00ff'");
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        QCOMPARE(window.txtFields[1]->text(), fileName.toString());
        window.cmdEdit->click();
        type(window.txtFields[0], typedKey);
        window.cmdUpdate->click();
        QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.value(0)));
        auto stored = test::openEditorRecordset();
        QCOMPARE(stored->Value("键位").toString(), key.toString() + typedKey);
        QCOMPARE(stored->Value("文件名"), fileName);
        QCOMPARE(stored->Value("次数").toInt(), 7);
        QCOMPARE(stored->Value("数据").toByteArray(), QByteArray("\x00\xff", 2));
    }

    void nextKeyPressFindsWhatWasUpdated()
    {
        test::TestAppFolder folder;
        folder.addMapping("a", "old.mp3");
        test::EditorSeams seams;
        frmConfig window;
        window.Show(0);
        window.cmdAdd->click();
        type(window.txtFields[0], "q");
        type(window.txtFields[1], "q.mp3");
        window.cmdUpdate->click();
        window.cmdEdit->click();
        window.grdDataGrid->selectRow(0);
        window.txtFields[1]->clear();
        type(window.txtFields[1], "new.mp3");
        window.cmdUpdate->click();
        window.cmdClose->click();
        QVERIFY(!window.isVisible());
        QCOMPARE(test::lookedUpFileName("Q"), QVariant("q.mp3"));
        QCOMPARE(test::lookedUpFileName("a"), QVariant("new.mp3"));
    }
};

QTEST_MAIN(tst_frmConfigCommands)
#include "tst_frmConfigCommands.moc"
