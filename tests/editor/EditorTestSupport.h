#pragma once

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
#include <functional>
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
        platform::setOpenFileHandler([this](QWidget*, const QString& filter) { filters << filter; return nextPick; });
    }
    ~EditorSeams() { platform::setMessageBoxHandler({}), platform::setBeepHandler({}), platform::setOpenFileHandler({}); }
};

// Makes a file unwritable for its lifetime, also for root (immutable attribute); ok is false
// where the file system does not allow that.
struct WriteProtectedFile {
    const QString path;
    const bool root = geteuid() == 0;
    const bool ok = root ? QProcess::execute("chattr", {"+i", path}) == 0 : QFile::setPermissions(path, QFile::ReadOwner);
    ~WriteProtectedFile()
    {
        root ? QProcess::execute("chattr", {"-i", path}) : QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
};

inline QByteArray fileContent(const QString& nativePath)
{
    QFile file(nativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A recordset over the test folder's db1.mdb through a fresh connection, as another reader sees it.
inline std::unique_ptr<store::Recordset> freshRecordset(const store::Statement& statement)
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Open(store::connectionStringFor(platform::appFolder()));
    auto recordset = std::make_unique<store::Recordset>();
    recordset->Open(statement, connection);
    return recordset;
}

inline QStringList storedKeys()
{
    auto recordset = freshRecordset(store::editorStatement());
    QStringList keys;
    for (int row = 0; row < recordset->RecordCount(); ++row)
        keys << recordset->valueAt(row, 0).toString();
    return keys;
}

// What the next key lookup of the main window finds.
inline QVariant lookedUpFileName(const QString& keyText)
{
    auto lookup = freshRecordset(store::keyLookupStatement(keyText));
    return lookup->RecordCount() < 1 ? QVariant("<no mapping>") : lookup->Value(QStringLiteral("文件名"));
}

inline void type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, text);
}

// "browse", "adding" or "editing" where the two flags and the eleven button properties agree.
inline QString stateOf(const editor::frmConfig& w)
{
    int asInBrowse = 0;
    for (const QPushButton* button : {w.cmdAdd, w.cmdEdit, w.cmdDelete, w.cmdRefresh, w.cmdClose})
        asInBrowse += button->isVisibleTo(&w);
    for (const QPushButton* button : {w.cmdUpdate, w.cmdCancel})
        asInBrowse += !button->isVisibleTo(&w);
    for (const QPushButton* button : {w.cmdFirst, w.cmdPrevious, w.cmdNext, w.cmdLast})
        asInBrowse += button->isEnabled();
    if (asInBrowse == 11 && !w.editing && !w.addingNew)
        return "browse";
    if (asInBrowse == 0 && w.editing != w.addingNew)
        return w.addingNew ? "adding" : "editing";
    return QString("flags %1/%2 with %3 of 11 buttons as in browse").arg(w.addingNew).arg(w.editing).arg(asInBrowse);
}

// A test folder with mappings k0/f0.mp3, k1/f1.mp3, ... and the editor window loaded over it and
// shown; the grid's model is checked by QAbstractItemModelTester all along.
struct LoadedEditor {
    explicit LoadedEditor(int rows, const std::function<void(const TestAppFolder&)>& prepare = {})
    {
        if (prepare)
            prepare(folder);
        folder.addMappings(rows);
        window.Show(0);
    }
    // Access keys and Tab need the window to be the active one.
    bool activate()
    {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    TestAppFolder folder;
    EditorSeams seams;
    editor::frmConfig window;
    QAbstractItemModelTester modelTester{window.grdDataGrid->model(),
                                         QAbstractItemModelTester::FailureReportingMode::QtTest};
};

}  // namespace keysound::test
