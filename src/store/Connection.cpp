#include "store/Connection.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/Bounds.h"
#include "store/ConnectionString.h"
#include "store/DatabaseHandle.h"
#include "store/MappingTableCheck.h"
#include "store/StoreText.h"
#include "store/TableLocation.h"

#include <QDir>
#include <utility>

namespace keysound::store {

namespace {
std::unique_ptr<DatabaseHandle> openChecked(const TableFile& table, bool readOnly)
{
    std::unique_ptr<DatabaseHandle> opened = DatabaseHandle::open(table, readOnly);
    checkMappingTable(*opened);
    opened->clock().setLimit(bounds::WholeTableTime);  // until the work at hand chooses its own
    return opened;
}

std::unique_ptr<DatabaseHandle> openTable(const QString& nativePath, bool readOnly,
                                          LegacyImportObserver* importObserver)
{
    const TableFile table = locateTableFile(nativePath, importObserver);
    std::unique_ptr<DatabaseHandle> opened = openChecked(table, readOnly);
    // Asked to write, the file system let the engine only read after all.
    if (!readOnly && !table.isSnapshot() && opened->engineOpenedReadOnly())
        opened = openChecked(snapshotInstead(table), readOnly);
    return opened;
}
}  // namespace

Connection::Connection(LegacyImportObserver* importObserver)
    : importObserver_(importObserver)
{}

Connection::~Connection() { DatabaseHandle::giveBack(std::move(database_)); }

sqlite3* Connection::handle() const { return database_ ? database_->get() : nullptr; }

void Connection::Open(const QString& connectionString, const QString& /*userId*/, const QString& /*password*/,
                      int /*options*/)
{
    const QString dataSource = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    if (dataSource.isEmpty())
        throw Error(ErrorNumber::InvalidArgument, StoreText::tr("The connection string \"%1\" names no Data Source "
                                                                "(database file).")
                                                      .arg(connectionString));
    openDatabase(dataSource);
}

void Connection::openDatabase(const QString& dataSource)
{
    const QString nativePath = platform::nativePath(dataSource);
    const bool readOnly = Mode == adModeRead;
    std::unique_ptr<DatabaseHandle> opened = DatabaseHandle::takeKept(nativePath, readOnly);
    if (!opened)
        opened = openTable(nativePath, readOnly, importObserver_);
    DatabaseHandle::giveBack(std::exchange(database_, std::move(opened)));
    dataSource_ = dataSource;
}

void Connection::reopenIfChanged()
{
    if (!database_ || database_->readsCurrentFile())
        return;
    database_ = openTable(database_->path(), Mode == adModeRead, importObserver_);
}

bool Connection::isReadOnlyTable() const { return database_ && database_->table().isSnapshot(); }

void Connection::requireWritableTable() const
{
    if (!isReadOnlyTable())
        return;
    throw Error(ErrorNumber::ReadOnlyDatabase,
                StoreText::tr("The table \"%1\" is read-only: you may not write to that file or to "
                              "its folder, so nothing can be added, changed or deleted in it, and "
                              "nothing was. To change the mappings, copy the folder to one of your "
                              "own and start keysound with --folder and that copy.")
                    .arg(QDir::toNativeSeparators(database_->path())));
}

}  // namespace keysound::store
