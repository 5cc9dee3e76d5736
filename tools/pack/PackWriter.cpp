#include "PackWriter.h"

#include "PackText.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <unistd.h>
#include <zip.h>

namespace keysound::pack {

namespace {
constexpr zip_uint32_t RegularFileAttributes = 0100644u << 16;  // a Unix file, rw-r--r--
}

PackWriter::PackWriter(const QString& packPath)
    : path_(packPath)
{
    int code = 0;
    archive_ = zip_open(QFile::encodeName(packPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive_) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        fail(why);
    }
}

PackWriter::~PackWriter() { zip_discard(archive_); }

void PackWriter::addBytes(const QString& name, const QByteArray& data, int method)
{
    add(name, zip_source_buffer(archive_, data.constData(), zip_uint64_t(data.size()), 0), method);
}

void PackWriter::addFile(const QString& name, const QString& nativePath)
{
    add(name, zip_source_file(archive_, QFile::encodeName(nativePath).constData(), 0, -1), ZIP_CM_STORE);
}

void PackWriter::close()
{
    if (zip_close(archive_) != 0)
        fail(QString::fromLocal8Bit(zip_strerror(archive_)));
    archive_ = nullptr;
    syncToDisk();
}

void PackWriter::add(const QString& name, zip_source_t* source, int method)
{
    const zip_int64_t index = source ? zip_file_add(archive_, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        zip_source_free(source);
        fail(QString::fromLocal8Bit(zip_strerror(archive_)));
    }
    if (zip_set_file_compression(archive_, zip_uint64_t(index), method, 0) != 0 ||
        zip_file_set_external_attributes(archive_, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, RegularFileAttributes) != 0)
        fail(QString::fromLocal8Bit(zip_strerror(archive_)));
}

// A pack is often carried away at once (a USB stick): it should be on the disk by then.
void PackWriter::syncToDisk() const
{
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly) || ::fsync(file.handle()) != 0)
        fail(file.errorString());
}

void PackWriter::fail(const QString& why) const
{
    throw Error(ErrorNumber::FileAccess,
                PackText::tr("Cannot write the table pack \"%1\": %2.").arg(QDir::toNativeSeparators(path_), why));
}

}  // namespace keysound::pack
