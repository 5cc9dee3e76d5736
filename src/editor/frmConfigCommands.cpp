// The record commands and the import of the editor window.
#include "editor/frmConfig.h"

#include "platform/AppFolder.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "store/Recordset.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace keysound::editor {

namespace {
const QString ImportFilter = QStringLiteral("(*.mp3)|*.mp3|(*.*)|*.*");

template <typename Step> void ignoringErrors(Step&& step)
{
    try {
        step();
    } catch (const Error&) {
    }
}

// An empty bookmark counts as 0; one that cannot be compared is tried anyway.
bool holdsBookmark(const QVariant& bookmark)
{
    if (!bookmark.isValid() || bookmark.isNull())
        return false;
    bool numeric = false;
    const double value = bookmark.toDouble(&numeric);
    return !numeric || value > 0;
}
}  // namespace

// Stops at the first failing step and shows its description alone; nothing is undone.
void frmConfig::runCommand(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const Error& error) {
        dialogs_.messageBox(this, error.description());
    }
}

// A table that cannot be written refuses every change at once, before anything is touched.
void frmConfig::requireWritableTable() const
{
    if (adoPrimaryRS && adoPrimaryRS->activeConnection())
        adoPrimaryRS->activeConnection()->requireWritableTable();
}

void frmConfig::SetButtonState(bool bVal)
{
    cmdAdd->setVisible(bVal);
    cmdEdit->setVisible(bVal);
    cmdUpdate->setVisible(!bVal);
    cmdCancel->setVisible(!bVal);
    cmdDelete->setVisible(bVal);
    cmdClose->setVisible(bVal);
    cmdRefresh->setVisible(bVal);
    cmdNext->setEnabled(bVal);
    cmdFirst->setEnabled(bVal);
    cmdLast->setEnabled(bVal);
    cmdPrevious->setEnabled(bVal);
}

void frmConfig::cmdAdd_Click()
{
    runCommand([this] {
        requireWritableTable();
        const bool bof = adoPrimaryRS->BOF();
        const bool eof = adoPrimaryRS->EOF_();
        if (!(bof && eof))
            savedBookmark = adoPrimaryRS->Bookmark();
        adoPrimaryRS->AddNew();
        lblStatus->setText(QStringLiteral("添加记录"));
        addingNew = true;
        SetButtonState(false);
    });
}

void frmConfig::cmdEdit_Click()
{
    runCommand([this] {
        requireWritableTable();
        lblStatus->setText(QStringLiteral("编辑记录"));
        editing = true;
        SetButtonState(false);
    });
}

void frmConfig::cmdUpdate_Click()
{
    runCommand([this] {
        requireWritableTable();
        adoPrimaryRS->UpdateBatch(store::adAffectAll);
        if (addingNew)
            adoPrimaryRS->MoveLast();
        editing = false;
        addingNew = false;
        SetButtonState(true);
        emit soundsMayHaveChanged();
    });
}

void frmConfig::cmdCancel_Click()
{
    ignoringErrors([this] { SetButtonState(true); });
    editing = false;
    addingNew = false;
    ignoringErrors([this] { adoPrimaryRS->CancelUpdate(); });
    ignoringErrors([this] {
        if (holdsBookmark(savedBookmark))
            adoPrimaryRS->setBookmark(savedBookmark);
        else
            adoPrimaryRS->MoveFirst();
    });
}

void frmConfig::cmdDelete_Click()
{
    runCommand([this] {
        requireWritableTable();
        adoPrimaryRS->Delete(store::adAffectCurrent);
        adoPrimaryRS->MoveNext();
        if (adoPrimaryRS->EOF_())
            adoPrimaryRS->MoveLast();
        emit soundsMayHaveChanged();
    });
}

void frmConfig::cmdRefresh_Click()
{
    runCommand([this] {
        bindGrid(nullptr);
        adoPrimaryRS->Requery(store::adOptionUnspecified);
        bindGrid(adoPrimaryRS.get());
        emit soundsMayHaveChanged();
    });
}

void frmConfig::Command1_Click()
{
    cdl.Filter = ImportFilter;
    SoundImport::TextBox box{[this] { return txtFields[1]->text(); },
                             [this](const QString& text) {
                                 txtFields[1]->setText(text);
                                 txtFields[1]->home(false);
                             }};
    try {
        requireWritableTable();
        cdl.ShowOpen(dialogs_, this);
        if (!cdl.FileName.isEmpty()) {
            SoundImport(box, adoPrimaryRS.get(), platform::appFolder()).run(cdl.FileName);
            emit soundsMayHaveChanged();
        }
    } catch (const Error& error) {
        dialogs_.messageBox(this, error.description());
    }
}

}  // namespace keysound::editor
