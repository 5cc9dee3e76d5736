#pragma once

#include <QString>

namespace keysound::store {

// The program's connection string for an application folder:
// PROVIDER=MSDataShape;Data PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=<folder>\db1.mdb;
// The data source value is double-quoted (inner quotes doubled) only when it holds a ';' or a
// '"' or starts or ends with a blank, so that such a folder still names the right file.
QString connectionStringFor(const QString& appFolder);

// The value of a keyword (case-insensitive; quoted values unquoted), or a null QString when the
// keyword is absent. Throws keysound::Error for an unterminated quote.
QString connectionStringValue(const QString& connectionString, const QString& keyword);

}  // namespace keysound::store
