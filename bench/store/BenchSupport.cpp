#include "BenchSupport.h"

#include "RawDatabase.h"

#include <algorithm>
#include <cstdio>

namespace keysound::bench {

bool isShortCyrillicKey(int i) { return i % 10 == 3; }

bool isLongCyrillicKey(int i) { return i % 50 == 7; }

bool isVeryLongCyrillicKey(int i) { return i % 50 == 17; }

QString storedKey(int i)
{
    if (isVeryLongCyrillicKey(i))
        return QStringLiteral("переключатель%1").arg(i);
    if (isLongCyrillicKey(i))
        return QStringLiteral("клавиша%1").arg(i);
    if (isShortCyrillicKey(i))
        return QStringLiteral("жук%1").arg(i);
    return QStringLiteral("key%1").arg(i);
}

MappingFolder::MappingFolder(int rows)
{
    const test::RawDatabase db(databasePath());
    db.exec(QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT); BEGIN"));
    for (int i = 0; i < rows; ++i)
        db.rows(QStringLiteral("INSERT INTO Config VALUES (?1, ?2)"),
                {storedKey(i), QStringLiteral("sound%1.mp3").arg(i)});
    // The index comes last: building it once is faster than keeping it up to date row by row.
    db.exec(QStringLiteral("COMMIT; CREATE INDEX Config_键位 ON Config (键位);"));
}

Figures measure(int samples, const std::function<void(int)>& run, int warmUps)
{
    for (int i = 0; i < warmUps; ++i)
        run(i);
    std::vector<double> times;
    times.reserve(samples);
    QElapsedTimer timer;
    for (int i = 0; i < samples; ++i) {
        timer.start();
        run(i);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 95 / 100)]};
}

void print(const QString& label, const Figures& figures)
{
    std::printf("  %-58s median %9.4f ms   p95 %9.4f ms\n", label.toUtf8().constData(), figures.medianMs,
                figures.p95Ms);
    std::fflush(stdout);
}

}  // namespace keysound::bench
