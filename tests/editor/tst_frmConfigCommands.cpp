#include "EditorTestSupport.h"
#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <optional>
#include <sqlite3.h>

using namespace keysound;
using editor::frmConfig;
using test::LoadedEditor;
using test::stateOf;

namespace {
// Holds db1.mdb locked through a connection of its own, as another program would.
struct ExclusiveLock {
    sqlite3* db = nullptr;
    explicit ExclusiveLock(const QString& path)
    {
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~ExclusiveLock() { sqlite3_close_v2(db); }  // closing rolls the transaction back
};

// Steps: Go<n> chooses grid row n; Key:<text> and File:<text> type into a box; Outside adds a
// mapping through another connection; Lock, Protect and Free put an obstacle on db1.mdb and take
// it away; Reload closes the window and shows it again; Down is that key; the rest click buttons.
void run(LoadedEditor& e, const QString& script)
{
    frmConfig& w = e.window;
    std::optional<ExclusiveLock> lock;
    std::optional<test::WriteProtectedFile> protection;
    const QMap<QString, QPushButton*> buttons{{"Add", w.cmdAdd},       {"Edit", w.cmdEdit},     {"Update", w.cmdUpdate},
                                              {"Cancel", w.cmdCancel}, {"Delete", w.cmdDelete}, {"Refresh", w.cmdRefresh},
                                              {"Last", w.cmdLast}};
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        if (step.startsWith("Go"))
            w.grdDataGrid->selectRow(step.mid(2).toInt() - 1);
        else if (step.startsWith("Key:") || step.startsWith("File:"))
            test::type(w.txtFields[step.startsWith("File:")], step.section(':', 1));
        else if (step == "Outside")
            e.folder.addMapping("outside", "o.mp3");
        else if (step == "Lock")
            lock.emplace(e.folder.databasePath());
        else if (step == "Protect")
            protection.emplace(e.folder.databasePath());
        else if (step == "Free")
            lock.reset(), protection.reset();
        else if (step == "Reload")
            w.close(), w.Show(0);
        else if (step == "Down")
            QTest::keyClick(w.txtFields[0], Qt::Key_Down);
        else if (buttons.contains(step))
            buttons[step]->click();  // also a hidden one, as its handler runs then
        else
            QFAIL(qPrintable("unknown step " + step));
    }
}
}  // namespace

struct CommandCase {
    int rows;
    QString script;  // see run()
    int position;
    QString status, state, keyShown;
    QStringList stored;
    int messages = 0;
};
struct ImportCase {
    QString script, key;  // the record the file is named in
    QString picked;       // from another folder, or "MP3/..." already in the sound folder
    QByteArray old;       // MP3/<name> before the import, if any
    QString obstacle;     // "no folder", "protected", "no source", "cancelled", "backslash" or none
    QString shown;        // 文件名 in the box and the record afterwards
    QByteArray content;   // MP3/<name> afterwards
};
Q_DECLARE_METATYPE(CommandCase)
Q_DECLARE_METATYPE(ImportCase)

