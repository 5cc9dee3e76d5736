#include "store/Connection.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/ConnectionString.h"
#include "store/DatabaseHandle.h"
#include "store/legacy/LegacyImport.h"

#include <QCoreApplication>
#include <utility>

namespace keysound::store {

Connection::Connection() = default;

Connection::~Connection()
{
    DatabaseHandle::giveBack(std::move(database_));
}

sqlite3* Connection::handle() const
{
    return database_ ? database_->get() : nullptr;
}

void Connection::Open(const QString& connectionString, const QString& /*userId*/, const QString& /*password*/,
                      int /*options*/)
{
    const QString dataSource = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    if (dataSource.isEmpty())
        throw Error(ErrorNumber::InvalidArgument,
                    QCoreApplication::translate("Connection", "The connection string \"%1\" names no Data Source "
                                                              "(database file).")
                        .arg(connectionString));
    const QString nativePath = platform::nativePath(dataSource);
    const bool readOnly = Mode == adModeRead;
    std::unique_ptr<DatabaseHandle> opened = DatabaseHandle::takeKept(nativePath, readOnly);
    if (!opened) {
        ensureSqliteDatabase(dataSource, nativePath);  // a legacy file is imported first
        opened = DatabaseHandle::open(nativePath, readOnly);
    }
    DatabaseHandle::giveBack(std::exchange(database_, std::move(opened)));
    dataSource_ = dataSource;
}

}  // namespace keysound::store
