// Writes the seed corpus of fuzz_pack: small packs of each shape the reader accepts, written
// with libzip as another tool would write them.  make_pack_corpus FOLDER
#include "PackFormat.h"
#include "SeedFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <zip.h>

using namespace keysound;

namespace {

struct Entry {
    QString name;
    QByteArray data;  // a folder when the name ends in '/'
    zip_int32_t method = ZIP_CM_STORE;
};

void writeZip(const QString& path, const QList<Entry>& entries)
{
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        qFatal("cannot create %s", qPrintable(path));
    for (const Entry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        if (entry.name.endsWith(u'/')) {
            zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        zip_source_t* source = zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(archive, zip_uint64_t(index), entry.method, 0);
    }
    if (zip_close(archive) != 0)
        qFatal("cannot write %s: %s", qPrintable(path), zip_strerror(archive));
}

QList<Entry> packOf(const QList<tools::SeedMapping>& rows, const QList<Entry>& sounds)
{
    return QList<Entry>{{pack::FormatEntryName, pack::formatMarker()},
                        {pack::TableEntryName, tools::seedFileText(rows), ZIP_CM_DEFLATE}} +
           sounds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        qFatal("usage: make_pack_corpus FOLDER");
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QByteArray sound = QByteArray("ID3\x03\0\0\0\0\0\0", 10) + QByteArray(200, '\xff');
    writeZip(folder.filePath("empty"), packOf({}, {}));
    writeZip(folder.filePath("two-rows-one-sound"), packOf({{"a", "a.mp3"}, {"A", "a.mp3"}}, {{"MP3/a.mp3", sound}}));
    writeZip(folder.filePath("escapes-and-folders"),
             packOf({{"#tab\there", "sub\\b.mp3"}, {"line\nbreak", "sub/中文.mp3"}, {"", "c.mp3"}},
                    {{"MP3/", {}},
                     {"MP3/sub/", {}},
                     {"MP3/sub/b.mp3", sound},
                     {"MP3/sub/中文.mp3", sound + "x"},
                     {"MP3/c.mp3", sound.left(20)}}));
    writeZip(folder.filePath("deflated-sound"), packOf({{"d", "d.mp3"}}, {{"MP3/d.mp3", sound, ZIP_CM_DEFLATE}}));
    return 0;
}
