#include "store/Connection.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "store/ConnectionString.h"
#include "store/DatabaseHandle.h"

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
                    QStringLiteral("连接字符串“%1”没有指定 Data Source（数据库文件）。").arg(connectionString));
    const QString nativePath = platform::nativePath(dataSource);
    const bool readOnly = Mode == adModeRead;
    std::unique_ptr<DatabaseHandle> opened = DatabaseHandle::takeKept(nativePath, readOnly);
    if (!opened)
        opened = DatabaseHandle::open(locateTableFile(dataSource, nativePath), readOnly);
    DatabaseHandle::giveBack(std::exchange(database_, std::move(opened)));
    dataSource_ = dataSource;
}

}  // namespace keysound::store
