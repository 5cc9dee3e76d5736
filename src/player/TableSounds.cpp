#include "player/TableSounds.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/Connection.h"
#include "platform/TableFolder.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/Statements.h"
#include "store/legacy/LegacyFormat.h"

#include <QSet>

namespace keysound::player {

QStringList tableSoundPaths() { return tableSoundPaths(platform::appFolder()); }

QStringList tableSoundPaths(const QString& appFolder)
{
    QStringList keys, words;
    QSet<QString> seen;
    try {
        // A legacy file is imported by the first key, which tells the user; not behind their back here.
        const platform::TableFolder folder(appFolder);
        const QString database = folder.databaseNativePath();
        if (store::detectDatabaseFormat(database) != store::DatabaseFormat::Sqlite3)
            return {};
        auto connection = std::make_shared<store::Connection>();
        connection->Mode = store::adModeRead;
        connection->openDatabase(database);
        store::Recordset recordset;
        recordset.Open(store::editorStatement(), connection);
        for (; !recordset.EOF_(); recordset.MoveNext()) {
            const QVariant file = recordset.Value(store::schema::FileColumn);
            const QString key = recordset.Value(store::schema::KeyColumn).toString();
            if (file.isNull() || file.toString().isEmpty())
                continue;
            const QString path = folder.soundPathText(file.toString());
            if (!seen.contains(path)) {
                seen.insert(path);
                (key.size() == 1 ? keys : words).append(path);
            }
        }
    } catch (const Error&) {
        return {};
    }
    return keys + words;
}

}  // namespace keysound::player
