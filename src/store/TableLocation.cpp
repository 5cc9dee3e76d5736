#include "store/TableLocation.h"

#include "store/Snapshot.h"
#include "store/legacy/LegacyImport.h"

namespace keysound::store {

TableFile locateTableFile(const QString& nativePath, LegacyImportObserver* importObserver)
{
    if (isReadOnlyTable(nativePath))
        return takeSnapshot(nativePath, importObserver);
    ensureSqliteDatabase(nativePath, importObserver);  // a legacy file is imported first
    return {.path = nativePath, .openedPath = nativePath, .usersOwn = isUsersOwnTable(nativePath)};
}

TableFile snapshotInstead(const TableFile& table) { return takeSnapshot(table.path); }

}  // namespace keysound::store
