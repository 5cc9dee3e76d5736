#pragma once

// The state of a Recordset, shared by the files that implement it (rows and fields, cursor,
// changes); nothing outside the Recordset includes this.

#include "store/Recordset.h"

#include <QBitArray>

namespace keysound::store {

struct Recordset::Row {
    qint64 rowid = 0;
    qint64 bookmark = 0;
    bool isNew = false;
    QBitArray changed;         // columns holding a pending value; null while the row is clean
    QList<QVariant> original;  // the row as fetched, kept from its first pending edit

    bool isPending() const { return isNew || !changed.isNull(); }
};

struct Recordset::Impl {
    enum class Place { BeforeFirst, OnRow, AfterLast, OnDeleted };

    ConnectionPtr connection;
    Statement statement;
    QString table;      // empty for a read-only recordset
    QString rowidName;  // how the table's real row id is reached; empty when columns hide every name
    QStringList columns;
    std::vector<Row> rows;
    std::vector<QVariant> cells;  // row after row, columns.size() values each
    Place place = Place::AfterLast;
    int index = -1;  // OnRow: the current row; OnDeleted: the row that followed the deleted one
    qint64 nextBookmark = 1;
    int pendingRows = 0;
    bool open = false;

    int rowCount() const { return int(rows.size()); }
    QVariant* rowCells(int row) { return cells.data() + qsizetype(row) * columns.size(); }
    QVariant& cell(int row, int column) { return rowCells(row)[column]; }

    // The connection's handle, its time limit the statement's, for the fetch and the writes.
    DatabaseHandle& database() const;
    void fetch();  // from the connection, by the statement
    void appendRow(Row row);
    void removeRow(int row);
    int rowWithBookmark(qint64 bookmark) const;
};

}  // namespace keysound::store
