#include "store/Schema.h"

namespace keysound::store::schema {

QString keyColumnDefinition() { return KeyColumn + QStringLiteral(" TEXT COLLATE NOCASE"); }

QString fileColumnDefinition() { return FileColumn + QStringLiteral(" TEXT"); }

QString mappingSchemaSql(const QStringList& columnDefinitions)
{
    const QStringList columns =
        columnDefinitions.isEmpty() ? QStringList{keyColumnDefinition(), fileColumnDefinition()} : columnDefinitions;
    return QStringLiteral("CREATE TABLE %1 (%2);\nCREATE INDEX %1_%3 ON %1 (%3);\n")
        .arg(MappingTable, columns.join(QStringLiteral(", ")), KeyColumn);
}

QString quotedIdentifier(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

}  // namespace keysound::store::schema
