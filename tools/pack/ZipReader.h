#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

typedef struct zip zip_t;

namespace keysound::pack {

// What the central directory of a zip says about one entry; nothing here is checked yet.
struct ZipEntry {
    QByteArray rawName;  // the name's bytes as stored
    quint64 statedSize = 0;
    quint16 method = 0;
    quint16 encryption = 0;
    quint8 madeOnSystem = 0;  // ZIP_OPSYS_*
    quint32 externalAttributes = 0;
};

// A zip archive opened for reading, from a file or from bytes in memory. Failures throw
// keysound::Error naming the archive (FileAccess when the file cannot be read, InvalidFileFormat
// when it is no zip archive).
class ZipReader {
public:
    explicit ZipReader(const QString& path);
    ZipReader(const QByteArray& bytes, const QString& name);  // bytes must outlive the reader
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    const QString& name() const { return name_; }
    qint64 entryCount() const;
    ZipEntry entry(qint64 index) const;

    // The entry's data in chunks. A stated size is never trusted: reading stops one byte past
    // it. Throws when the entry holds more or fewer bytes than statedSize or fails its checksum.
    void read(qint64 index, quint64 statedSize, const std::function<void(const char*, qint64)>& sink) const;

private:
    QString entryLabel(qint64 index) const;  // "name", or #number when the name cannot be read
    [[noreturn]] void failWith(const QString& why) const;

    QString name_;
    zip_t* archive_ = nullptr;
};

}  // namespace keysound::pack
