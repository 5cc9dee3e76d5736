// Packing and unpacking a table of 300 sounds: one sample sound copied under 300 names, mapped
// from 300 keys. Prints the median of a few runs in seconds, with the player's own decoder as
// the sound verifier and with a verifier that accepts everything (the pack engine alone).
#include "RawDatabase.h"
#include "TablePack.h"
#include "TestAppFolder.h"
#include "audio/SoundDecoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <memory>

using namespace keysound;
using namespace keysound::pack;

namespace {

constexpr int Sounds = 300;
constexpr int Runs = 5;

std::optional<QString> decodeVerdict(const QString& nativePath)
{
    static audio::SoundDecoder decoder;  // as keysound-db has one for a whole run
    return decoder.problemWith(nativePath);
}

std::optional<QString> acceptAll(const QString&) { return std::nullopt; }

// An application folder with db1.mdb and MP3/, optionally filled with the 300 mappings.
std::unique_ptr<QTemporaryDir> tableFolder(bool filled)
{
    auto dir = std::make_unique<QTemporaryDir>();
    QDir(dir->path()).mkdir(QStringLiteral("MP3"));
    test::createMappingDatabase(dir->filePath(QStringLiteral("db1.mdb")));
    if (!filled)
        return dir;
    const QString sample = QDir(test::dataDir()).filePath(QStringLiteral("MP3/hello.mp3"));
    test::RawDatabase database(dir->filePath(QStringLiteral("db1.mdb")));
    database.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < Sounds; ++i) {
        const QString name = QStringLiteral("sound%1.mp3").arg(i);
        QFile::copy(sample, dir->filePath(QStringLiteral("MP3/") + name));
        database.rows(QStringLiteral("INSERT INTO Config VALUES (?1, ?2)"), {QStringLiteral("key%1").arg(i), name});
    }
    database.exec(QStringLiteral("COMMIT"));
    return dir;
}

// Median seconds of `run`; `prepare` makes what one run needs, outside the timing.
void report(const char* label, const std::function<void()>& prepare, const std::function<void()>& run)
{
    std::vector<double> seconds;
    for (int i = 0; i < Runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("  %-64s %7.3f s  (median of %d; min %.3f, max %.3f)\n", label, seconds[Runs / 2], Runs,
                seconds.front(), seconds.back());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("KEYSOUND_DECODER", KEYSOUND_DECODER);
    QCoreApplication app(argc, argv);
    const auto source = tableFolder(true);
    const QString packPath = source->filePath(QStringLiteral("table.kspack"));
    const qint64 soundSize = QFileInfo(source->filePath(QStringLiteral("MP3/sound0.mp3"))).size();
    std::printf("bench_pack: %d sounds of %lld bytes, %d mappings\n", Sounds, soundSize, Sounds);

    const auto nothing = [] {};
    report("pack, sounds decoded by the player's decoder", nothing,
           [&] { packTable(source->path(), packPath, decodeVerdict); });
    report("pack, sounds accepted unchecked", nothing, [&] { packTable(source->path(), packPath, acceptAll); });
    std::printf("  (the pack holds %lld bytes)\n", QFileInfo(packPath).size());

    std::unique_ptr<QTemporaryDir> target;
    const auto emptyTarget = [&] { target = tableFolder(false); };
    report("unpack into an empty table, sounds decoded", emptyTarget,
           [&] { unpackTable(packPath, target->path(), UnpackMode::Merge, decodeVerdict); });
    report("unpack into an empty table, sounds accepted unchecked", emptyTarget,
           [&] { unpackTable(packPath, target->path(), UnpackMode::Merge, acceptAll); });
    const auto sameTable = [&] { target = tableFolder(true); };
    report("merge into the same table (every key kept, every sound reused)", sameTable,
           [&] { unpackTable(packPath, target->path(), UnpackMode::Merge, acceptAll); });
    report("replace the same table (every sound reused)", sameTable,
           [&] { unpackTable(packPath, target->path(), UnpackMode::ReplaceTable, acceptAll); });
    return 0;
}
