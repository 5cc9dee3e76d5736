#include "EditorTestSupport.h"
#include "platform/Error.h"
#include "platform/Twips.h"

#include <QAccessible>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>

using namespace keysound;
using test::LoadedEditor;
using test::stateOf;

// A script (see LoadedEditor::run) on a table of k0=f0.mp3, k1=f1.mp3, ... and what it leaves.
struct CommandCase {
    int rows;
    QString script;
    int position;
    QString state, keyShown;
    QStringList storedKeys;
    QString status = {};  // "" for the record number
    int messages = 0, beeps = 0;
};
struct ImportCase {
    QString script;      // the record the file is named in
    QString picked;      // from another folder, or "MP3/..." already in the sound folder
    QByteArray old;      // MP3/<name> before the import, if any
    QString setup;       // what else is in the way, if anything
    QString shown;       // 文件名 in the box and the record afterwards
    QByteArray content;  // MP3/<name> afterwards
    bool fails = false;
};
Q_DECLARE_METATYPE(CommandCase)
Q_DECLARE_METATYPE(ImportCase)

class FrmConfigTest : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        // clang-format off
        QTest::addColumn<CommandCase>("c");
        const QStringList none, three{"k0", "k1", "k2"}, four{"k0", "k1", "k2", "outside"}, five{"k0", "k1", "k2", "k3", "k4"};
        const QString adding = "添加记录", editing = "编辑记录";
        const auto row = [](const char* name, const CommandCase& c) { QTest::newRow(name) << c; };
        row("Add, type, Update: saved, current as last", {3, "Add Key:new File:new.mp3 Update", 4, "browse", "new", {"k0", "k1", "k2", "new"}});
        row("Edit, type, Cancel: change dropped", {3, "Go2 Edit Key:X Cancel Go2", 2, "browse", "k1", three});
        row("Update writes every pending row, also one typed into in browse", {3, "Key:A Go2 Edit Key:B Update", 2, "browse", "k1B", {"k0A", "k1B", "k2"}, editing});
        row("a row refused halfway: nothing written, all kept", {3, "Key:A Go2 Edit Key:B Reject Update", 2, "editing", "k1B", three, editing, 1});
        row("a row refused halfway: all saved by a retry", {3, "Key:A Go2 Edit Key:B Reject Update Free Update", 2, "browse", "k1B", {"k0A", "k1B", "k2"}, editing, 1});
        row("Delete a middle row: the next row", {3, "Go2 Delete", 2, "browse", "k2", {"k0", "k2"}});
        row("Delete the last row: the new last row", {3, "Last Delete", 2, "browse", "k1", {"k0", "k1"}});
        row("Delete the only row: MoveLast refused", {1, "Delete", -1, "browse", "", none, "", 1});
        row("saved bookmark of a deleted row: Cancel stays", {3, "Go2 Add Cancel Delete Edit Cancel", 2, "browse", "k2", {"k0", "k2"}, editing});
        row("Refresh while editing keeps the flags and buttons", {3, "Go2 Add Cancel Go3 Edit Outside Refresh", 1, "editing", "k0", four});
        row("Refresh keeps the saved bookmark", {3, "Go2 Add Cancel Go3 Edit Outside Refresh Cancel", 2, "browse", "k1", four});
        row("Update on a locked file: still adding", {3, "Add Key:a Lock Update", 4, "adding", "a", three, adding, 1});
        row("locked: the pending row saved by a retry", {3, "Add Key:a Lock Update Free Update", 4, "browse", "a", {"k0", "k1", "k2", "a"}, "", 1});
        row("locked: Cancel drops the pending row", {3, "Go2 Add Key:a Lock Update Free Cancel", 2, "browse", "k1", three, "", 1});
        row("read-only: the change saved by a retry", {3, "Go2 Edit Key:x Protect Update Free Update", 2, "browse", "k1x", {"k0", "k1x", "k2"}, editing, 1});
        row("closed while adding: reopened in browse, pending row dropped", {2, "Add Key:gone Outside Reload Down", 2, "browse", "k1", {"k0", "k1", "outside"}});
        row("closed while editing: reopened in browse", {2, "Go2 Edit Key:x Reload Down Down", 2, "browse", "k1", {"k0", "k1"}, "", 0, 1});
        row("empty table: Add, Cancel", {0, "Add Cancel", -1, "browse", "", none});
        row("empty table: Add, type, Update", {0, "Add Key:a File:a.mp3 Update", 1, "browse", "a", {"a"}});
        row("empty table: Delete refused", {0, "Delete", -1, "browse", "", none, "", 1});
        // navigation buttons and keys
        row("Next on the last row beeps once and stays", {3, "Last Next", 3, "browse", "k2", three, "", 0, 1});
        row("Previous on the first row beeps once and stays", {3, "Previous", 1, "browse", "k0", three, "", 0, 1});
        row("First and Last on their own row: no beep", {3, "First Last Last", 3, "browse", "k2", three});
        row("no rows: Next and Previous do nothing, First is refused", {0, "Next Previous Next Previous First", -1, "browse", "", none, "", 1});
        row("a click on a grid row", {3, "Click3", 3, "browse", "k2", three});
        row("Down in the key box, Up twice in the file box", {5, "Go3 Down Up@txtFields(1) Up@txtFields(1)", 2, "browse", "k1", five});
        row("Ctrl+Up: first", {5, "Go3 Ctrl+Up", 1, "browse", "k0", five});
        row("Ctrl+PageDown: last; Ctrl+Shift+Up: one back", {5, "Go3 Ctrl+PgDown Ctrl+Shift+Up", 4, "browse", "k3", five});
        row("Down, PageDown in the grid: one row each", {5, "Go2 Down@grdDataGrid PgDown@grdDataGrid", 4, "browse", "k3", five});
        row("Shift+Home in the grid", {5, "Go3 Shift+Home@grdDataGrid", 1, "browse", "k0", five});
        row("Ctrl+Shift+Alt+End on a button", {5, "Go3 Ctrl+Shift+Alt+End@Command1", 5, "browse", "k4", five});
        row("Enter (Return) in the key box, Enter in the file box: no button pressed", {5, "Go3 Return Enter@txtFields(1)", 3, "browse", "k2", five});
        row("Enter (Return) and keypad Enter press the button that has the focus", {3, "Return@cmdNext Enter@cmdEdit", 2, "editing", "k1", three, editing});
        row("Esc closes in browse state", {5, "Go3 Esc", 3, "closed", "k2", five});
        row("editing: Esc ignored", {5, "Go3 Edit Esc", 3, "editing", "k2", five, editing});
        row("adding: Esc ignored", {5, "Go3 Add Esc", 6, "adding", "", five, adding});
        // access keys: a chord without a visible button types nothing
        row("browse: Alt+U with Update hidden, also in the grid", {3, "Go2 Alt+U Alt+K@grdDataGrid Alt+U@grdDataGrid", 2, "browse", "k1", three});
        row("editing: Alt+A, Alt+D, Alt+R in both boxes", {3, "Go2 Edit Alt+A Alt+D@txtFields(1) Alt+R Alt+A@txtFields(1) Update", 2, "browse", "k1", three, editing});
        row("adding: Ctrl+Alt+X", {3, "Go2 Add Ctrl+Alt+X", 4, "adding", "", three, adding});
        row("browse: Alt+E presses the visible Edit", {3, "Go2 Alt+E", 2, "editing", "k1", three, editing});
        row("editing: Alt+C presses Cancel, not the hidden Close", {3, "Go2 Edit Alt+C", 1, "browse", "k0", three});
        row("editing: an AltGr letter is typed at the start, where a move puts the cursor", {3, "Go2 Edit AltGr+E Update", 2, "browse", "ek1", {"k0", "ek1", "k2"}, editing});
        // the grid keeps the current row while a record is pending
        row("adding: a click and a double click on another row", {3, "Add Key:ghost Click1 DClick1", 4, "adding", "ghost", three, adding});
        row("adding: another row made current, keys on the grid", {3, "Add Key:ghost Go1 Up@grdDataGrid Home@grdDataGrid K@grdDataGrid", 4, "adding", "ghost", three, adding});
        // clang-format on
    }
    void commands()
    {
        QFETCH(CommandCase, c);
        LoadedEditor e(c.rows);
        QVERIFY(e.active);
        if (c.script.contains("Protect") && !test::WriteProtectedFile{e.folder.writeFile("probe", {})}.ok)
            QSKIP("this file system cannot protect a file from its owner");
        e.run(c.script);
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(e.window), c.state, 1000);  // an access key clicks after a moment
        QCOMPARE(e.window.adoPrimaryRS->AbsolutePosition(), c.position);
        QCOMPARE(e.window.lblStatus->text(), c.status.isEmpty() ? QString("Record: %1").arg(c.position) : c.status);
        QCOMPARE(e.window.txtFields[0]->text(), c.keyShown);
        QCOMPARE(e.window.txtFields[1]->cursorPosition(), 0);  // the narrow box shows the start of a file name
        QVERIFY2(e.seams.messages.size() == c.messages, qPrintable(e.seams.messages.join('|')));
        QCOMPARE(e.seams.beeps, c.beeps);
        QCOMPARE(e.window.grdDataGrid->selectionModel()->selectedRows().value(0).row(),
                 e.window.adoPrimaryRS->currentRow());
        QVERIFY(c.state != "browse" || !e.window.adoPrimaryRS->hasPendingChanges());  // showing a row writes nothing
        e.run("Free");
        e.window.close();
        QStringList keys;
        for (const QString& stored : test::storedRows()) {
            keys << stored.section('=', 0, 0);
            const auto designed = QRegularExpression("^k(\\d)").match(stored);
            QVERIFY2(!designed.hasMatch() || stored.endsWith("=f" + designed.captured(1) + ".mp3"), qPrintable(stored));
        }
        QCOMPARE(keys, c.storedKeys);
    }

    void failingCommandShowsTheDescriptionAlone()
    {
        for (const QString script : {"Edit Key:x Lock Update", "Rename Refresh"}) {
            LoadedEditor e(1);
            e.run(script);
            try {  // the same obstacle gives the same description
                script.endsWith("Update") ? e.window.adoPrimaryRS->UpdateBatch() : e.window.adoPrimaryRS->Requery();
                QFAIL("the obstacle did not stop the command");
            } catch (const Error& error) {
                QCOMPARE(e.seams.messages, QStringList{error.description()});
            }
        }
    }

    // A table that cannot be written opens and browses; each change is refused at once with the
    // description the table gives, and nothing is changed, typed or picked.
    void readOnlyTableRefusesChanges_data()
    {
        QTest::addColumn<QString>("command");
        for (const char* command : {"Add", "Edit", "Delete", "Update", "Import"})
            QTest::newRow(command) << QString(command);
    }
    void readOnlyTableRefusesChanges()
    {
        QFETCH(QString, command);
        LoadedEditor e(3);
        e.run("ReadOnly Reload Go2");
        if (!e.readOnly->ok())
            QSKIP("this process may not mount a folder read-only");
        e.run(command + " Key:x");
        QString refusal;
        try {
            e.window.adoPrimaryRS->activeConnection()->requireWritableTable();
        } catch (const Error& error) {
            refusal = error.description();
        }
        QCOMPARE(e.seams.messages, QStringList{refusal});
        QVERIFY2(refusal.contains(e.folder.databasePath()), qPrintable(refusal));
        QCOMPARE(stateOf(e.window), "browse");
        QCOMPARE(e.window.txtFields[0]->text(), "k1");
        QCOMPARE(e.seams.filters.size(), 0);
        e.run("Free");
        e.window.close();
        QCOMPARE(test::storedRows(), (QStringList{"k0=f0.mp3", "k1=f1.mp3", "k2=f2.mp3"}));
    }

    // NULL stays NULL, long texts are not cut, and columns the window does not show keep their values.
    void valuesOfEveryKindRoundTrip_data()
    {
        // clang-format off
        QTest::addColumn<QVariant>("key");
        QTest::addColumn<QVariant>("fileName");
        QTest::newRow("NULL key, typed into") << QVariant() << QVariant("a.mp3");
        QTest::newRow("NULL file name stays NULL") << QVariant("b") << QVariant();
        QTest::newRow("40,000 characters in both") << QVariant(QString(40000, QChar(u'键'))) << QVariant(QString(40000, QChar(u'名')));
        QTest::newRow("both begin with U+FEFF")
            << QVariant(QStringLiteral("\uFEFFk")) << QVariant(QStringLiteral("\uFEFFf.mp3"));
        // clang-format on
    }
    void valuesOfEveryKindRoundTrip()
    {
        QFETCH(QVariant, key);
        QFETCH(QVariant, fileName);
        LoadedEditor e(0);
        e.folder.exec("ALTER TABLE Config ADD COLUMN 数据 BLOB");
        e.folder.addMapping(key, fileName);
        e.folder.exec("UPDATE Config SET 数据 = x'00ff'");
        e.run("Reload");
        QCOMPARE(e.window.grdDataGrid->model()->index(0, 0).data(), key.isNull() ? QVariant() : key);
        e.run("Edit Key:q Update");
        QCOMPARE(e.seams.messages, QStringList());
        QCOMPARE(test::storedRows(), QStringList{key.toString() + "q=" + fileName.toString()});
        e.run("Reload");  // read back
        QCOMPARE(e.window.adoPrimaryRS->Value("文件名"), fileName);
        QCOMPARE(e.window.adoPrimaryRS->Value("数据").toByteArray(), QByteArray("\x00\xff", 2));
    }

    void import_data()
    {
        // clang-format off
        QTest::addColumn<ImportCase>("c");
        const auto row = [](const char* name, const ImportCase& c) { QTest::newRow(name) << c; };
        row("mp3 on row 2", {"Go2", "叮.mp3", "", "", "叮.mp3", "new sound"});
        row("an existing file of that name is replaced", {"Go2", "ding.wav", "old", "", "ding.wav", "new sound"});
        row("a link planted to a file outside MP3 is replaced", {"Go2", "ding.mp3", "", "link outside", "ding.mp3", "new sound"});
        row("a link planted to the picked file is replaced", {"Go2", "ding.mp3", "", "link picked", "ding.mp3", "new sound"});
        row("while adding a new record", {"Add Key:z", "z.ogg", "", "", "z.ogg", "new sound"});
        row("the file already is the destination: kept as it is", {"Go2", "MP3/here.mp3", "only copy", "", "here.mp3", "only copy"});
        row("failed copy: sound folder missing", {"Go2", "ding.mp3", "old", "no folder", "f1.mp3", "<unreadable>", true});
        row("failed copy: destination cannot be replaced", {"Go2", "ding.mp3", "old", "protected", "f1.mp3", "old", true});
        row("failed copy: picked file vanished", {"Go2", "ding.mp3", "old", "no source", "f1.mp3", "old", true});
        row("a backslash in the picked name: refused, no other file taken", {"Go2", "a\\b.mp3", "", "backslash", "f1.mp3", "<unreadable>", true});
        row("cancelled after a pick on row 1: nothing repeated", {"Go2", "ding.mp3", "", "cancelled", "f1.mp3", "<unreadable>"});
        // clang-format on
    }
    void import()
    {
        QFETCH(ImportCase, c);
        LoadedEditor e(2);
        const QString name = c.picked.section('/', -1);
        const QString destination = QDir(e.folder.soundFolderPath()).filePath(name);
        const QString outside = e.folder.writeFile("outside/" + name, "outside");
        if (!c.old.isEmpty())
            e.folder.writeFile("MP3/" + name, c.old);
        e.seams.nextPick =
            c.picked.startsWith("MP3/") ? destination : e.folder.writeFile("picked/" + name, "new sound");
        if (c.setup.startsWith("link"))
            QFile::link(c.setup == "link outside" ? outside : e.seams.nextPick, destination);
        else if (c.setup == "no folder")
            QDir(e.folder.soundFolderPath()).removeRecursively();
        else if (c.setup == "no source")
            QFile::remove(e.seams.nextPick);
        else if (c.setup == "protected" && !e.protection.emplace(destination).ok)
            QSKIP("this file system cannot protect a file from its owner");
        else if (c.setup == "backslash")  // what a\b.mp3 would wrongly name
            e.folder.writeFile("picked/a/b.mp3", "another sound");
        else if (c.setup == "cancelled") {  // imported into row 1, then the copy is taken away
            e.window.Command1->click();
            QFile::remove(destination);
            e.seams.nextPick.clear();
        }
        e.run(c.script);
        e.window.Command1->click();
        QCOMPARE(e.seams.filters.last(), "(*.mp3)|*.mp3|(*.*)|*.*");
        QCOMPARE(e.seams.messages.size(), c.fails ? 1 : 0);
        if (c.fails)  // names the file, in native form
            QVERIFY2(e.seams.messages[0].contains(name) &&
                         (c.setup == "backslash" || !e.seams.messages[0].contains('\\')),
                     qPrintable(e.seams.messages[0]));
        QCOMPARE(e.window.txtFields[1]->text(), c.shown);
        QCOMPARE(e.window.txtFields[1]->cursorPosition(), 0);
        QCOMPARE(e.window.adoPrimaryRS->isRowPending(e.window.adoPrimaryRS->currentRow()), c.shown != "f1.mp3");
        QVERIFY(!QFileInfo(destination).isSymLink());
        const auto read = [](QString p) {
            QFile f(p);
            return f.open(QFile::ReadOnly) ? f.readAll() : "<unreadable>";
        };
        QCOMPARE(read(destination), c.content);
        QCOMPARE(read(outside), "outside");
        const QStringList left = QDir(e.folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        QCOMPARE(left, c.content == "<unreadable>" ? QStringList() : QStringList{name});  // no temporary file either
        QCOMPARE(test::storedRows(), (QStringList{"k0=f0.mp3", "k1=f1.mp3"}));            // pending until Update
        e.run("Update");
        QVERIFY(test::storedRows().contains(e.window.txtFields[0]->text() + '=' + c.shown));
    }

    void tabVisitsEveryControlInOrder()
    {
        const QStringList browse{"txtFields(1)", "grdDataGrid", "cmdFirst",    "cmdPrevious", "cmdNext",
                                 "cmdLast",      "cmdAdd",      "cmdEdit",     "cmdDelete",   "cmdRefresh",
                                 "cmdClose",     "Command1",    "txtFields(0)"};
        const QStringList editing{"txtFields(1)", "grdDataGrid", "cmdUpdate", "cmdCancel", "Command1", "txtFields(0)"};
        for (const auto& [script, order] : {std::pair{"Go2", browse}, {"Go2 Edit", editing}}) {
            LoadedEditor e(3);
            QVERIFY(e.active);
            e.run(script);  // the key box has the focus from the showing on
            QStringList visited;
            for (int i = 0; i < order.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                visited << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(visited, order);
            QCOMPARE(e.window.adoPrimaryRS->AbsolutePosition(), 2);
        }
    }

    // Caption, accessible names, and a few places that would show a wrong unit or origin (client area, bar, docking).
    void designedWindow()
    {
        QGuiApplication::setApplicationDisplayName("keysound");
        editor::frmConfig w;
        QCOMPARE(w.windowTitle(), "Config");
        // The desktop's title is the caption followed by any non-empty display name.
        QCOMPARE(QGuiApplication::applicationDisplayName(), "");
        const QList<std::pair<QWidget*, QString>> expected{
            {w.txtFields[0], "键位"}, {w.txtFields[1], "文件名"}, {w.cmdFirst, "第一条"}, {w.cmdLast, "最后一条"}};
        for (const auto& [widget, name] : expected)
            QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
        QVERIFY(!QAccessible::queryAccessibleInterface(w.grdDataGrid)->text(QAccessible::Name).isEmpty());
        const auto pixels = [dpi = platform::logicalDpi(&w)](int t) { return platform::twipsToPixels(t, dpi); };
        const QList<std::pair<QWidget*, QRect>> places{{w.txtFields[1], {2040, 380, 495, 285}},
                                                       {w.cmdLast, {4545, 0, 345, 300}},
                                                       {w.picButtons, {0, 2370, 6045, 300}}};
        for (const auto& [control, t] : places)
            QCOMPARE(control->geometry(), QRect(pixels(t.x()), pixels(t.y()), pixels(t.width()), pixels(t.height())));
    }
};

QTEST_MAIN(FrmConfigTest)
#include "tst_frmconfig.moc"
