#include "store/legacy/LegacyImportTables.h"

#include "store/Schema.h"
#include "store/SchemaWriter.h"
#include "store/legacy/JetData.h"

namespace keysound::store {

namespace {

QString sqliteType(JetColumnKind kind)
{
    switch (kind) {
    case JetColumnKind::Boolean:
    case JetColumnKind::Integer: return QStringLiteral("INTEGER");
    case JetColumnKind::Real: return QStringLiteral("REAL");
    // Exact decimal text: a REAL would round large currency amounts.
    case JetColumnKind::Currency:
    case JetColumnKind::Decimal:
    case JetColumnKind::DateTime:
    case JetColumnKind::Text:
    case JetColumnKind::Memo:
    case JetColumnKind::Guid: return QStringLiteral("TEXT");
    case JetColumnKind::Binary:
    case JetColumnKind::LongBinary:
    case JetColumnKind::Other: return QStringLiteral("BLOB");
    }
    return QStringLiteral("BLOB");
}

QString columnDefinition(const JetColumn& column)
{
    return schema::quotedIdentifier(column.name) + QLatin1Char(' ') + sqliteType(column.kind);
}

// Where each destination column takes its value from in a source row (-1: always NULL).
struct TablePlan {
    QString createSql;
    QString tableName;
    QStringList columnNames;
    QList<int> sourceIndexes;
};

int indexOfColumn(const JetTable& table, const QString& name)
{
    for (int i = 0; i < table.columns.size(); ++i) {
        if (table.columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString mappingColumnDefinition(const JetColumn& column)
{
    if (column.name.compare(schema::KeyColumn, Qt::CaseInsensitive) == 0)
        return schema::keyColumnDefinition();
    if (column.name.compare(schema::FileColumn, Qt::CaseInsensitive) == 0)
        return schema::fileColumnDefinition();
    return columnDefinition(column);
}

TablePlan mappingTablePlan(const JetTable& table)
{
    TablePlan plan;
    plan.tableName = schema::MappingTable;
    QStringList definitions;
    for (int i = 0; i < table.columns.size(); ++i) {
        definitions.append(mappingColumnDefinition(table.columns.at(i)));
        plan.columnNames.append(table.columns.at(i).name);
        plan.sourceIndexes.append(i);
    }
    // The program reads both columns: one the file lacks is added, empty, at the end.
    const QList<std::pair<QString, QString>> required{{schema::KeyColumn, schema::keyColumnDefinition()},
                                                      {schema::FileColumn, schema::fileColumnDefinition()}};
    for (const auto& [name, definition] : required) {
        if (indexOfColumn(table, name) >= 0)
            continue;
        definitions.append(definition);
        plan.columnNames.append(name);
        plan.sourceIndexes.append(-1);
    }
    plan.createSql = schema::mappingSchemaSql(definitions);
    return plan;
}

TablePlan plainTablePlan(const JetTable& table)
{
    TablePlan plan;
    plan.tableName = table.name;
    QStringList definitions;
    for (int i = 0; i < table.columns.size(); ++i) {
        definitions.append(columnDefinition(table.columns.at(i)));
        plan.columnNames.append(table.columns.at(i).name);
        plan.sourceIndexes.append(i);
    }
    plan.createSql = QStringLiteral("CREATE TABLE %1 (%2);")
                         .arg(schema::quotedIdentifier(table.name), definitions.join(QStringLiteral(", ")));
    return plan;
}

bool isMappingTable(const JetTable& table)
{
    return table.name.compare(schema::MappingTable, Qt::CaseInsensitive) == 0;
}

TablePlan planFor(const JetTable& table)
{
    return isMappingTable(table) ? mappingTablePlan(table) : plainTablePlan(table);
}

QString insertSql(const TablePlan& plan)
{
    QStringList columns;
    QStringList parameters;
    for (int i = 0; i < plan.columnNames.size(); ++i) {
        columns.append(schema::quotedIdentifier(plan.columnNames.at(i)));
        parameters.append(QStringLiteral("?%1").arg(i + 1));
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(schema::quotedIdentifier(plan.tableName), columns.join(QStringLiteral(", ")),
             parameters.join(QStringLiteral(", ")));
}

qint64 copyTable(const JetTableData& data, SchemaWriter& writer)
{
    const TablePlan plan = planFor(data.table);
    writer.exec(plan.createSql);
    SchemaWriter::Insert insert(writer, insertSql(plan));
    QVariantList values(plan.sourceIndexes.size());
    for (const QVariantList& source : data.rows) {
        for (int i = 0; i < plan.sourceIndexes.size(); ++i) {
            const int from = plan.sourceIndexes.at(i);
            values[i] = from < 0 ? QVariant() : source.at(from);
        }
        insert.run(values);
    }
    return data.rows.size();
}

}  // namespace

QList<LegacyTableCount> copyJetTables(const JetDatabase& database, SchemaWriter& writer)
{
    QList<LegacyTableCount> counts;
    writer.exec(QStringLiteral("BEGIN"));
    bool hasMappingTable = false;
    for (const JetTableData& data : database.tables) {
        counts.append({data.table.name, copyTable(data, writer)});
        hasMappingTable |= isMappingTable(data.table);
    }
    if (!hasMappingTable)
        writer.exec(schema::mappingSchemaSql());
    writer.exec(QStringLiteral("COMMIT"));
    return counts;
}

}  // namespace keysound::store
