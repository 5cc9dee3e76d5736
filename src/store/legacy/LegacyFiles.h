#pragma once

#include "store/legacy/LegacyFormat.h"

#include <QString>

// The files an import leaves beside db1.mdb: the kept original and, when interrupted, temporaries.
namespace keysound::store::legacyfiles {

inline constexpr int MaxBackupNames = 100;

// "<base>.jet4-original.<suffix>" for n = 1, then "<base>.jet4-original-<n>.<suffix>".
QString backupPath(const QString& nativeDbPath, DatabaseFormat format, int n);

// Copies the original byte for byte under the first backup name that is not taken in any way
// (file, folder, dangling link), trying at most MaxBackupNames; returns that name.
QString keepOriginal(const QString& nativeDbPath, DatabaseFormat format);

// Removes temporaries an interrupted import left beside the database: only names of our own
// pattern (".db1.mdb.new-XXXXXX", ".db1.mdb.original-XXXXXX"), and only ones no import is
// still writing (untouched for a minute).
void removeStaleTemporaries(const QString& nativeDbPath);

}  // namespace keysound::store::legacyfiles
