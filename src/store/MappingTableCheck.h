#pragma once

namespace keysound::store {

class DatabaseHandle;

// Refuses a table file whose Config is not a plain table of its own: a view or virtual table named
// Config, or triggers on Config in a file from outside the user's own folder. Reads the schema, so
// that a damaged or foreign file fails when it is opened, not at the first query. Throws
// keysound::Error (ErrorNumber::TableRefused, or the engine's error reading the schema).
void checkMappingTable(DatabaseHandle& database);

}  // namespace keysound::store
