// The mapping editor window, driven through scripts of clicks, keys and typing, with obstacles
// put on the table file on the way.
#include "ErrorOf.h"
#include "RawDatabase.h"
#include "ReadOnlyMount.h"
#include "ScriptedDialogs.h"
#include "StoreTestSupport.h"
#include "TestAppFolder.h"
#include "TestFiles.h"
#include "editor/frmConfig.h"
#include "platform/Error.h"
#include "store/Connection.h"
#include "store/Recordset.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <optional>
#include <unistd.h>

using namespace keysound;
using test::TestAppFolder;

namespace {

// Makes a file unwritable for its lifetime, also for root; ok is false where the file system
// does not allow that.
struct WriteProtectedFile {
    const QString path;
    const bool ok = apply("+i", QFile::ReadOwner);
    ~WriteProtectedFile() { apply("-i", QFile::ReadOwner | QFile::WriteOwner); }
    // Permissions do not stop root; the immutable attribute does.
    bool apply(const QString& attribute, QFile::Permissions permissions) const
    {
        if (geteuid() == 0)
            return QProcess::execute("chattr", {attribute, path}) == 0;
        return QFile::setPermissions(path, permissions);
    }
};

// "browse", "adding", "editing" or "closed" where the two flags and the eleven button properties agree.
QString stateOf(const editor::frmConfig& w)
{
    if (!w.isVisible() && !w.isLoaded())
        return "closed";
    if (!w.isVisible())
        return "hidden but loaded";
    const QList<bool> asInBrowse{w.cmdAdd->isVisible(),     w.cmdEdit->isVisible(),  w.cmdDelete->isVisible(),
                                 w.cmdRefresh->isVisible(), w.cmdClose->isVisible(), !w.cmdUpdate->isVisible(),
                                 !w.cmdCancel->isVisible(), w.cmdFirst->isEnabled(), w.cmdPrevious->isEnabled(),
                                 w.cmdNext->isEnabled(),    w.cmdLast->isEnabled()};
    if (!asInBrowse.contains(false) && !w.editing && !w.addingNew)
        return "browse";
    if (!asInBrowse.contains(true) && w.addingNew && !w.editing)
        return "adding";
    if (!asInBrowse.contains(true) && w.editing && !w.addingNew)
        return "editing";
    return QString("flags %1/%2 with %3 of 11 buttons as in browse")
        .arg(w.addingNew)
        .arg(w.editing)
        .arg(asInBrowse.count(true));
}

// A test folder with mappings k0=f0.mp3, k1=f1.mp3, ... and the editor window loaded over it,
// shown and active (access keys and Tab need that); the grid's model is checked all along.
struct LoadedEditor {
    explicit LoadedEditor(int rows)
    {
        folder.addMappings(rows);
        window.Show(0);
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
    }
    QWidget* control(const QString& name) const { return window.findChild<QWidget*>(name); }
    QStringList stored() const { return test::mappingTexts(folder.databasePath()); }  // as another reader sees them
    void run(const QString& script);
    void pressKeys(const QString& step);

    TestAppFolder folder{TestAppFolder::WithDatabase, TestAppFolder::UsersOwnFolder};  // Reject needs a trigger
    test::ScriptedDialogs dialogs;
    editor::frmConfig window{dialogs};
    QAbstractItemModelTester modelTester{window.grdDataGrid->model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
    bool active = false;
    std::optional<test::RawDatabase> lock;  // closing it rolls its transaction back
    std::optional<WriteProtectedFile> protection;
    std::optional<test::ReadOnlyMount> readOnly;
};

// Steps, named as test::runRecordsetScript names the recordset calls they lead to: Go<n> chooses
// grid row n, Click<n> and DClick<n> click on it; Key:<text> and File:<text> type into a box;
// Outside adds a mapping through another connection; Import clicks Command1; Lock holds db1.mdb
// locked as another program would, Protect and Reject put other obstacles on it, ReadOnly on its
// folder, Free takes them away; Reload closes the window and shows it again; a button's name
// without "cmd" clicks it (also a hidden one, as its handler runs then); anything else is a key
// chord, sent to the key box or to the control named after '@'.
void LoadedEditor::run(const QString& script)
{
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        if (step.startsWith("Go"))
            window.grdDataGrid->setCurrentIndex(window.grdDataGrid->model()->index(step.mid(2).toInt() - 1, 0));
        else if (step.contains("Click")) {
            QTableView* grid = window.grdDataGrid;
            const QPoint row = grid->visualRect(grid->model()->index(step.back().digitValue() - 1, 0)).center();
            if (step.startsWith('D'))
                QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row);
            else
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row);
        } else if (step.startsWith("Key:") || step.startsWith("File:")) {
            QLineEdit* box = window.txtFields[step.startsWith("File:")];
            box->setFocus();
            box->end(false);
            QTest::keyClicks(box, step.section(':', 1));
        } else if (step == "Outside")
            folder.addMapping("outside", "o.mp3");
        else if (step == "Lock")
            lock.emplace(folder.databasePath()).exec("BEGIN EXCLUSIVE");
        else if (step == "Protect")
            protection.emplace(folder.databasePath());
        else if (step == "ReadOnly")
            readOnly.emplace(folder.path());
        else if (step == "Reject")  // refuses any change to row 2, after row 1 was written
            folder.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Config WHEN OLD.键位 = 'k1' BEGIN SELECT RAISE(ABORT, "
                        "'refused'); END");
        else if (step == "Free") {
            lock.reset();
            protection.reset();
            readOnly.reset();
            folder.exec("DROP TRIGGER IF EXISTS refuse");
        } else if (step == "Reload") {
            window.close();
            window.Show(0);
        } else if (step == "Import")
            window.Command1->click();
        else if (auto* button = qobject_cast<QPushButton*>(control("cmd" + step)))
            button->click();
        else
            pressKeys(step);
    }
}

