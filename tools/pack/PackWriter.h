#pragma once

#include <QByteArray>
#include <QString>

typedef struct zip zip_t;
typedef struct zip_source zip_source_t;

namespace keysound::pack {

// Writes a zip archive of plain Unix files. libzip writes it to a temporary file beside packPath
// and renames it into place only once it is complete, so a failure leaves an existing file at
// packPath as it was. Failures throw keysound::Error FileAccess naming the pack.
class PackWriter {
public:
    explicit PackWriter(const QString& packPath);
    ~PackWriter();  // discards the archive unless close() has written it
    PackWriter(const PackWriter&) = delete;
    PackWriter& operator=(const PackWriter&) = delete;

    // data must live until close(); method is ZIP_CM_STORE or ZIP_CM_DEFLATE.
    void addBytes(const QString& name, const QByteArray& data, int method);
    void addFile(const QString& name, const QString& nativePath);  // stored: sounds are compressed already
    void close();

private:
    void add(const QString& name, zip_source_t* source, int method);
    void syncToDisk() const;
    [[noreturn]] void fail(const QString& why) const;

    QString path_;
    zip_t* archive_ = nullptr;
};

}  // namespace keysound::pack
