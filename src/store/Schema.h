#pragma once

#include <QString>
#include <QStringList>

// The schema of db1.mdb as the program's own tools create it.
namespace keysound::store::schema {

inline const QString mappingTable = QStringLiteral("Config");
inline const QString keyColumn = QStringLiteral("键位");
inline const QString fileColumn = QStringLiteral("文件名");

// CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT[, further columns]) and its
// index on 键位. extraColumnDefinitions are complete definitions, identifiers already quoted.
QString mappingSchemaSql(const QStringList& extraColumnDefinitions = {});

// "name" with inner quotes doubled, for table and column names taken from a file.
QString quotedIdentifier(const QString& name);

}  // namespace keysound::store::schema
