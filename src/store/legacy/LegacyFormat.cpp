#include "store/legacy/LegacyFormat.h"

#include "platform/Error.h"
#include "store/legacy/LegacyImportText.h"

#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    case 0: return DatabaseFormat::Jet3;
    case 1: return DatabaseFormat::Jet4;
    default: return DatabaseFormat::Ace;
    }
}

[[noreturn]] void throwUnreadable(const QString& path, int systemError)
{
    throw Error(
        ErrorNumber::FileAccess,
        LegacyImportText::tr("Cannot read \"%1\": %2.").arg(path, QString::fromLocal8Bit(std::strerror(systemError))));
}

// Only a regular file can hold a database; anything else is refused before a byte is read.
void requireRegularFile(const QString& path, const struct stat& status)
{
    if (S_ISDIR(status.st_mode))
        throw Error(ErrorNumber::FileAccess,
                    LegacyImportText::tr("\"%1\" is a folder, not a database file.").arg(path));
    if (!S_ISREG(status.st_mode))
        throw Error(ErrorNumber::FileAccess,
                    LegacyImportText::tr("\"%1\" is not a regular file (it is a device, a FIFO "
                                         "or a socket), so it cannot be a database file.")
                        .arg(path));
}

QByteArray readHeader(const QString& path, int descriptor)
{
    QByteArray header(HeaderBytes, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < header.size()) {
        const ssize_t n = ::read(descriptor, header.data() + filled, size_t(header.size() - filled));
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR)
            throwUnreadable(path, errno);
        filled += std::max<ssize_t>(n, 0);
    }
    header.truncate(filled);
    return header;
}

}  // namespace

DatabaseFormat detectDatabaseFormat(const QString& nativeFilePath)
{
    const QByteArray path = QFile::encodeName(nativeFilePath);
    struct stat status;
    if (::stat(path.constData(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return DatabaseFormat::Missing;
        throwUnreadable(nativeFilePath, errno);
    }
    requireRegularFile(nativeFilePath, status);
    // Should a FIFO have taken the file's place since, opening it must not wait for a writer.
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        throwUnreadable(nativeFilePath, errno);
    const auto closing = qScopeGuard([descriptor] { ::close(descriptor); });
    if (::fstat(descriptor, &status) != 0)
        throwUnreadable(nativeFilePath, errno);
    requireRegularFile(nativeFilePath, status);
    const QByteArray header = readHeader(nativeFilePath, descriptor);
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
    case DatabaseFormat::Missing: return LegacyImportText::tr("missing");
    case DatabaseFormat::Empty: return LegacyImportText::tr("empty file");
    case DatabaseFormat::Sqlite3: return QStringLiteral("SQLite 3");
    case DatabaseFormat::Jet3: return QStringLiteral("Jet 3");
    case DatabaseFormat::Jet4: return QStringLiteral("Jet 4");
    case DatabaseFormat::Ace: return QStringLiteral("ACE");
    case DatabaseFormat::Unknown: break;
    }
    return LegacyImportText::tr("unknown");
}

}  // namespace keysound::store
