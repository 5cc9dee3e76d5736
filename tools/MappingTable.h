#pragma once

#include "SeedFile.h"
#include "store/Recordset.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace keysound::platform {
class TableFolder;
}

namespace keysound::tools {

// The tools' one way to a mapping table: the Config table of a db1.mdb, read in table order
// through the store as the program reads it, changed in memory and written back in one
// transaction. Nothing is written unless commit() is called. Throws keysound::Error.
class MappingTable {
public:
    enum class Access { Read, Write };

    // The table of a folder's db1.mdb.
    MappingTable(const platform::TableFolder& folder, Access access);
    // The table of a database file named on a command line (a path text or a native path).
    MappingTable(const QString& databasePath, Access access);

    // A new database file holding only these rows, moved into place whole or not at all.
    enum class Existing { Keep, Replace };
    static void create(const QString& nativeDatabasePath, const QList<SeedMapping>& rows, Existing existing);

    // The rows as they will be after commit(), removed ones gone and appended ones last.
    int rowCount() const;
    QVariant key(int row) const;
    QVariant fileName(int row) const;
    QVariantList values(int row) const;  // every column, NULL for those an appended row leaves out
    // The row a key press of this text finds: the first whose key matches as a lookup matches it.
    std::optional<int> rowOfKey(const QString& keyText) const;

    void setFileName(int row, const QString& fileName);
    void append(const QString& keyText, const QString& fileName);
    void removeAll();  // replace all: the rows read so far go, what is appended after stays
    // Throws when the table as it will be would not load where the program loads it.
    void checkBounds() const;
    void commit();

private:
    void open(const QString& databasePathText, Access access);
    int storedRows() const { return removedAll_ ? 0 : recordset_.RecordCount(); }
    void indexKeys() const;

    QString databaseNativePath_;
    store::Recordset recordset_;
    int keyColumn_ = -1;
    int fileColumn_ = -1;
    bool removedAll_ = false;
    QList<SeedMapping> appended_;                     // only while removedAll_; else they are in the recordset
    mutable QHash<QString, int> firstRowOf_;  // folded key -> first row, built on the first find
    mutable int indexedRows_ = 0;
};

}  // namespace keysound::tools
