#include "editor/RecordsetTableModel.h"

#include "platform/Error.h"
#include "store/Recordset.h"

namespace keysound::editor {

RecordsetTableModel::RecordsetTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{}

void RecordsetTableModel::setRecordset(store::Recordset* recordset)
{
    if (recordset_)
        disconnect(recordset_, nullptr, this, nullptr);
    recordset_ = recordset;
    if (recordset_) {
        connect(recordset_, &store::Recordset::rowsReset, this, &RecordsetTableModel::reload);
        connect(recordset_, &store::Recordset::rowInserted, this, &RecordsetTableModel::insertRow);
        connect(recordset_, &store::Recordset::rowRemoved, this, &RecordsetTableModel::removeRow);
        connect(recordset_, &store::Recordset::rowChanged, this, &RecordsetTableModel::refreshRow);
        connect(recordset_, &QObject::destroyed, this, [this] { setRecordset(nullptr); });
    }
    reload();
}

void RecordsetTableModel::reload()
{
    beginResetModel();
    const bool open = recordset_ && recordset_->isOpen();
    columns_ = open ? recordset_->fieldNames() : QStringList();
    rows_ = open ? std::max(0, recordset_->RecordCount()) : 0;
    endResetModel();
}

void RecordsetTableModel::insertRow(int row)
{
    shiftFrom_ = row;
    shiftBy_ = 1;
    beginInsertRows(QModelIndex(), row, row);
    shiftBy_ = 0;
    ++rows_;
    endInsertRows();
}

void RecordsetTableModel::removeRow(int row)
{
    shiftFrom_ = row + 1;
    shiftBy_ = -1;
    beginRemoveRows(QModelIndex(), row, row);
    shiftBy_ = 0;
    --rows_;
    endRemoveRows();
}

int RecordsetTableModel::recordsetRow(int row) const
{
    return row >= shiftFrom_ ? row + shiftBy_ : row;
}

void RecordsetTableModel::refreshRow(int row)
{
    if (row >= 0 && row < rows_ && !columns_.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(columns_.size()) - 1), {Qt::DisplayRole});
}

int RecordsetTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int RecordsetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant RecordsetTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !recordset_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    try {
        if (shiftBy_ < 0 && index.row() == shiftFrom_ - 1)
            return {};  // the row being removed is already gone from the recordset
        const QVariant value = recordset_->valueAt(recordsetRow(index.row()), index.column());
        return value.isNull() ? QVariant() : QVariant(value.toString());
    } catch (const Error&) {
        return {};  // a row the recordset no longer has: shown empty until its removal arrives
    }
}

QVariant RecordsetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < columns_.size())
        return columns_.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordsetTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace keysound::editor
