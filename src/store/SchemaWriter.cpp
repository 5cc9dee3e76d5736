#include "store/SchemaWriter.h"

#include "platform/Error.h"
#include "store/SqliteSupport.h"

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
    throw Error(number, QStringLiteral("无法写入数据库“%1”：%2。").arg(path, why));
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

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
        throwFileError(QFileInfo(QFileInfo(destination_).path()).isWritable() ? ErrorNumber::FileAccess
                                                                              : ErrorNumber::ReadOnlyDatabase,
                       destination_,
                       QStringLiteral("无法在它所在的文件夹里新建文件（%1）").arg(staged_.errorString()));
    const QFileInfo existing(destination_);
    if (existing.exists())
        staged_.setPermissions(existing.permissions());
    if (!staged_.finish())  // SQLite writes it; an empty file is a valid empty database
        throwFileError(platform::fileErrorNumber(staged_.error()), destination_, staged_.errorString());
    const int code = sqlite3_open_v2(QFile::encodeName(staged_.fileName()).constData(), &db_,
                                     SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK)
        failWithEngineError(QStringLiteral("打开新文件"), code);
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
    const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(code));
    const int number = isDiskFull(db_, code)              ? ErrorNumber::DiskFull
                       : (code & 0xff) == SQLITE_READONLY ? ErrorNumber::ReadOnlyDatabase
                                                          : ErrorNumber::LegacyImportFailed;
    throwFileError(number, destination_, QStringLiteral("%1 失败：%2").arg(doing, message));
}

void SchemaWriter::exec(const QString& sql)
{
    const int code = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        failWithEngineError(QStringLiteral("\"%1\"").arg(sql.simplified()), code);
}

void SchemaWriter::commit(Placement placement)
{
    const int code = sqlite3_close(db_);
    if (code != SQLITE_OK)
        failWithEngineError(QStringLiteral("关闭新文件"), code);
    db_ = nullptr;
    const QString source = staged_.fileName();
    if (placement == Placement::ReplaceExisting) {
        if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination_).constData()) != 0)
            throwFileError(ErrorNumber::FileAccess, destination_, systemError(errno));
    } else if (!moveIntoPlaceIfFree(source, destination_)) {
        throwFileError(ErrorNumber::FileAccess, destination_, QStringLiteral("已有同名文件"));
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
        writer_.failWithEngineError(QStringLiteral("\"%1\"").arg(sql), sqlite3_errcode(writer_.db_));
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
        writer_.failWithEngineError(QStringLiteral("\"%1\"").arg(statement_->sql()), sqlite3_errcode(writer_.db_));
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
        throw Error(ErrorNumber::FileAccess, QStringLiteral("无法把“%1”移到“%2”：%3。")
                                                 .arg(nativeSource, nativeDestination, systemError(errno)));
    return true;
}

}  // namespace keysound::store
