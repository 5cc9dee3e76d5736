#pragma once

#include <QString>
#include <QVariant>

namespace keysound::store {
class LegacyImportObserver;
}

namespace keysound::player {

struct KeyLookupResult {
    bool found = false;
    QVariant fileName;  // 文件名 of the first matching row; null when the row holds NULL
};

// One lookup of a key text in the mapping table: a fresh connection and recordset of its own,
// released when the lookup returns. Nothing is cached between keys, so whatever the editor has
// saved is what the next key finds. Throws keysound::Error (file, table or column missing ...).
KeyLookupResult lookUpKey(const QString& appFolder, const QString& keyText,
                          store::LegacyImportObserver* importObserver = nullptr);

}  // namespace keysound::player
