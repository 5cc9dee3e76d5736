#include "MappingTable.h"
#include "DbToolText.h"

#include "platform/Error.h"
#include "platform/PathText.h"
#include "platform/TableFolder.h"
#include "store/Connection.h"
#include "store/KeyFolding.h"
#include "store/MappingBatch.h"
#include "store/RowBudget.h"
#include "store/Schema.h"
#include "store/SchemaWriter.h"
#include "store/Statements.h"

namespace keysound::tools {

MappingTable::MappingTable(const platform::TableFolder& folder, Access access)
{
    open(folder.databasePathText(), access);
}

MappingTable::MappingTable(const QString& databasePath, Access access) { open(databasePath, access); }

void MappingTable::open(const QString& databasePathText, Access access)
{
    databaseNativePath_ = platform::nativePath(databasePathText);
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    if (access == Access::Read)
        connection->Mode = store::adModeRead;
    connection->openDatabase(databasePathText);
    recordset_.Open(store::editorStatement(), connection);
    keyColumn_ = recordset_.fieldIndex(store::schema::KeyColumn);
    fileColumn_ = recordset_.fieldIndex(store::schema::FileColumn);
    for (const QString& column : {store::schema::KeyColumn, store::schema::FileColumn}) {
        if (recordset_.fieldIndex(column) < 0)
            throw Error(ErrorNumber::ItemNotFound, DbToolText::tr("The table %1 of \"%2\" has no column %3.")
                                                       .arg(store::schema::MappingTable, databaseNativePath_, column));
    }
}

void MappingTable::create(const QString& nativeDatabasePath, const QList<SeedMapping>& rows, Existing existing)
{
    store::SchemaWriter writer(nativeDatabasePath);
    writer.exec(QStringLiteral("BEGIN"));
    writer.exec(store::schema::mappingSchemaSql());
    {
        store::SchemaWriter::Insert insert(
            writer, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?1, ?2)")
                        .arg(store::schema::MappingTable, store::schema::KeyColumn, store::schema::FileColumn));
        for (const SeedMapping& row : rows)
            insert.run({row.key, row.fileName});
    }  // the statement must be finished before the file can be closed
    writer.exec(QStringLiteral("COMMIT"));
    using Placement = store::SchemaWriter::Placement;
    writer.commit(existing == Existing::Replace ? Placement::ReplaceExisting : Placement::KeepExisting);
}

int MappingTable::rowCount() const { return storedRows() + int(appended_.size()); }

QVariant MappingTable::key(int row) const
{
    return row < storedRows() ? recordset_.valueAt(row, keyColumn_) : QVariant(appended_.at(row - storedRows()).key);
}

QVariant MappingTable::fileName(int row) const
{
    return row < storedRows() ? recordset_.valueAt(row, fileColumn_)
                              : QVariant(appended_.at(row - storedRows()).fileName);
}

QVariantList MappingTable::values(int row) const
{
    QVariantList values;
    for (int column = 0; column < recordset_.fieldCount(); ++column) {
        if (row < storedRows())
            values.append(recordset_.valueAt(row, column));
        else
            values.append(column == keyColumn_ ? key(row) : column == fileColumn_ ? fileName(row) : QVariant());
    }
    return values;
}

void MappingTable::indexKeys() const
{
    for (; indexedRows_ < rowCount(); ++indexedRows_) {
        const QVariant candidate = key(indexedRows_);
        const QString folded = store::foldKeyText(candidate.toString());
        if (!candidate.isNull() && !firstRowOf_.contains(folded))
            firstRowOf_.insert(folded, indexedRows_);
    }
}

std::optional<int> MappingTable::rowOfKey(const QString& keyText) const
{
    indexKeys();
    const auto found = firstRowOf_.constFind(store::foldKeyText(keyText));
    return found == firstRowOf_.cend() ? std::nullopt : std::optional<int>(*found);
}

void MappingTable::setFileName(int row, const QString& fileName)
{
    if (row < storedRows())
        recordset_.setValueAt(row, fileColumn_, fileName);
    else
        appended_[row - storedRows()].fileName = fileName;
}

void MappingTable::append(const QString& keyText, const QString& fileName)
{
    if (removedAll_) {
        appended_.append({keyText, fileName});
        return;
    }
    recordset_.AddNew();
    recordset_.setValue(store::schema::KeyColumn, keyText);
    recordset_.setValue(store::schema::FileColumn, fileName);
}

void MappingTable::removeAll()
{
    removedAll_ = true;
    appended_.clear();
    firstRowOf_.clear();
    indexedRows_ = 0;
}

void MappingTable::checkBounds() const
{
    store::RowBudget budget(databaseNativePath_, store::schema::MappingTable);
    for (int row = 0; row < rowCount(); ++row) {
        budget.addRow();
        for (const QVariant& value : values(row))
            budget.addValue(value);
    }
}

void MappingTable::commit()
{
    checkBounds();
    if (!removedAll_) {
        recordset_.UpdateBatch(store::adAffectAll);
        return;
    }
    store::MappingBatch batch(recordset_.activeConnection());
    batch.removeAllMappings();
    for (const SeedMapping& row : appended_)
        batch.appendMapping(row.key, row.fileName);
    batch.commit();
}

}  // namespace keysound::tools