class tst_frmConfigCommands : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        QTest::addColumn<CommandCase>("c");
        const QStringList three{"k0", "k1", "k2"}, four{"k0", "k1", "k2", "outside"};
        QTest::newRow("Add: 添加记录 on an empty new row") << CommandCase{3, "Go2 Add", 4, "添加记录", "adding", "", three};
        QTest::newRow("Add on row 2, Cancel: row 2 again") << CommandCase{3, "Go2 Add Key:x Cancel", 2, "Record: 2", "browse", "k1", three};
        QTest::newRow("Edit on row 3, Cancel, no Add yet: first row") << CommandCase{3, "Go3 Edit Cancel", 1, "Record: 1", "browse", "k0", three};
        QTest::newRow("Add on row 2, Cancel, Edit on row 3, Cancel: row 2") << CommandCase{3, "Go2 Add Cancel Go3 Edit Cancel", 2, "Record: 2", "browse", "k1", three};
        QTest::newRow("Add, type, Update: saved, current as last") << CommandCase{3, "Add Key:new File:new.mp3 Update", 4, "Record: 4", "browse", "new", {"k0", "k1", "k2", "new"}};
        QTest::newRow("Edit, type, Update: no move, status stays") << CommandCase{3, "Go2 Edit Key:X Update", 2, "编辑记录", "browse", "k1X", {"k0", "k1X", "k2"}};
        QTest::newRow("Edit, type, Cancel: change dropped") << CommandCase{3, "Go2 Edit Key:X Cancel Go2", 2, "Record: 2", "browse", "k1", three};
        QTest::newRow("Delete a middle row: the next row") << CommandCase{3, "Go2 Delete", 2, "Record: 2", "browse", "k2", {"k0", "k2"}};
        QTest::newRow("Delete the last row: the new last row") << CommandCase{3, "Last Delete", 2, "Record: 2", "browse", "k1", {"k0", "k1"}};
        QTest::newRow("Delete the only row: MoveLast refused") << CommandCase{1, "Delete", -1, "Record: -1", "browse", "", {}, 1};
        QTest::newRow("saved bookmark of a deleted row: Cancel stays") << CommandCase{3, "Go2 Add Cancel Delete Edit Cancel", 2, "编辑记录", "browse", "k2", {"k0", "k2"}};
        QTest::newRow("Refresh reloads, first row current") << CommandCase{3, "Go3 Outside Refresh", 1, "Record: 1", "browse", "k0", four};
        QTest::newRow("Refresh while editing keeps the flags and buttons") << CommandCase{3, "Go2 Add Cancel Go3 Edit Outside Refresh", 1, "Record: 1", "editing", "k0", four};
        QTest::newRow("Refresh keeps the saved bookmark") << CommandCase{3, "Go2 Add Cancel Go3 Edit Outside Refresh Cancel", 2, "Record: 2", "browse", "k1", four};
        QTest::newRow("Update on a locked file: still adding, nothing written") << CommandCase{3, "Add Key:a Lock Update", 4, "添加记录", "adding", "a", three, 1};
        QTest::newRow("locked: the pending row saved by a retry") << CommandCase{3, "Add Key:a Lock Update Free Update", 4, "Record: 4", "browse", "a", {"k0", "k1", "k2", "a"}, 1};
        QTest::newRow("locked: Cancel drops the pending row") << CommandCase{3, "Go2 Add Key:a Lock Update Free Cancel", 2, "Record: 2", "browse", "k1", three, 1};
        QTest::newRow("Update on a read-only file: still editing, nothing written") << CommandCase{3, "Go2 Edit Key:x Protect Update", 2, "编辑记录", "editing", "k1x", three, 1};
        QTest::newRow("read-only: the change saved by a retry") << CommandCase{3, "Go2 Edit Key:x Protect Update Free Update", 2, "编辑记录", "browse", "k1x", {"k0", "k1x", "k2"}, 1};
        QTest::newRow("closed while adding: reopened in browse, pending row dropped") << CommandCase{2, "Add Key:gone Outside Reload Down", 2, "Record: 2", "browse", "k1", {"k0", "k1", "outside"}};
        QTest::newRow("closed while editing: reopened in browse") << CommandCase{2, "Go2 Edit Key:x Reload Down Down", 2, "Record: 2", "browse", "k1", {"k0", "k1"}, 0};
        QTest::newRow("empty table: Add, Cancel") << CommandCase{0, "Add Cancel", -1, "Record: -1", "browse", "", {}};
        QTest::newRow("empty table: Add, type, Update") << CommandCase{0, "Add Key:a File:a.mp3 Update", 1, "Record: 1", "browse", "a", {"a"}};
        QTest::newRow("empty table: Delete refused") << CommandCase{0, "Delete", -1, "Record: -1", "browse", "", {}, 1};
    }
    void commands()
    {
        QFETCH(CommandCase, c);
        LoadedEditor e(c.rows);
        if (c.script.contains("Protect") && !test::WriteProtectedFile{e.folder.writeFile("probe", {})}.ok)
            QSKIP("this file system cannot protect a file from its owner");
        run(e, c.script);
        QCOMPARE(e.window.adoPrimaryRS->AbsolutePosition(), c.position);
        QCOMPARE(e.window.lblStatus->text(), c.status);
        QCOMPARE(stateOf(e.window), c.state);
        QCOMPARE(e.window.txtFields[0]->text(), c.keyShown);
        QVERIFY2(e.seams.messages.size() == c.messages, qPrintable(e.seams.messages.join('|')));
        e.window.close();
        QCOMPARE(test::storedKeys(), c.stored);
    }

    void failedUpdateShowsTheDescriptionAlone()
    {
        LoadedEditor e(1);
        run(e, "Edit Key:x");
        ExclusiveLock lock(e.folder.databasePath());
        e.window.cmdUpdate->click();
        try {
            e.window.adoPrimaryRS->UpdateBatch();  // the same obstacle gives the same description
            QFAIL("the lock did not stop the write");
        } catch (const Error& error) {
            QCOMPARE(e.seams.messages, QStringList{error.description()});
        }
    }

    void failingRefreshShowsItsMessage()
    {
        LoadedEditor e(2);
        e.folder.exec("ALTER TABLE Config RENAME TO Elsewhere");
        e.window.cmdRefresh->click();
        QCOMPARE(e.seams.messages.size(), 1);
        QVERIFY2(e.seams.messages[0].contains("Config"), qPrintable(e.seams.messages[0]));
        QCOMPARE(stateOf(e.window), "browse");
    }

    void valuesOfEveryKindRoundTrip_data()
    {
        QTest::addColumn<QVariant>("key");
        QTest::addColumn<QVariant>("fileName");
        QTest::newRow("NULL key, typed into") << QVariant() << QVariant("a.mp3");
        QTest::newRow("NULL file name stays NULL") << QVariant("b") << QVariant();
        QTest::newRow("10,000 characters in both") << QVariant(QString(10000, QChar(u'键'))) << QVariant(QString(10000, QChar(u'名')));
    }
    void valuesOfEveryKindRoundTrip()
    {
        QFETCH(QVariant, key);
        QFETCH(QVariant, fileName);
        LoadedEditor e(0, [&](const test::TestAppFolder& folder) {
            folder.exec("ALTER TABLE Config ADD COLUMN 次数 INTEGER; ALTER TABLE Config ADD COLUMN 数据 BLOB");
            folder.addMapping(key, fileName);
            folder.exec("UPDATE Config SET 次数 = 7, 数据 = x'00ff'");
        });
        QCOMPARE(e.window.txtFields[0]->text(), key.toString());
        QCOMPARE(e.window.txtFields[1]->text(), fileName.toString());
        const QAbstractItemModel* grid = e.window.grdDataGrid->model();
        QStringList headers;
        for (int column = 0; column < grid->columnCount(); ++column)
            headers << grid->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"键位", "文件名", "次数", "数据"}));
        QCOMPARE(grid->index(0, 0).data(), key.isNull() ? QVariant() : key);
        QCOMPARE(grid->index(0, 2).data(), QVariant("7"));
        run(e, "Edit Key:q Update");
        QVERIFY2(e.seams.messages.isEmpty(), qPrintable(e.seams.messages.value(0)));
        auto stored = test::freshRecordset(store::editorStatement());
        QCOMPARE(stored->Value("键位").toString(), key.toString() + "q");
        QCOMPARE(stored->Value("文件名"), fileName);
        QCOMPARE(stored->Value("次数").toInt(), 7);
        QCOMPARE(stored->Value("数据").toByteArray(), QByteArray("\x00\xff", 2));
        QCOMPARE(test::lookedUpFileName(key.toString() + "q"), fileName);
    }

    void import_data()
    {
        QTest::addColumn<ImportCase>("c");
        QTest::newRow("mp3 on row 2") << ImportCase{"Go2", "k1", "叮.mp3", "", "", "叮.mp3", "new sound"};
        QTest::newRow("other extension through the all-files entry") << ImportCase{"Go2", "k1", "ding.wav", "", "", "ding.wav", "new sound"};
        QTest::newRow("an existing file of that name is replaced") << ImportCase{"Go2", "k1", "ding.mp3", "old", "", "ding.mp3", "new sound"};
        QTest::newRow("while adding a new record") << ImportCase{"Add Key:z", "z", "z.ogg", "", "", "z.ogg", "new sound"};
        QTest::newRow("the file already is the destination: untouched") << ImportCase{"Go2", "k1", "MP3/here.mp3", "only copy", "", "here.mp3", "only copy"};
        QTest::newRow("failed copy: sound folder missing") << ImportCase{"Go2", "k1", "ding.mp3", "old", "no folder", "f1.mp3", "<unreadable>"};
        QTest::newRow("failed copy: destination cannot be replaced") << ImportCase{"Go2", "k1", "ding.mp3", "old", "protected", "f1.mp3", "old"};
        QTest::newRow("failed copy: picked file vanished") << ImportCase{"Go2", "k1", "ding.mp3", "old", "no source", "f1.mp3", "old"};
        QTest::newRow("a backslash in the picked name: refused, no other file taken") << ImportCase{"Go2", "k1", "a\\b.mp3", "", "backslash", "f1.mp3", "<unreadable>"};
        QTest::newRow("cancelled after a pick on row 1: nothing repeated") << ImportCase{"Go2", "k1", "ding.mp3", "", "cancelled", "f1.mp3", "<unreadable>"};
    }
    void import()
    {
        QFETCH(ImportCase, c);
        LoadedEditor e(2);
        const QString name = c.picked.section('/', -1);
        const QString destination = QDir(e.folder.soundFolderPath()).filePath(name);
        if (!c.old.isEmpty())
            e.folder.writeFile("MP3/" + name, c.old);
        const QDateTime modified = QFileInfo(destination).lastModified();
        e.seams.nextPick = c.picked.startsWith("MP3/") ? destination : e.folder.writeFile("picked/" + name, "new sound");
        std::optional<test::WriteProtectedFile> protection;
        if (c.obstacle == "no folder")
            QDir(e.folder.soundFolderPath()).removeRecursively();
        else if (c.obstacle == "no source")
            QFile::remove(e.seams.nextPick);
        else if (c.obstacle == "protected" && !protection.emplace(destination).ok)
            QSKIP("this file system cannot protect a file from its owner");
        else if (c.obstacle == "backslash")  // what a\b.mp3 would wrongly name
            e.folder.writeFile("picked/a/b.mp3", "another sound");
        else if (c.obstacle == "cancelled")  // imported into row 1, then the copy is taken away
            e.window.Command1->click(), QFile::remove(destination), e.seams.nextPick.clear();
        run(e, c.script);
        e.window.Command1->click();
        QCOMPARE(e.seams.filters.last(), "(*.mp3)|*.mp3|(*.*)|*.*");
        const bool failed = !c.obstacle.isEmpty() && c.obstacle != "cancelled";
        QCOMPARE(e.seams.messages.size(), failed ? 1 : 0);
        if (failed)
            QVERIFY2(e.seams.messages[0].contains(name), qPrintable(e.seams.messages[0]));
        QCOMPARE(e.window.txtFields[1]->text(), c.shown);
        QCOMPARE(e.window.adoPrimaryRS->Value("文件名").toString(), c.shown);
        QCOMPARE(e.window.adoPrimaryRS->isRowPending(e.window.adoPrimaryRS->currentRow()), c.obstacle.isEmpty());
        QCOMPARE(test::fileContent(destination), c.content);
        QVERIFY(!QFile::exists(QDir(e.folder.soundFolderPath()).filePath("b.mp3")));
        if (c.picked.startsWith("MP3/"))
            QCOMPARE(QFileInfo(destination).lastModified(), modified);
        QCOMPARE(test::lookedUpFileName(c.key), QVariant(c.key == "z" ? "<no mapping>" : "f1.mp3"));  // pending until Update
        run(e, "Update");
        QCOMPARE(test::lookedUpFileName(c.key), QVariant(c.shown));
    }
};

QTEST_MAIN(tst_frmConfigCommands)
#include "tst_frmConfigCommands.moc"
