// Record navigation, the window's key handling and the grid following the current row.
#include "editor/frmConfig.h"

#include "editor/NavigationKeys.h"
#include "editor/RecordsetTableModel.h"
#include "platform/Dialogs.h"
#include "store/Recordset.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

namespace keysound::editor {

void frmConfig::cmdFirst_Click()
{
    runCommand([this] { adoPrimaryRS->MoveFirst(); });
}

void frmConfig::cmdLast_Click()
{
    runCommand([this] { adoPrimaryRS->MoveLast(); });
}

void frmConfig::cmdNext_Click()
{
    runCommand([this] {
        if (!adoPrimaryRS->EOF_())
            adoPrimaryRS->MoveNext();
        if (adoPrimaryRS->EOF_() && adoPrimaryRS->RecordCount() > 0) {
            dialogs_.beep();
            adoPrimaryRS->MoveLast();
        }
    });
}

void frmConfig::cmdPrevious_Click()
{
    runCommand([this] {
        if (!adoPrimaryRS->BOF())
            adoPrimaryRS->MovePrevious();
        if (adoPrimaryRS->BOF() && adoPrimaryRS->RecordCount() > 0) {
            dialogs_.beep();
            adoPrimaryRS->MoveFirst();
        }
    });
}

void frmConfig::adoPrimaryRS_MoveComplete(int, int, store::Recordset*)
{
    lblStatus->setText(QStringLiteral("Record: ") + QString::number(adoPrimaryRS->AbsolutePosition()));
    showCurrentRowInGrid();
}

void frmConfig::adoPrimaryRS_WillChangeRecord(int, int, int, store::Recordset*) {}

void frmConfig::Form_KeyDown(int KeyCode, int Shift)
{
    if (editing || addingNew)
        return;
    switch (keyCommand(KeyCode, Shift)) {
    case KeyCommand::Close: cmdClose_Click(); break;
    case KeyCommand::First: cmdFirst_Click(); break;
    case KeyCommand::Previous: cmdPrevious_Click(); break;
    case KeyCommand::Next: cmdNext_Click(); break;
    case KeyCommand::Last: cmdLast_Click(); break;
    case KeyCommand::None: break;
    }
}

// A row chosen in the grid becomes current; while a record is being added or edited the grid
// keeps the current row instead. The selection that rows coming and going move is no choice.
void frmConfig::gridRowChosen(int row)
{
    if (gridModel_->isFollowingRecordset() || !adoPrimaryRS || row < 0 || row == adoPrimaryRS->currentRow())
        return;
    if (isEditingRecord()) {
        showCurrentRowInGrid();
        return;
    }
    runCommand([this, row] { adoPrimaryRS->setCurrentRow(row); });
}

// Esc reaches the window through the key preview only; a dialog would otherwise close on it
// in every state.
void frmConfig::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: return previewKey(watched, *static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return watched == grdDataGrid->viewport() && isEditingRecord();
    default: return false;
    }
}

// Runs the window's key handler first and says whether the key stops there. A text box still
// gets the key, except an Alt chord: one whose access key found no visible, enabled button
// must not type its letter. The grid gets no key that moves the recordset (the handler has moved
// it already) and, while a record is being added or edited, none but Tab.
bool frmConfig::previewKey(QObject* watched, const QKeyEvent& key)
{
    if (!isKeyPreviewTarget(watched))
        return false;
    const int keyCode = keyCodeOf(key.key());
    Form_KeyDown(keyCode, shiftStateOf(key.modifiers()));
    if ((key.modifiers() & Qt::AltModifier) && !key.text().isEmpty())
        return true;
    if (watched != grdDataGrid)
        return false;
    const bool tab = key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
    return keyCode != 0 || (isEditingRecord() && !tab);
}

// A key that the focused control ignores travels on to its parents; only its first stop is
// previewed.
bool frmConfig::isKeyPreviewTarget(const QObject* watched) const
{
    const QWidget* focus = focusWidget();
    return watched == (focus ? focus : this);
}

void frmConfig::showCurrentRowInGrid()
{
    const int row = adoPrimaryRS && gridModel_->recordset() ? adoPrimaryRS->currentRow() : -1;
    QItemSelectionModel* selection = grdDataGrid->selectionModel();
    if (row < 0 || row >= gridModel_->rowCount() || gridModel_->columnCount() == 0) {
        selection->clear();
    } else {
        const QModelIndex index = gridModel_->index(row, std::max(0, grdDataGrid->currentIndex().column()));
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        grdDataGrid->scrollTo(index);
    }
}

}  // namespace keysound::editor
