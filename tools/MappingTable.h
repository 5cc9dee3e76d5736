#pragma once

#include "store/Recordset.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace keysound::tools {

// The Config table of a folder's db1.mdb, for a command that changes mappings: read in table
// order, changed in memory, and written back in one transaction, through the same recordset the
// editor uses. Nothing is written unless commit() is called. Throws keysound::Error.
class MappingTable {
public:
    explicit MappingTable(const QString& folder);

    int rowCount() const { return recordset_.RecordCount(); }
    QVariant key(int row) const { return recordset_.valueAt(row, keyColumn_); }
    QVariant fileName(int row) const { return recordset_.valueAt(row, fileColumn_); }
    // The row a key press of this text finds: the first whose key matches ignoring case.
    std::optional<int> rowOfKey(const QString& keyText) const;

    void setFileName(int row, const QString& fileName);
    void append(const QString& keyText, const QString& fileName);
    void commit();

private:
    store::Recordset recordset_;
    int keyColumn_ = -1;
    int fileColumn_ = -1;
};

}  // namespace keysound::tools
