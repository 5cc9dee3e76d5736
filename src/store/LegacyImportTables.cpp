#include "store/LegacyImportTables.h"

#include "store/JetReader.h"
#include "store/Schema.h"
#include "store/SchemaWriter.h"

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

TablePlan mappingTablePlan(const JetTable& table)
{
    TablePlan plan;
    plan.tableName = schema::mappingTable;
    plan.columnNames = {schema::keyColumn, schema::fileColumn};
    plan.sourceIndexes = {indexOfColumn(table, schema::keyColumn), indexOfColumn(table, schema::fileColumn)};
    QStringList extraDefinitions;
    for (int i = 0; i < table.columns.size(); ++i) {
        if (plan.sourceIndexes.contains(i))
            continue;
        extraDefinitions.append(columnDefinition(table.columns.at(i)));
        plan.columnNames.append(table.columns.at(i).name);
        plan.sourceIndexes.append(i);
    }
    plan.createSql = schema::mappingSchemaSql(extraDefinitions);
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

TablePlan planFor(const JetTable& table)
{
    const bool isMappingTable = table.name.compare(schema::mappingTable, Qt::CaseInsensitive) == 0;
    return isMappingTable ? mappingTablePlan(table) : plainTablePlan(table);
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

qint64 copyTable(const JetReader& reader, const JetTable& table, SchemaWriter& writer)
{
    const TablePlan plan = planFor(table);
    writer.exec(plan.createSql);
    SchemaWriter::Insert insert(writer, insertSql(plan));
    qint64 rows = 0;
    QVariantList values(plan.sourceIndexes.size());
    reader.readRows(table, [&](const QVariantList& source) {
        for (int i = 0; i < plan.sourceIndexes.size(); ++i) {
            const int from = plan.sourceIndexes.at(i);
            values[i] = from < 0 ? QVariant() : source.at(from);
        }
        insert.run(values);
        ++rows;
    });
    return rows;
}

}  // namespace

QList<LegacyTableCount> copyJetTables(const JetReader& reader, SchemaWriter& writer)
{
    QList<LegacyTableCount> counts;
    writer.exec(QStringLiteral("BEGIN"));
    bool hasMappingTable = false;
    for (const JetTable& table : reader.tables()) {
        counts.append({table.name, copyTable(reader, table, writer)});
        hasMappingTable |= table.name.compare(schema::mappingTable, Qt::CaseInsensitive) == 0;
    }
    if (!hasMappingTable)
        writer.exec(schema::mappingSchemaSql());  // the program looks up keys there
    writer.exec(QStringLiteral("COMMIT"));
    return counts;
}

}  // namespace keysound::store
