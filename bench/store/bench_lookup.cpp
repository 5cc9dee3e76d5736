// One key lookup as the player does it: a fresh connection, the lookup statement, the count and
// the first file name. Compared with the same comparison forced to scan the whole table, and with
// the same lookup on the folder made read-only, where the connection reads the table's snapshot.
#include "BenchSupport.h"
#include "ReadOnlyMount.h"

#include "platform/TableFolder.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Statements.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

using namespace keysound;
using namespace keysound::store;

namespace {

int lookUp(const QString& connectionString, const Statement& statement)
{
    auto connection = std::make_shared<Connection>();
    connection->CursorLocation = adUseClient;
    connection->Open(connectionString, QString(), QString(), adConnectUnspecified);
    Recordset recordset;
    recordset.Open(statement, connection, adOpenStatic, adLockOptimistic, adCmdUnspecified);
    const int count = recordset.RecordCount();
    if (count < 1 || recordset.Value(QStringLiteral("文件名")).toString().isEmpty())
        throw std::runtime_error("lookup found nothing");
    return count;
}

// Existing keys of one kind, spelled in upper case so that the comparison has to ignore case.
std::vector<QString> pickKeys(int rows, int samples, bool (*kind)(int))
{
    std::vector<QString> keys;
    QRandomGenerator random(42);
    while (int(keys.size()) < samples) {
        const int i = random.bounded(rows);
        if (kind(i))
            keys.push_back(bench::storedKey(i).toUpper());
    }
    return keys;
}

bool isAsciiKey(int i)
{
    return !bench::isShortCyrillicKey(i) && !bench::isLongCyrillicKey(i) && !bench::isVeryLongCyrillicKey(i);
}

void benchmark(int rows, int samples, int scanSamples)
{
    std::printf("%d mappings\n", rows);
    bench::MappingFolder folder(rows);
    const QString connectionString = connectionStringFor(folder.path());
    struct Kind {
        const char* label;
        bool (*test)(int);
    };
    const Kind kinds[] = {{"ASCII key (\"KEY123\")", isAsciiKey},
                          {"Cyrillic key, 3 cased letters (\"ЖУК123\")", bench::isShortCyrillicKey},
                          {"Cyrillic key, 7 cased letters (\"КЛАВИША57\")", bench::isLongCyrillicKey},
                          {"Cyrillic key, 13 cased letters (ranges + folding)", bench::isVeryLongCyrillicKey}};
    for (const Kind& kind : kinds) {
        const std::vector<QString> keys = pickKeys(rows, samples, kind.test);
        bench::print(QStringLiteral("lookup, index: %1").arg(QString::fromUtf8(kind.label)),
                     bench::measure(
                         samples, [&](int i) { lookUp(connectionString, keyLookupStatement(keys[i % keys.size()])); }));
    }
    const std::vector<QString> keys = pickKeys(rows, scanSamples, isAsciiKey);
    bench::print(QStringLiteral("lookup, full scan (NOT INDEXED): ASCII key"), bench::measure(scanSamples, [&](int i) {
                     lookUp(connectionString,
                            {QStringLiteral("SELECT * FROM Config NOT INDEXED WHERE 键位 = ?1 COLLATE NOCASE"),
                             {keys[i % keys.size()]}});
                 }));
    // A copy of the folder, which no connection has opened yet, so that none is kept for it.
    const QTemporaryDir shared;
    QFile::copy(folder.databasePath(), QDir(shared.path()).filePath(platform::TableFolder::DatabaseFileName));
    const test::ReadOnlyMount readOnly(shared.path());
    if (!readOnly.ok()) {
        std::printf("  (no read-only figure: this process may not mount a folder read-only)\n");
        return;
    }
    const QString sharedConnection = connectionStringFor(shared.path());
    const std::vector<QString> asciiKeys = pickKeys(rows, samples, isAsciiKey);
    bench::print(QStringLiteral("first lookup, read-only folder: copies the table"),
                 bench::measure(
                     1, [&](int) { lookUp(sharedConnection, keyLookupStatement(asciiKeys[0])); }, 0));
    bench::print(QStringLiteral("lookup, index, read-only folder: ASCII key"), bench::measure(samples, [&](int i) {
                     lookUp(sharedConnection, keyLookupStatement(asciiKeys[i % asciiKeys.size()]));
                 }));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QTemporaryDir cacheHome;  // the read-only folder's snapshots, never in a real cache folder
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    std::printf("bench_lookup: fresh Connection + Recordset.Open + RecordCount + Value(\"文件名\") per lookup\n");
    benchmark(100000, 2000, 200);
    benchmark(1000000, 2000, 30);
    return 0;
}