// "Ctrl+Shift+Home@grdDataGrid": a key sequence (AltGr+ too), then the control that has the focus.
void LoadedEditor::pressKeys(const QString& step)
{
    QString chord = step.section('@', 0, 0);
    Qt::KeyboardModifiers altGr = Qt::NoModifier;
    if (chord.startsWith("AltGr+")) {
        chord.remove(0, 6);
        altGr = Qt::GroupSwitchModifier;
    }
    QString targetName = step.section('@', 1);
    if (targetName.isEmpty())
        targetName = "txtFields(0)";
    QWidget* target = control(targetName);
    const QKeyCombination key = QKeySequence::fromString(chord)[0];
    QVERIFY2(target && key.key() != Qt::Key_unknown && key.key() != 0, qPrintable("unknown step " + step));
    target->setFocus();
    QTest::keyClick(target, key.key(), key.keyboardModifiers() | altGr);
}

// A script on a table of k0=f0.mp3, k1=f1.mp3, ... and what it leaves.
struct CommandCase {
    int rows;
    QString script;
    int position;
    QString state, keyShown;
    QStringList stored;
    std::optional<QString> status = {};  // the record number where none
    int messages = 0, beeps = 0;
};
struct ImportCase {
    QString script = "Go2";       // the record the file is named in
    QString picked = "ding.mp3";  // from another folder, or "MP3/..." already in the sound folder
    QByteArray old = {};          // MP3/<name> before the import, if any
    QString setup = {};           // what else is in the way, if anything
    QString shown = "f1.mp3";     // 文件名 in the box and the record afterwards
    QByteArray content = {};      // MP3/<name> afterwards; empty where there is no such file
    bool fails = false;
};
}  // namespace
Q_DECLARE_METATYPE(CommandCase)
Q_DECLARE_METATYPE(ImportCase)

