#pragma once

#include "platform/AppFolder.h"
#include "platform/Dialogs.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Statements.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <unistd.h>

namespace keysound::test {

// Answers the window's message boxes, beeps and file-open dialogs for one test and records them.
class EditorSeams {
public:
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
        platform::setMessageBoxHandler({});
        platform::setBeepHandler({});
        platform::setOpenFileHandler({});
    }
    EditorSeams(const EditorSeams&) = delete;
    EditorSeams& operator=(const EditorSeams&) = delete;

    QStringList messages;
    int beeps = 0;
    QStringList filters;
    QString nextPick;  // what the file-open dialog answers: a native path, or "" for a cancel
};

// Makes a file unwritable for the test's lifetime, also for root (immutable attribute); ok() is
// false where the file system does not allow that.
class WriteProtectedFile {
public:
    explicit WriteProtectedFile(QString path) : path_(std::move(path))
    {
        if (geteuid() != 0)
            ok_ = QFile::setPermissions(path_, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        else
            ok_ = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path_}) == 0;
    }
    ~WriteProtectedFile()
    {
        if (geteuid() == 0)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
        else
            QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    }
    WriteProtectedFile(const WriteProtectedFile&) = delete;
    WriteProtectedFile& operator=(const WriteProtectedFile&) = delete;
    bool ok() const { return ok_; }

private:
    QString path_;
    bool ok_ = false;
};

inline QByteArray fileContent(const QString& nativePath)
{
    QFile file(nativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The editor's recordset over the test folder's db1.mdb, opened as the window opens it.
inline std::unique_ptr<store::Recordset> openEditorRecordset()
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Open(store::connectionStringFor(platform::appFolder()));
    auto recordset = std::make_unique<store::Recordset>();
    recordset->Open(store::editorStatement(), connection);
    return recordset;
}

// What the next key lookup of the main window finds: a fresh connection, the lookup statement.
inline QVariant lookedUpFileName(const QString& keyText)
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Open(store::connectionStringFor(platform::appFolder()));
    store::Recordset lookup;
    lookup.Open(store::keyLookupStatement(keyText), connection);
    if (lookup.RecordCount() < 1)
        return QStringLiteral("<no mapping>");
    return lookup.Value(QStringLiteral("文件名"));
}

}  // namespace keysound::test
