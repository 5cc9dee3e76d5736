#pragma once

#include "store/Recordset.h"

#include <QAbstractTableModel>
#include <QPointer>

namespace keysound::editor {

// The grid's view of a recordset: every row in cursor order and every column, headed by its
// name, read-only. Reads values from the recordset on demand; nothing is copied. Each change the
// recordset announces in a pair reaches the views as the matching begin and end.
class RecordsetTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsetTableModel(QObject* parent = nullptr);

    // nullptr lets go of the recordset: no rows, no columns.
    void setRecordset(store::Recordset* recordset);
    store::Recordset* recordset() const { return recordset_; }
    // While a change of the recordset's rows is passed on to the views: a selection that moves
    // meanwhile moves because rows come and go, not by anyone's choice.
    bool isFollowingRecordset() const { return following_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void refreshRow(int row);

    QPointer<store::Recordset> recordset_;
    bool following_ = false;
};

}  // namespace keysound::editor
