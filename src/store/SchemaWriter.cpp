#include "store/SchemaWriter.h"

#include "platform/Error.h"
#include "store/EngineError.h"
#include "store/PreparedStatement.h"
#include "store/StoreText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keysound::store {

namespace {

[[noreturn]] void throwFileError(int number, const QString& path, const QString& why)
{
    throw Error(number, StoreText::tr("Cannot write the database \"%1\": %2.").arg(path, why));
}

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString temporaryTemplate(const QString& destination)
{
    const QFileInfo info(destination);
    return info.dir().filePath(QStringLiteral(".%1.new-XXXXXX").arg(info.fileName()));
}

}  // namespace

SchemaWriter::SchemaWriter(const QString& nativeDestinationPath)
    : destination_(nativeDestinationPath)
    , staged_(temporaryTemplate(nativeDestinationPath))
{
    if (!staged_.isOpen())
        throw Error(QFileInfo(QFileInfo(destination_).path()).isWritable() ? ErrorNumber::FileAccess
                                                                           : ErrorNumber::ReadOnlyDatabase,
                    StoreText::tr("Cannot write the database \"%1\": no new file can be made in its folder: %2.")
                        .arg(destination_, staged_.errorString()));
    const QFileInfo existing(destination_);
    if (existing.exists())
        staged_.setPermissions(existing.permissions());
    if (!staged_.finish())  // SQLite writes it; an empty file is a valid empty database
        throwFileError(platform::fileErrorNumber(staged_.error()), destination_, staged_.errorString());
    const int code =
        sqlite3_open_v2(QFile::encodeName(staged_.fileName()).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK)
        failWithEngineError(StoreText::tr("opening the new file"), code);
    // A file that is thrown away whole when anything fails needs no journal on the disk, and so
    // can leave none behind.
    exec(QStringLiteral("PRAGMA journal_mode = MEMORY"));
}

SchemaWriter::~SchemaWriter()
{
    close();  // an uncommitted file is removed with staged_
}

void SchemaWriter::close()
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void SchemaWriter::failWithEngineError(const QString& doing, int code) const
{
    const QString message = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
    const int number = engineErrorNumber(db_, code);
    const QString description =
        number == ErrorNumber::DiskFull
            ? StoreText::tr("Cannot write the database \"%1\" while %2: there is no room on the disk; nothing "
                            "was replaced. Free some space and try again. (SQLite: %3)")
            : StoreText::tr("Cannot write the database \"%1\" while %2. (SQLite: %3)");
    throw Error(number, description.arg(destination_, doing, message));
}

void SchemaWriter::exec(const QString& sql)
{
    const int code = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        failWithEngineError(statementAction(sql.simplified()), code);
}

void SchemaWriter::commit(Placement placement)
{
    const int code = sqlite3_close(db_);
    if (code != SQLITE_OK)
        failWithEngineError(StoreText::tr("closing the new file"), code);
    db_ = nullptr;
    const QString source = staged_.fileName();
    if (placement == Placement::ReplaceExisting) {
        if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination_).constData()) != 0)
            throwFileError(ErrorNumber::FileAccess, destination_, systemError(errno));
    } else if (!moveIntoPlaceIfFree(source, destination_)) {
        throw Error(
            ErrorNumber::FileAccess,
            StoreText::tr("Cannot write the database \"%1\": a file of that name is already there.").arg(destination_));
    }
    staged_.keep();
}

// The statement itself reports in the engine's terms; a writer's errors name its destination.
SchemaWriter::Insert::Insert(SchemaWriter& writer, const QString& sql)
    : writer_(writer)
{
    try {
        statement_ = std::make_unique<PreparedStatement>(writer_.db_, sql);
    } catch (const Error&) {
        writer_.failWithEngineError(statementAction(sql), sqlite3_errcode(writer_.db_));
    }
}

SchemaWriter::Insert::~Insert() = default;

void SchemaWriter::Insert::run(const QVariantList& values)
{
    try {
        statement_->reset();
        statement_->bindAll(values);  // an invalid QVariant is NULL; an empty QString stays an empty text
        statement_->run();
    } catch (const Error&) {
        writer_.failWithEngineError(statementAction(statement_->sql()), sqlite3_errcode(writer_.db_));
    }
}

bool isNameTaken(const QString& nativePath)
{
    struct stat entry;
    return ::lstat(QFile::encodeName(nativePath).constData(), &entry) == 0 || errno != ENOENT;
}

bool moveIntoPlaceIfFree(const QString& nativeSource, const QString& nativeDestination)
{
    const QByteArray source = QFile::encodeName(nativeSource);
    const QByteArray destination = QFile::encodeName(nativeDestination);
    // link() refuses an existing name, so two writers can never overwrite each other.
    if (::link(source.constData(), destination.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    // Some file systems have no hard links: fall back to a check, then a rename.
    if (isNameTaken(nativeDestination))
        return false;
    if (std::rename(source.constData(), destination.constData()) != 0)
        throw Error(ErrorNumber::FileAccess, StoreText::tr("Cannot move \"%1\" to \"%2\": %3.")
                                                 .arg(nativeSource, nativeDestination, systemError(errno)));
    return true;
}

}  // namespace keysound::store
