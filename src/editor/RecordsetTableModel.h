#pragma once

#include "store/Recordset.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

namespace keysound::editor {

// The grid's view of a recordset: every row in cursor order and every column, headed by its
// name, read-only. Reads values from the recordset on demand; nothing is copied.
class RecordsetTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsetTableModel(QObject* parent = nullptr);

    // nullptr lets go of the recordset: no rows, no columns.
    void setRecordset(store::Recordset* recordset);
    store::Recordset* recordset() const { return recordset_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void reload();
    void insertRow(int row);
    void removeRow(int row);
    void refreshRow(int row);
    int recordsetRow(int row) const;

    QPointer<store::Recordset> recordset_;
    QStringList columns_;
    int rows_ = 0;  // the count the view has been told of
    // The recordset tells of an inserted or removed row after the fact; until the view has been
    // told too, rows from `shiftFrom` on stand `shiftBy` places further in the recordset.
    int shiftFrom_ = 0;
    int shiftBy_ = 0;
};

}  // namespace keysound::editor
