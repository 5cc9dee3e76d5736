#pragma once

#include "store/TableFile.h"

namespace keysound::store {

class LegacyImportObserver;

// Where a connection to the table file at nativePath reads: the file itself, a legacy file
// imported first (see LegacyImport.h), or, when the file or its folder cannot be written, its
// snapshot. The observer, if any, hears of an import. Throws keysound::Error.
TableFile locateTableFile(const QString& nativePath, LegacyImportObserver* importObserver);
// The table file read where it lies, after the engine itself opened it read-only.
TableFile snapshotInstead(const TableFile& table);

}  // namespace keysound::store
