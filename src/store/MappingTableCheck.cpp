#include "store/MappingTableCheck.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/DatabaseHandle.h"
#include "store/PreparedStatement.h"
#include "store/Schema.h"
#include "store/StoreText.h"

#include <QDir>
#include <optional>

namespace keysound::store {

namespace {

QString tableFileText(const QString& nativePath) { return QDir::toNativeSeparators(nativePath); }

// Config must be a table of the file's own: a view runs a query of the file's at every key (one
// that may never end), a virtual table code of a module's, and triggers statements of the file's
// whenever the editor writes. kind is the engine's own reading of the schema ("table", "view",
// "virtual", or empty when there is no Config). Nothing when Config may be read.
std::optional<QString> refusalOf(const QString& kind, qint64 triggers, bool usersOwn, const QString& file)
{
    if (kind == QLatin1String("view"))
        return StoreText::tr("The table file \"%1\" holds a view named Config, not a table. keysound reads "
                             "only a plain table Config: a view runs a query of its own at every key, which "
                             "may never end.")
            .arg(file);
    if (!kind.isEmpty() && kind != QLatin1String("table"))
        return StoreText::tr("The table file \"%1\" holds a virtual table named Config, not a plain table. "
                             "keysound reads only a plain table Config: a virtual table runs code of its own "
                             "at every read.")
            .arg(file);
    if (triggers > 0 && !usersOwn)
        return StoreText::tr("The table Config in \"%1\" has triggers, which run statements of their own "
                             "whenever the table is changed. keysound accepts them only in your own folder "
                             "\"%2\"; use a copy of the table without them.")
            .arg(file, tableFileText(platform::usersOwnFolder()));
    return std::nullopt;
}

}  // namespace

// The kind is the engine's own reading of the schema; a trigger whose entry misnames its table
// escapes the count, and the handle's defences keep it from firing.
void checkMappingTable(DatabaseHandle& database)
{
    PreparedStatement check(database, QStringLiteral("SELECT (SELECT type FROM pragma_table_list(?1) WHERE schema = "
                                                  "'main'), (SELECT count(*) FROM sqlite_schema WHERE type = "
                                                  "'trigger' AND tbl_name = ?1 COLLATE NOCASE)"));
    check.bind(1, schema::MappingTable);
    check.nextRow();
    const std::optional<QString> refusal =
        refusalOf(check.value(0).toString(), check.int64(1), database.table().usersOwn, tableFileText(database.path()));
    if (refusal)
        throw Error(ErrorNumber::TableRefused, *refusal);
}

}  // namespace keysound::store
