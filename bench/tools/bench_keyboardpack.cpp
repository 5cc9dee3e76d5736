// Bringing a keyboard sound pack of 100 keys into an empty table: one 20 s Ogg Vorbis sound,
// a 150 ms slice of it for each key (the keys of a full PC keyboard, of which some type
// nothing), zipped as such packs are shared. Decoded, cut, encoded and judged by keysound's
// own decoder. Prints the median of a few imports in seconds.
#include "KeyboardPackImport.h"
#include "OggVorbis.h"
#include "TestAppFolder.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <zip.h>

using namespace keysound;
using namespace keysound::keyboardpack;

namespace {

constexpr int Runs = 3;
constexpr int SliceMs = 150;
constexpr int SpacingMs = 200;

// The scan codes of a US PC keyboard's keys, 100 of them.
QList<int> keyboard()
{
    QList<int> codes;
    for (int code = 1; code <= 88; ++code)  // main block, keypad, function keys, modifiers
        codes.append(code);
    for (int code : {0x1c, 0x1d, 0x35, 0x38, 0x47, 0x48, 0x49, 0x4b, 0x4d, 0x4f, 0x50, 0x51})
        codes.append(0xE000 + code);  // keypad Enter and /, right Ctrl and Alt, navigation
    return codes;
}

QByteArray packZip(const QList<int>& codes)
{
    QByteArray defines;
    for (qsizetype i = 0; i < codes.size(); ++i)
        defines += QStringLiteral("%1\"%2\": [%3, %4]")
                       .arg(i ? QStringLiteral(", ") : QString())
                       .arg(codes.at(i))
                       .arg(i * SpacingMs)
                       .arg(SliceMs)
                       .toUtf8();
    const QByteArray config = R"({"name": "Bench", "key_define_type": "single", "sound": "sound.ogg", "defines": {)" +
                              defines + "}}";
    const QByteArray sound = test::oggVorbisOf(test::sweep(codes.size() * SpacingMs / 1000.0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pack.zip"));
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE, nullptr);
    zip_file_add(archive, "Bench/config.json", zip_source_buffer(archive, config.constData(), config.size(), 0), 0);
    zip_file_add(archive, "Bench/sound.ogg", zip_source_buffer(archive, sound.constData(), sound.size(), 0), 0);
    zip_close(archive);
    return test::fileBytes(path);
}

// Median seconds of imports into empty tables, each with a judge of its own, as keysound-db has.
void measure(const char* label, const QString& pack)
{
    std::vector<double> seconds;
    ImportReport report;
    for (int run = 0; run < Runs; ++run) {
        const test::TestAppFolder table;
        const std::unique_ptr<SoundJudge> judge = sandboxedJudge();
        QElapsedTimer timer;
        timer.start();
        report = importKeyboardPack(pack, table.path(), pack::UnpackMode::Merge, *judge);
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("  %-52s %7.3f s  (median of %d; min %.3f, max %.3f; %d keys mapped, %d sounds)\n", label,
                seconds[Runs / 2], Runs, seconds.front(), seconds.back(), report.keysMapped, report.soundsStored);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("KEYSOUND_DECODER", KEYSOUND_DECODER);
    QCoreApplication app(argc, argv);
    const QList<int> codes = keyboard();
    QTemporaryDir dir;
    const QString pack = test::writeFile(dir.filePath(QStringLiteral("pack.zip")), packZip(codes));
    std::printf("bench_keyboardpack: a single pack of %lld keys, %lld KB zipped\n", qlonglong(codes.size()),
                qlonglong(QFileInfo(pack).size() >> 10));
    measure("import, the sound decoded by keysound's decoder", pack);
    return 0;
}
