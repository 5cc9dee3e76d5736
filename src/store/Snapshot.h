#pragma once

#include "store/TableFile.h"

#include <QString>

namespace keysound::store {

class LegacyImportObserver;

// The snapshot of a table file this process cannot write: a copy in the user's cache folder
// (platform::usersCacheFolder()), a legacy file converted into it, which the engine opens
// read-only. Its name stands for the table file's canonical path and its state (size, modification
// time, inode), so several shared tables keep a snapshot each, and a table file that changes gets
// a new one; the older ones of the same table file are removed. A snapshot appears under its name
// only once complete, so another program reading the same table is never handed half of one.
// Throws keysound::Error naming the table file: missing, unreadable, not a table (see
// LegacyImport.h), beyond bounds::MaxSnapshotBytes, or the cache folder not writable.
// The import observer, if any, sees a legacy file converted.
TableFile takeSnapshot(const QString& nativePath, LegacyImportObserver* importObserver = nullptr);

}  // namespace keysound::store
