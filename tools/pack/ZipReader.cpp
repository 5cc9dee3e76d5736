#include "ZipReader.h"

#include "PackText.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <memory>
#include <zip.h>

namespace keysound::pack {

namespace {

// The archive and the source it reads, whichever ends up owning the source.
zip_t* openFromSource(zip_source_t* source, zip_error_t* error)
{
    if (!source)
        return nullptr;
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, error);
    if (!archive)
        zip_source_free(source);
    return archive;
}

class ZipError {
public:
    ZipError() { zip_error_init(&error); }
    ~ZipError() { zip_error_fini(&error); }
    QString text() { return QString::fromLocal8Bit(zip_error_strerror(&error)); }
    bool isNotAZip() const { return error.zip_err == ZIP_ER_NOZIP || error.zip_err == ZIP_ER_INCONS; }
    zip_error_t error;
};

}  // namespace

ZipReader::ZipReader(const QString& path)
    : name_(QDir::toNativeSeparators(path))
{
    ZipError error;
    archive_ =
        openFromSource(zip_source_file_create(QFile::encodeName(path).constData(), 0, -1, &error.error), &error.error);
    if (!archive_)
        throw Error(error.isNotAZip() ? ErrorNumber::InvalidFileFormat : ErrorNumber::FileAccess,
                    PackText::tr("Cannot open the table pack \"%1\": %2.").arg(name_, error.text()));
}

ZipReader::ZipReader(const QByteArray& bytes, const QString& name)
    : name_(name)
{
    ZipError error;
    archive_ = openFromSource(zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error.error),
                              &error.error);
    if (!archive_)
        throw Error(ErrorNumber::InvalidFileFormat,
                    PackText::tr("Cannot open the table pack \"%1\": %2.").arg(name_, error.text()));
}

ZipReader::~ZipReader() { zip_discard(archive_); }

qint64 ZipReader::entryCount() const { return zip_get_num_entries(archive_, 0); }

ZipEntry ZipReader::entry(qint64 index) const
{
    ZipEntry entry;
    const char* name = zip_get_name(archive_, zip_uint64_t(index), ZIP_FL_ENC_RAW);
    zip_stat_t stat;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (!name || zip_stat_index(archive_, zip_uint64_t(index), 0, &stat) != 0 ||
        zip_file_get_external_attributes(archive_, zip_uint64_t(index), 0, &system, &attributes) != 0)
        failWith(PackText::tr("entry %1 cannot be read: %2")
                     .arg(entryLabel(index), QString::fromLocal8Bit(zip_strerror(archive_))));
    entry.rawName = name;
    entry.statedSize = stat.size;
    entry.method = stat.comp_method;
    entry.encryption = stat.encryption_method;
    entry.madeOnSystem = system;
    entry.externalAttributes = attributes;
    return entry;
}

void ZipReader::read(qint64 index, quint64 statedSize, const std::function<void(const char*, qint64)>& sink) const
{
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(archive_, zip_uint64_t(index), 0),
                                                                 zip_fclose);
    if (!file)
        failWith(PackText::tr("entry %1 cannot be read: %2")
                     .arg(entryLabel(index), QString::fromLocal8Bit(zip_strerror(archive_))));
    char buffer[64 * 1024];
    quint64 total = 0;
    zip_int64_t n = 0;
    // One byte past the stated size is enough to know that there is more.
    while ((n = zip_fread(file.get(), buffer, std::min<quint64>(sizeof buffer, statedSize + 1 - total))) > 0) {
        total += quint64(n);
        if (total > statedSize)
            failWith(
                PackText::tr("entry %1 holds more than the %2 bytes it states").arg(entryLabel(index)).arg(statedSize));
        sink(buffer, n);
    }
    if (n < 0)
        failWith(PackText::tr("entry %1 is damaged: %2")
                     .arg(entryLabel(index), QString::fromLocal8Bit(zip_file_strerror(file.get()))));
    // libzip hands out an entry with no stored bytes as empty, whatever size and checksum it states.
    if (total < statedSize)
        failWith(PackText::tr("entry %1 holds %2 bytes, fewer than the %3 it states")
                     .arg(entryLabel(index))
                     .arg(total)
                     .arg(statedSize));
}

QString ZipReader::entryLabel(qint64 index) const
{
    const char* name = zip_get_name(archive_, zip_uint64_t(index), ZIP_FL_ENC_RAW);
    return name ? QStringLiteral("\"%1\"").arg(QString::fromUtf8(name)) : QStringLiteral("#%1").arg(index + 1);
}

void ZipReader::failWith(const QString& why) const
{
    throw Error(ErrorNumber::InvalidFileFormat, PackText::tr("The table pack \"%1\" is damaged: %2.").arg(name_, why));
}

}  // namespace keysound::pack
