#include "BenchSupport.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace keysound::bench {

bool isShortCyrillicKey(int i)
{
    return i % 10 == 3;
}

bool isLongCyrillicKey(int i)
{
    return i % 50 == 7;
}

bool isVeryLongCyrillicKey(int i)
{
    return i % 50 == 17;
}

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

namespace {
void exec(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}
}  // namespace

MappingFolder::MappingFolder(int rows)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    exec(db, "CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT); BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Config VALUES (?1, ?2)", -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QByteArray key = storedKey(i).toUtf8();
        const QByteArray file = QStringLiteral("sound%1.mp3").arg(i).toUtf8();
        sqlite3_bind_text(insert, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, file.constData(), int(file.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT; CREATE INDEX Config_键位 ON Config (键位);");
    sqlite3_close(db);
}

Figures measure(int samples, const std::function<void(int)>& run)
{
    for (int i = 0; i < 3; ++i)
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
    std::printf("  %-58s median %9.4f ms   p95 %9.4f ms\n", label.toUtf8().constData(), figures.medianMs, figures.p95Ms);
    std::fflush(stdout);
}

}  // namespace keysound::bench