class FrmConfigTest : public QObject {
    Q_OBJECT
private slots:
    void commands_data()
    {
        // clang-format off
        QTest::addColumn<CommandCase>("c");
        const QStringList none, two{"k0=f0.mp3", "k1=f1.mp3"}, three = two + QStringList{"k2=f2.mp3"};
        const QStringList four = three + QStringList{"outside=o.mp3"}, five = three + QStringList{"k3=f3.mp3", "k4=f4.mp3"};
        const QString adding = "添加记录", editing = "编辑记录";
        const auto row = [](const char* name, const CommandCase& c) { QTest::newRow(name) << c; };
        row("Add, type, Update: saved, current as last", {3, "Add Key:new File:new.mp3 Update", 4, "browse", "new", three + QStringList{"new=new.mp3"}});
        row("Edit, type, Cancel: change dropped", {3, "Go2 Edit Key:X Cancel Go2", 2, "browse", "k1", three});
        row("a row refused halfway: nothing written, all kept", {3, "Key:A Go2 Edit Key:B Reject Update", 2, "editing", "k1B", three, editing, 1});
        row("a row refused halfway: all saved by a retry, also one typed into in browse", {3, "Key:A Go2 Edit Key:B Reject Update Free Update", 2, "browse", "k1B", {"k0A=f0.mp3", "k1B=f1.mp3", "k2=f2.mp3"}, editing, 1});
        row("Delete a middle row: the next row", {3, "Go2 Delete", 2, "browse", "k2", {"k0=f0.mp3", "k2=f2.mp3"}});
        row("Delete the last row: the new last row", {3, "Last Delete", 2, "browse", "k1", two});
        row("Delete the only row: MoveLast refused", {1, "Delete", -1, "browse", "", none, {}, 1});
        row("saved bookmark of a deleted row: Cancel stays", {3, "Go2 Add Cancel Delete Edit Cancel", 2, "browse", "k2", {"k0=f0.mp3", "k2=f2.mp3"}, editing});
        row("Refresh while editing keeps the flags and buttons", {3, "Go2 Add Cancel Go3 Edit Outside Refresh", 1, "editing", "k0", four});
        row("Refresh keeps the saved bookmark", {3, "Go2 Add Cancel Go3 Edit Outside Refresh Cancel", 2, "browse", "k1", four});
        row("Update on a locked file: still adding", {3, "Add Key:a Lock Update", 4, "adding", "a", three, adding, 1});
        row("locked: the pending row saved by a retry", {3, "Add Key:a Lock Update Free Update", 4, "browse", "a", three + QStringList{"a="}, {}, 1});
        row("locked: Cancel drops the pending row", {3, "Go2 Add Key:a Lock Update Free Cancel", 2, "browse", "k1", three, {}, 1});
        row("read-only: the change saved by a retry", {3, "Go2 Edit Key:x Protect Update Free Update", 2, "browse", "k1x", {"k0=f0.mp3", "k1x=f1.mp3", "k2=f2.mp3"}, editing, 1});
        row("closed while adding: reopened in browse, pending row dropped", {2, "Add Key:gone Outside Reload Down", 2, "browse", "k1", two + QStringList{"outside=o.mp3"}});
        row("closed while editing: reopened in browse", {2, "Go2 Edit Key:x Reload Down Down", 2, "browse", "k1", two, {}, 0, 1});
        row("empty table: Add, Cancel", {0, "Add Cancel", -1, "browse", "", none});
        row("empty table: Add, type, Update", {0, "Add Key:a File:a.mp3 Update", 1, "browse", "a", {"a=a.mp3"}});
        // a table that cannot be written opens and browses; each change is refused at once with the
        // description alone the table gives, and nothing is changed, typed or picked
        for (const QString command : {"Add", "Edit", "Delete", "Update", "Import"})
            row(qPrintable("read-only: " + command + " refused"), {3, "ReadOnly Reload Go2 " + command + " Key:x", 2, "browse", "k1", three, {}, 1});
        // navigation buttons and keys
        row("Next on the last row beeps once and stays", {3, "Last Next", 3, "browse", "k2", three, {}, 0, 1});
        row("Previous on the first row beeps once and stays", {3, "Previous", 1, "browse", "k0", three, {}, 0, 1});
        row("First and Last on their own row: no beep", {3, "First Last Last", 3, "browse", "k2", three});
        row("no rows: Next and Previous do nothing, First and Delete are refused", {0, "Next Previous Next Previous First Delete", -1, "browse", "", none, {}, 2});
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
        row("editing: an AltGr letter is typed at the start, where a move puts the cursor", {3, "Go2 Edit AltGr+E Update", 2, "browse", "ek1", {"k0=f0.mp3", "ek1=f1.mp3", "k2=f2.mp3"}, editing});
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
        if (c.script.contains("Protect") && !WriteProtectedFile{e.folder.writeFile("probe", {})}.ok)
            QSKIP("this file system cannot protect a file from its owner");
        e.run(c.script);
        if (e.readOnly && !e.readOnly->ok())
            QSKIP("this process may not mount a folder read-only");
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(e.window), c.state, 1000);  // an access key clicks after a moment
        QCOMPARE(e.window.adoPrimaryRS->AbsolutePosition(), c.position);
        QCOMPARE(e.window.lblStatus->text(), c.status.value_or(QString("Record: %1").arg(c.position)));
        QCOMPARE(e.window.txtFields[0]->text(), c.keyShown);
        QCOMPARE(e.window.txtFields[1]->cursorPosition(), 0);  // the narrow box shows the start of a file name
        QVERIFY2(e.dialogs.messages.size() == c.messages, qPrintable(e.dialogs.messages.join('|')));
        QCOMPARE(e.dialogs.beeps, c.beeps);
        QCOMPARE(e.dialogs.openDialogs, 0);
        if (const auto refusal =
                test::errorOf([&] { e.window.adoPrimaryRS->activeConnection()->requireWritableTable(); }))
            QCOMPARE(e.dialogs.messages, QStringList{refusal->description()});
        QCOMPARE(e.window.grdDataGrid->selectionModel()->selectedRows().value(0).row(),
                 e.window.adoPrimaryRS->currentRow());
        QVERIFY(c.state != "browse" || !e.window.adoPrimaryRS->hasPendingChanges());  // showing a row writes nothing
        e.run("Free");
        e.window.close();
        QCOMPARE(e.stored(), c.stored);
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
        QCOMPARE(e.window.grdDataGrid->model()->index(0, 0).data(), key);
        e.run("Edit Key:q Update");
        QCOMPARE(e.dialogs.messages, QStringList());
        QCOMPARE(e.stored(), QStringList{key.toString() + "q=" + fileName.toString()});
        e.run("Reload");  // read back
        QCOMPARE(e.window.adoPrimaryRS->Value("文件名"), fileName);
        QCOMPARE(e.window.adoPrimaryRS->Value("数据").toByteArray(), QByteArray("\x00\xff", 2));
    }

    void import_data()
    {
        // clang-format off
        QTest::addColumn<ImportCase>("c");
        const auto row = [](const char* name, const ImportCase& c) { QTest::newRow(name) << c; };
        row("mp3 on row 2", {.picked = "叮.mp3", .shown = "叮.mp3", .content = "new sound"});
        row("an existing file of that name is replaced", {.picked = "ding.wav", .old = "old", .shown = "ding.wav", .content = "new sound"});
        row("a link planted to a file outside MP3 is replaced", {.setup = "link outside", .shown = "ding.mp3", .content = "new sound"});
        row("a link planted to the picked file is replaced", {.setup = "link picked", .shown = "ding.mp3", .content = "new sound"});
        row("while adding a new record", {.script = "Add Key:z", .picked = "z.ogg", .shown = "z.ogg", .content = "new sound"});
        row("the file already is the destination: kept as it is", {.picked = "MP3/here.mp3", .old = "only copy", .shown = "here.mp3", .content = "only copy"});
        row("failed copy: sound folder missing", {.old = "old", .setup = "no folder", .fails = true});
        row("failed copy: destination cannot be replaced", {.old = "old", .setup = "protected", .content = "old", .fails = true});
        row("failed copy: picked file vanished", {.old = "old", .setup = "no source", .content = "old", .fails = true});
        row("a backslash in the picked name: refused, no other file taken", {.picked = "a\\b.mp3", .setup = "backslash", .fails = true});
        row("cancelled after a pick on row 1: nothing repeated", {.setup = "cancelled"});
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
        e.dialogs.nextPick = destination;
        if (!c.picked.startsWith("MP3/"))
            e.dialogs.nextPick = e.folder.writeFile("picked/" + name, "new sound");
        if (c.setup == "link outside")
            QFile::link(outside, destination);
        else if (c.setup == "link picked")
            QFile::link(e.dialogs.nextPick, destination);
        else if (c.setup == "no folder")
            QDir(e.folder.soundFolderPath()).removeRecursively();
        else if (c.setup == "no source")
            QFile::remove(e.dialogs.nextPick);
        else if (c.setup == "protected" && !e.protection.emplace(destination).ok)
            QSKIP("this file system cannot protect a file from its owner");
        else if (c.setup == "backslash")  // what a\b.mp3 would wrongly name
            e.folder.writeFile("picked/a/b.mp3", "another sound");
        else if (c.setup == "cancelled") {  // imported into row 1, then the copy is taken away
            e.run("Import");
            QFile::remove(destination);
            e.dialogs.nextPick.clear();
        }
        e.run(c.script + " Import");
        QCOMPARE(e.dialogs.messages.size(), qsizetype(c.fails));
        if (c.fails)  // names the file
            QVERIFY2(e.dialogs.messages[0].contains(name), qPrintable(e.dialogs.messages[0]));
        if (c.fails && c.setup != "backslash")  // in native form
            QVERIFY2(!e.dialogs.messages[0].contains('\\'), qPrintable(e.dialogs.messages[0]));
        QCOMPARE(e.window.txtFields[1]->text(), c.shown);
        QCOMPARE(e.window.txtFields[1]->cursorPosition(), 0);
        QCOMPARE(e.window.adoPrimaryRS->isRowPending(e.window.adoPrimaryRS->currentRow()), c.shown != "f1.mp3");
        QVERIFY(!QFileInfo(destination).isSymLink());
        QCOMPARE(QFileInfo::exists(destination), !c.content.isEmpty());
        QCOMPARE(test::fileBytes(destination), c.content);
        QCOMPARE(test::fileBytes(outside), "outside");
        QStringList left = QDir(e.folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        left.removeAll(name);
        QCOMPARE(left, QStringList());                                  // no temporary file either
        QCOMPARE(e.stored(), (QStringList{"k0=f0.mp3", "k1=f1.mp3"}));  // pending until Update
        e.run("Update");
        QVERIFY(e.stored().contains(e.window.txtFields[0]->text() + '=' + c.shown));
    }

    // The desktop's title is the caption followed by any non-empty display name: the window's title
    // is its caption alone.
    void titleIsTheCaptionAlone()
    {
        QGuiApplication::setApplicationDisplayName("keysound");
        LoadedEditor e(0);
        QCOMPARE(QGuiApplication::applicationDisplayName(), "");
    }
};

QTEST_MAIN(FrmConfigTest)
#include "tst_frmconfig.moc"
