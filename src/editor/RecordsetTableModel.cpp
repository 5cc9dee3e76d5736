#include "editor/RecordsetTableModel.h"

#include "store/Recordset.h"

namespace keysound::editor {

using store::Recordset;

RecordsetTableModel::RecordsetTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{}

void RecordsetTableModel::setRecordset(Recordset* recordset)
{
    beginResetModel();
    if (recordset_)
        disconnect(recordset_, nullptr, this, nullptr);
    recordset_ = recordset;
    if (recordset_) {
        connect(recordset_, &Recordset::rowsAboutToBeReset, this, [this] {
            following_ = true;
            beginResetModel();
        });
        connect(recordset_, &Recordset::rowsReset, this, [this] {
            endResetModel();
            following_ = false;
        });
        connect(recordset_, &Recordset::rowAboutToBeInserted, this, [this](int row) {
            following_ = true;
            beginInsertRows(QModelIndex(), row, row);
        });
        connect(recordset_, &Recordset::rowInserted, this, [this] {
            endInsertRows();
            following_ = false;
        });
        connect(recordset_, &Recordset::rowAboutToBeRemoved, this, [this](int row) {
            following_ = true;
            beginRemoveRows(QModelIndex(), row, row);
        });
        connect(recordset_, &Recordset::rowRemoved, this, [this] {
            endRemoveRows();
            following_ = false;
        });
        connect(recordset_, &Recordset::rowChanged, this, &RecordsetTableModel::refreshRow);
        connect(recordset_, &QObject::destroyed, this, [this] { setRecordset(nullptr); });
    }
    endResetModel();
}

void RecordsetTableModel::refreshRow(int row)
{
    if (row >= 0 && row < rowCount() && columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole});
}

int RecordsetTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !recordset_ ? 0 : recordset_->RecordCount();
}

int RecordsetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !recordset_ ? 0 : recordset_->fieldCount();
}

QVariant RecordsetTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !recordset_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const QVariant value = recordset_->valueAt(index.row(), index.column());
    return value.isNull() ? QVariant() : QVariant(value.toString());
}

QVariant RecordsetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return recordset_->fieldNames().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordsetTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace keysound::editor
