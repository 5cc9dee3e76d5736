#pragma once

#include <QList>
#include <QString>

namespace keysound::store {

struct JetDatabase;
class SchemaWriter;

// The rows an import copied of one table.
struct LegacyTableCount {
    QString table;
    qint64 rows = 0;
};

// Copies every table of a Jet file into the new SQLite file in one transaction: columns in
// their order, rows in stored order, NULL kept apart from the empty text. Config keeps its
// columns in their order, the key column with the program's case-insensitive definition and
// index; a file without Config gets an empty one, since the program looks up keys there.
QList<LegacyTableCount> copyJetTables(const JetDatabase& database, SchemaWriter& writer);

}  // namespace keysound::store
