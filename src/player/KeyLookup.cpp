#include "player/KeyLookup.h"

#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/Statements.h"

namespace keysound::player {

KeyLookupResult lookUpKey(const QString& appFolder, const QString& keyText, store::LegacyImportObserver* importObserver)
{
    auto connection = std::make_shared<store::Connection>(importObserver);
    connection->CursorLocation = store::adUseClient;
    connection->Mode = store::adModeRead;  // the main window never writes to the store
    connection->Open(store::connectionStringFor(appFolder), QString(), QString(), store::adConnectUnspecified);

    store::Recordset recordset;
    recordset.Open(store::keyLookupStatement(keyText), connection, store::adOpenStatic, store::adLockOptimistic,
                   store::adCmdUnspecified);
    if (recordset.RecordCount() < 1)
        return {};
    return {true, recordset.Value(store::schema::FileColumn)};
}

}  // namespace keysound::player
