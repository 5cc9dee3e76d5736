#pragma once

#include <QString>
#include <QStringList>

// The schema of db1.mdb as the program's own tools create it.
namespace keysound::store::schema {

inline const QString MappingTable = QStringLiteral("Config");
inline const QString KeyColumn = QStringLiteral("键位");
inline const QString FileColumn = QStringLiteral("文件名");

// The definitions of the two columns the program reads: the key compares ignoring case.
QString keyColumnDefinition();   // 键位 TEXT COLLATE NOCASE
QString fileColumnDefinition();  // 文件名 TEXT

// CREATE TABLE Config (...) and its index on 键位. columnDefinitions are complete definitions in
// table order, identifiers already quoted, and include the key column; none: the two columns.
QString mappingSchemaSql(const QStringList& columnDefinitions = {});

// The text in double quotes with each quote inside doubled: how SQL quotes a table or column name
// taken from a file, and how a connection string quotes a value.
QString quotedIdentifier(const QString& name);

}  // namespace keysound::store::schema
