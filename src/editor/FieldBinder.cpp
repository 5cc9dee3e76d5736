#include "editor/FieldBinder.h"

#include "editor/EditorText.h"
#include "platform/Error.h"
#include "store/Recordset.h"

#include <QLineEdit>

namespace keysound::editor {

FieldBinder::FieldBinder(QLineEdit* box, QString dataField, QObject* parent)
    : QObject(parent)
    , box_(box)
    , dataField_(std::move(dataField))
{
    connect(box_, &QLineEdit::textEdited, this, &FieldBinder::writeTypedText);
}

void FieldBinder::setDataSource(store::Recordset* recordset)
{
    if (recordset_)
        disconnect(recordset_, nullptr, this, nullptr);
    recordset_ = recordset;
    if (!recordset_)
        return;
    if (recordset_->fieldIndex(dataField_) < 0) {
        recordset_ = nullptr;
        throw Error(ErrorNumber::ItemNotFound,
                    EditorText::tr("Item not found in this collection: there is no column named %1.").arg(dataField_));
    }
    connect(recordset_, &store::Recordset::MoveComplete, this, &FieldBinder::showRowFromStart);
    connect(recordset_, &store::Recordset::rowsReset, this, &FieldBinder::showRowFromStart);
    connect(recordset_, &store::Recordset::rowChanged, this, &FieldBinder::showIfCurrent);
    showRowFromStart();
}

// A row that comes into view shows the start of a value wider than the box, not its tail.
void FieldBinder::showRowFromStart()
{
    showCurrentValue();
    box_->home(false);
}

void FieldBinder::showCurrentValue()
{
    QString text;
    if (recordset_ && recordset_->currentRow() >= 0) {
        try {
            text = recordset_->Value(dataField_).toString();
        } catch (const Error&) {
            // no current row to show
        }
    }
    if (box_->text() != text) {
        box_->setText(text);
        box_->home(false);
    }
}

void FieldBinder::showIfCurrent(int row)
{
    if (recordset_ && row == recordset_->currentRow())
        showCurrentValue();
}

void FieldBinder::writeTypedText(const QString& text)
{
    if (!recordset_ || recordset_->currentRow() < 0)
        return;  // nothing to write into: the box alone keeps what was typed
    try {
        recordset_->setValue(dataField_, text);
    } catch (const Error&) {
        // the row refused the value; the box keeps it and Update reports what the file refuses
    }
}

}  // namespace keysound::editor
