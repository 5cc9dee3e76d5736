#include "store/legacy/LegacyFormat.h"

#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>

namespace keysound::store {

namespace {

constexpr int HeaderBytes = 0x15;
constexpr int JetVersionOffset = 0x14;

bool isSqliteHeader(const QByteArray& header)
{
    static const QByteArray magic("SQLite format 3\0", 16);
    return header.startsWith(magic);
}

bool isJetHeader(const QByteArray& header)
{
    static const QByteArray signature("\x00\x01\x00\x00", 4);
    static const QByteArray jet("Standard Jet DB\0", 16);
    static const QByteArray ace("Standard ACE DB\0", 16);
    if (header.size() < HeaderBytes || !header.startsWith(signature))
        return false;
    const QByteArray name = header.mid(4, 16);
    return name == jet || name == ace;
}

DatabaseFormat jetVersion(const QByteArray& header)
{
    switch (static_cast<unsigned char>(header[JetVersionOffset])) {
    case 0:
        return DatabaseFormat::Jet3;
    case 1:
        return DatabaseFormat::Jet4;
    default:
        return DatabaseFormat::Ace;
    }
}

}  // namespace

DatabaseFormat detectDatabaseFormat(const QString& nativeFilePath)
{
    QFile file(nativeFilePath);
    if (!file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(nativeFilePath);
        if (!info.exists() || info.isDir())
            return DatabaseFormat::Missing;
        throw Error(ErrorNumber::FileAccess,
                    QStringLiteral("无法读取“%1”：%2。").arg(nativeFilePath, file.errorString()));
    }
    const QByteArray header = file.read(HeaderBytes);
    if (header.isEmpty())
        return DatabaseFormat::Empty;
    if (isSqliteHeader(header))
        return DatabaseFormat::Sqlite3;
    if (isJetHeader(header))
        return jetVersion(header);
    return DatabaseFormat::Unknown;
}

QString formatName(DatabaseFormat format)
{
    switch (format) {
    case DatabaseFormat::Missing:
        return QStringLiteral("不存在");
    case DatabaseFormat::Empty:
        return QStringLiteral("空文件");
    case DatabaseFormat::Sqlite3:
        return QStringLiteral("SQLite 3");
    case DatabaseFormat::Jet3:
        return QStringLiteral("Jet 3");
    case DatabaseFormat::Jet4:
        return QStringLiteral("Jet 4");
    case DatabaseFormat::Ace:
        return QStringLiteral("ACE");
    case DatabaseFormat::Unknown:
        break;
    }
    return QStringLiteral("未知");
}

}  // namespace keysound::store
