#include "store/RecordsetImpl.h"

#include "platform/Error.h"
#include "store/PreparedStatement.h"
#include "store/RecordsetWriter.h"
#include "store/StoreText.h"

#include <algorithm>

// Pending changes of rows (edits, new rows) and writing them back: UpdateBatch in one
// transaction, Delete at once.
namespace keysound::store {

namespace {
bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isValid() != b.isValid())
        return false;
    return !a.isValid() || (a.metaType() == b.metaType() && a == b);
}
}  // namespace

void Recordset::setValueAt(int row, int column, const QVariant& value)
{
    requireUpdatable(QT_TRANSLATE_NOOP("StoreText", "change a field"));
    if (row < 0 || row >= d->rowCount() || column < 0 || column >= fieldCount())
        throw Error(ErrorNumber::InvalidArgument,
                    StoreText::tr("There is no cell (%1, %2): the recordset has %3 rows and %4 columns.")
                        .arg(row)
                        .arg(column)
                        .arg(d->rowCount())
                        .arg(fieldCount()));
    if (sameValue(d->cell(row, column), value))
        return;
    Row& target = d->rows[row];
    if (!target.isPending()) {
        emit WillChangeRecord(adRsnFirstChange, 1, adStatusOK, this);
        target.original = QList<QVariant>(d->rowCells(row), d->rowCells(row) + fieldCount());
        target.changed = QBitArray(fieldCount());
        ++d->pendingRows;
    }
    d->cell(row, column) = value;
    target.changed.setBit(column);
    emit rowChanged(row);
}

bool Recordset::isRowPending(int row) const { return row >= 0 && row < d->rowCount() && d->rows[row].isPending(); }

bool Recordset::hasPendingChanges() const { return d->pendingRows > 0; }

void Recordset::requireUpdatable(const char* operation) const
{
    requireOpen(operation);
    d->connection->requireWritableTable();
    if (d->table.isEmpty())
        throw Error(
            ErrorNumber::OperationNotAllowed,
            StoreText::tr("Cannot %1: the rows of \"%2\" are read-only; only a plain \"select * from <table>\" can be "
                          "changed.")
                .arg(StoreText::tr(operation), d->statement.sql));
    if (d->rowidName.isEmpty())
        throw Error(
            ErrorNumber::OperationNotAllowed,
            StoreText::tr("Cannot %1: the columns of the table %2 take all three names rowid, oid and _rowid_, so "
                          "its rows cannot be found again to write them back.")
                .arg(StoreText::tr(operation), d->table));
}

void Recordset::AddNew()
{
    requireUpdatable(QT_TRANSLATE_NOOP("StoreText", "add a record"));
    emit WillChangeRecord(adRsnAddNew, 1, adStatusOK, this);
    emit rowAboutToBeInserted(d->rowCount());
    d->appendRow(Row{0, d->nextBookmark++, true, QBitArray(fieldCount()), {}});
    ++d->pendingRows;
    emit rowInserted(d->rowCount() - 1);
    moveTo(d->rowCount() - 1, adRsnMove);
}

void Recordset::CancelUpdate()
{
    requireOpen(QT_TRANSLATE_NOOP("StoreText", "cancel the changes"));
    if (d->place != Impl::Place::OnRow || !d->rows[d->index].isPending())
        return;
    const int row = d->index;
    Row& target = d->rows[row];
    if (target.isNew) {
        emit WillChangeRecord(adRsnUndoAddNew, 1, adStatusOK, this);
        emit rowAboutToBeRemoved(row);
        d->removeRow(row);
        --d->pendingRows;
        d->place = Impl::Place::AfterLast;
        emit rowRemoved(row);
        moveTo(d->rowCount() - 1, adRsnMove);  // the last row, or BOF and EOF when none is left
        return;
    }
    emit WillChangeRecord(adRsnUndoUpdate, 1, adStatusOK, this);
    std::copy(target.original.begin(), target.original.end(), d->rowCells(row));
    target.original.clear();
    target.changed = QBitArray();
    --d->pendingRows;
    emit rowChanged(row);
}

std::vector<int> Recordset::pendingRowsFor(int affect) const
{
    std::vector<int> pending;
    if (affect == adAffectCurrent) {
        if (d->place == Impl::Place::OnRow && d->rows[d->index].isPending())
            pending.push_back(d->index);
        return pending;
    }
    for (int row = 0; row < d->rowCount(); ++row) {
        if (d->rows[row].isPending())
            pending.push_back(row);
    }
    return pending;
}

std::vector<qint64> Recordset::writeRows(const std::vector<int>& pending)
{
    DatabaseHandle& db = d->database();
    RecordsetWriter writer(db, d->table, d->rowidName, d->columns);
    WriteTransaction transaction(db);
    std::vector<qint64> rowids;
    rowids.reserve(pending.size());
    for (int row : pending) {
        const Row& source = d->rows[row];
        if (source.isNew) {
            rowids.push_back(writer.insert(source.changed, d->rowCells(row)));
        } else {
            writer.update(source.rowid, source.changed, d->rowCells(row));
            rowids.push_back(source.rowid);
        }
    }
    transaction.commit();
    return rowids;
}

void Recordset::UpdateBatch(int affect)
{
    const char* const operation = QT_TRANSLATE_NOOP("StoreText", "save the changes");
    requireOpen(operation);
    if (affect != adAffectAll && affect != adAffectCurrent)
        throw Error(
            ErrorNumber::InvalidArgument,
            StoreText::tr("Cannot save the rows chosen by the value %1: only all rows or the current row can be saved.")
                .arg(affect));
    const std::vector<int> pending = pendingRowsFor(affect);
    if (pending.empty())
        return;
    requireUpdatable(operation);
    emit WillChangeRecord(adRsnUpdate, int(pending.size()), adStatusOK, this);
    std::vector<qint64> rowids;
    try {
        rowids = writeRows(pending);
    } catch (const Error& error) {
        throw Error(error.number(),
                    StoreText::tr("The changes were not saved and nothing was written; the %1 changed rows stay "
                                  "as they are, to be corrected and updated again, or cancelled. Cause: %2")
                        .arg(pending.size())
                        .arg(error.description()));
    }
    for (size_t k = 0; k < pending.size(); ++k) {
        Row& written = d->rows[pending[k]];
        written.rowid = rowids[k];
        written.isNew = false;
        written.changed = QBitArray();
        written.original.clear();
    }
    d->pendingRows -= int(pending.size());
    for (int row : pending)
        emit rowChanged(row);
}

void Recordset::Delete(int affect)
{
    if (affect != adAffectCurrent)
        throw Error(ErrorNumber::InvalidArgument,
                    StoreText::tr("Cannot delete the rows chosen by the value %1: only the current row can be deleted.")
                        .arg(affect));
    const char* const operation = QT_TRANSLATE_NOOP("StoreText", "delete the record");
    const int row = requireCurrentRow(operation);
    const Row& target = d->rows[row];
    if (!target.isNew)
        requireUpdatable(operation);
    emit WillChangeRecord(adRsnDelete, 1, adStatusOK, this);
    if (!target.isNew)
        RecordsetWriter(d->database(), d->table, d->rowidName, d->columns).remove(target.rowid);
    emit rowAboutToBeRemoved(row);
    if (target.isPending())
        --d->pendingRows;
    d->removeRow(row);
    d->place = Impl::Place::OnDeleted;
    d->index = row;
    emit rowRemoved(row);
}

}  // namespace keysound::store
