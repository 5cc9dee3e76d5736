#include "MappingTable.h"
#include "DbToolText.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/TableFolder.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Schema.h"
#include "store/Statements.h"

#include <QCoreApplication>

namespace keysound::tools {

MappingTable::MappingTable(const QString& folder)
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Open(store::connectionStringFor(folder));
    recordset_.Open(store::editorStatement(), connection);
    keyColumn_ = recordset_.fieldIndex(store::schema::KeyColumn);
    fileColumn_ = recordset_.fieldIndex(store::schema::FileColumn);
    for (const QString& column : {store::schema::KeyColumn, store::schema::FileColumn}) {
        if (recordset_.fieldIndex(column) < 0)
            throw Error(
                ErrorNumber::ItemNotFound,
                DbToolText::tr("The table %1 of \"%2\" has no column %3.")
                    .arg(store::schema::MappingTable, platform::TableFolder(folder).databaseNativePath(), column));
    }
}

std::optional<int> MappingTable::rowOfKey(const QString& keyText) const
{
    for (int row = 0; row < rowCount(); ++row) {
        const QVariant candidate = key(row);
        if (!candidate.isNull() && store::keysMatch(candidate.toString(), keyText))
            return row;
    }
    return std::nullopt;
}

void MappingTable::setFileName(int row, const QString& fileName) { recordset_.setValueAt(row, fileColumn_, fileName); }

void MappingTable::append(const QString& keyText, const QString& fileName)
{
    recordset_.AddNew();
    recordset_.setValue(store::schema::KeyColumn, keyText);
    recordset_.setValue(store::schema::FileColumn, fileName);
}

void MappingTable::commit() { recordset_.UpdateBatch(store::adAffectAll); }

}  // namespace keysound::tools
