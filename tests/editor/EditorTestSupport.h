#pragma once

#include "ReadOnlyMount.h"
#include "TestAppFolder.h"
#include "editor/frmConfig.h"
#include "platform/AppFolder.h"
#include "platform/Dialogs.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Statements.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <optional>
#include <sqlite3.h>
#include <unistd.h>

namespace keysound::test {

// Answers the window's message boxes, beeps and file-open dialogs for one test and records them.
struct EditorSeams {
    QStringList messages, filters;
    int beeps = 0;
    QString nextPick;  // what the file-open dialog answers: a native path, or "" for a cancel
    EditorSeams()
    {
        platform::setMessageBoxHandler([this](QWidget*, const QString& text) { messages << text; });
        platform::setBeepHandler([this] { ++beeps; });
        platform::setOpenFileHandler([this](QWidget*, const QString& filter) {
            filters << filter;
            return nextPick;
        });
    }
    ~EditorSeams()
    {
        platform::setMessageBoxHandler({}), platform::setBeepHandler({}), platform::setOpenFileHandler({});
    }
};

// Makes a file unwritable for its lifetime, also for root (immutable attribute); ok is false
// where the file system does not allow that.
struct WriteProtectedFile {
    const QString path;
    const bool root = geteuid() == 0;
    const bool ok =
        root ? QProcess::execute("chattr", {"+i", path}) == 0 : QFile::setPermissions(path, QFile::ReadOwner);
    ~WriteProtectedFile()
    {
        root ? QProcess::execute("chattr", {"-i", path})
             : QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
};

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

// The stored mappings as "key=file" texts, in the editor's order, as another reader sees them.
inline QStringList storedRows()
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Open(store::connectionStringFor(platform::appFolder()));
    store::Recordset recordset;
    recordset.Open(store::editorStatement(), connection);
    QStringList rows;
    for (int row = 0; row < recordset.RecordCount(); ++row)
        rows << recordset.valueAt(row, 0).toString() + '=' + recordset.valueAt(row, 1).toString();
    return rows;
}

// "browse", "adding", "editing" or "closed" where the two flags and the eleven button properties agree.
inline QString stateOf(const editor::frmConfig& w)
{
    if (!w.isVisible())
        return w.isLoaded() ? "hidden but loaded" : "closed";
    const QList<bool> asInBrowse{w.cmdAdd->isVisible(),     w.cmdEdit->isVisible(),  w.cmdDelete->isVisible(),
                                 w.cmdRefresh->isVisible(), w.cmdClose->isVisible(), !w.cmdUpdate->isVisible(),
                                 !w.cmdCancel->isVisible(), w.cmdFirst->isEnabled(), w.cmdPrevious->isEnabled(),
                                 w.cmdNext->isEnabled(),    w.cmdLast->isEnabled()};
    if (!asInBrowse.contains(false) && !w.editing && !w.addingNew)
        return "browse";
    if (!asInBrowse.contains(true) && w.editing != w.addingNew)
        return w.addingNew ? "adding" : "editing";
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
    void run(const QString& script);
    void pressKeys(const QString& step);

    TestAppFolder folder{TestAppFolder::WithDatabase, TestAppFolder::UsersOwnFolder};  // Reject needs a trigger
    EditorSeams seams;
    editor::frmConfig window;
    QAbstractItemModelTester modelTester{window.grdDataGrid->model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
    bool active = false;
    std::optional<ExclusiveLock> lock;
    std::optional<WriteProtectedFile> protection;
    std::optional<ReadOnlyMount> readOnly;
};

// Steps, named as test::runRecordsetScript names the recordset calls they lead to: Go<n> chooses
// grid row n, Click<n> and DClick<n> click on it; Key:<text> and File:<text> type into a box;
// Outside adds a mapping through another connection; Rename moves the table away; Import clicks Command1;
// Lock, Protect and Reject put an obstacle on db1.mdb, ReadOnly on its folder, Free takes them away; Reload closes the
// window and shows it again; a button's name without "cmd" clicks it (also a hidden one, as its handler runs then);
// anything else is a key chord, sent to the key box or to the control named after '@'.
inline void LoadedEditor::run(const QString& script)
{
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        if (step.startsWith("Go"))
            window.grdDataGrid->setCurrentIndex(window.grdDataGrid->model()->index(step.mid(2).toInt() - 1, 0));
        else if (step.contains("Click")) {
            QTableView* grid = window.grdDataGrid;
            const QPoint row = grid->visualRect(grid->model()->index(step.back().digitValue() - 1, 0)).center();
            (step[0] == 'D' ? QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row)
                            : QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row));
        } else if (step.startsWith("Key:") || step.startsWith("File:")) {
            QLineEdit* box = window.txtFields[step.startsWith("File:")];
            box->setFocus();
            box->end(false);
            QTest::keyClicks(box, step.section(':', 1));
        } else if (step == "Outside")
            folder.addMapping("outside", "o.mp3");
        else if (step == "Lock")
            lock.emplace(folder.databasePath());
        else if (step == "Protect")
            protection.emplace(folder.databasePath());
        else if (step == "ReadOnly")
            readOnly.emplace(folder.path());
        else if (step == "Rename")
            folder.exec("ALTER TABLE Config RENAME TO Elsewhere");
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
inline void LoadedEditor::pressKeys(const QString& step)
{
    const bool altGr = step.startsWith("AltGr+");
    const QKeyCombination key = QKeySequence::fromString(step.section('@', 0, 0).mid(altGr ? 6 : 0))[0];
    QWidget* target = control(step.contains('@') ? step.section('@', 1) : "txtFields(0)");
    QVERIFY2(target && key.key() != Qt::Key_unknown && key.key() != 0, qPrintable("unknown step " + step));
    target->setFocus();
    QTest::keyClick(target, key.key(), key.keyboardModifiers() | (altGr ? Qt::GroupSwitchModifier : Qt::NoModifier));
}

}  // namespace keysound::test
