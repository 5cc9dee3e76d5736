#pragma once

#include "store/LegacyImport.h"

namespace keysound::store {

class JetReader;
class SchemaWriter;

// Copies every table of a Jet file into the new SQLite file in one transaction: columns in
// their order, rows in stored order, NULL kept apart from the empty text. Config gets the
// program's mapping schema, followed by any further columns it had.
QList<LegacyTableCount> copyJetTables(const JetReader& reader, SchemaWriter& writer);

}  // namespace keysound::store
