#include "StoreTestSupport.h"
#include "store/Bounds.h"

#include <QElapsedTimer>
#include <QTest>
#include <chrono>
#include <sys/stat.h>

using namespace keysound;
using namespace keysound::store;
using namespace std::chrono_literals;

namespace {

// A db1.mdb made to do harm, damaged, or missing, from the Config table of keys k0, k1, k2 a test
// folder has.
struct HostileTable {
    std::function<void(const test::TestAppFolder&)> make;
    int error = 0;                      // of a key's lookup of k1; 0: it finds k1's row
    std::optional<int> loadError = {};  // of loading the whole table, as the editor and keysound-db check load
                                        // it, where it differs from the lookup's
    std::optional<QString> names = {};  // what the errors name; none: the file's native path
    bool foundByFuzzer = false;         // a file scripts/fuzz.sh kept: refused in time, by whichever error
    test::TestAppFolder::Place place = test::TestAppFolder::Anywhere;
};

struct Outcome {
    std::optional<Error> error;
    std::chrono::milliseconds took;
};

// A recordset opened on a connection of the given mode (read-only as the player and keysound-db
// check open theirs, the editor's own otherwise), and its current row's sound read.
Outcome openRecordset(const QString& folder, const Statement& statement, int mode)
{
    QElapsedTimer clock;
    clock.start();
    const auto error = test::errorOf([&] {
        Recordset recordset;
        recordset.Open(statement, test::openStore(folder, mode));
        recordset.Value(QStringLiteral("文件名"));
    });
    return {error, std::chrono::milliseconds(clock.elapsed())};
}

std::function<void(const test::TestAppFolder&)> sql(const QString& statements)
{
    return [=](const test::TestAppFolder& folder) { folder.exec(statements); };
}

// db1.mdb removed, and put in its place what make makes at its path, if anything.
std::function<void(const test::TestAppFolder&)> replaced(const std::function<void(const QString&)>& make)
{
    return [=](const test::TestAppFolder& folder) {
        QVERIFY(QFile::remove(folder.databasePath()));
        make(folder.databasePath());
    };
}

std::function<void(const test::TestAppFolder&)> bytes(const QByteArray& content)
{
    return replaced([=](const QString& path) { test::writeFile(path, content); });
}

void makeFolder(const QString& path) { QVERIFY(QDir().mkdir(path)); }
void makeFifo(const QString& path) { QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); }

// Garbage over the cell pointers of Config's root page, a page of pointers to further pages.
void damageConfigRoot(const test::TestAppFolder& folder)
{
    folder.addMappings(5000);
    const qint64 root = test::RawDatabase(folder.databasePath())
                            .rows(QStringLiteral("SELECT rootpage FROM sqlite_schema WHERE name = 'Config'"))[0][0]
                            .toLongLong();
    QFile file(folder.databasePath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek((root - 1) * 4096 + 12));
    file.write(QByteArray(64, '\xff'));
}

// What a key's lookup and a whole table's load may take at most: their time limits, with the opening of the
// file and a margin a busy machine cannot use up. Which limit stopped it is told by its error, not by the clock.
constexpr auto Margin = 20000ms;
constexpr auto LookupMayTake = bounds::OpeningTime + bounds::KeyLookupTime + Margin;
constexpr auto LoadMayTake = bounds::OpeningTime + bounds::WholeTableTime + Margin;

}  // namespace

Q_DECLARE_METATYPE(HostileTable)

// A table file from a folder others may write: whatever it holds, or whatever stands in its place,
// a key's lookup and the load of the whole table end quickly, with a clear error naming the file
// (or what it lacks) or a result within the bounds. The fuzzer's findings join the hostile tables.
class UntrustedTableTest : public QObject {
    Q_OBJECT
private slots:
    void endsQuickly_data()
    {
        QTest::addColumn<HostileTable>("table");
        const int Refused = ErrorNumber::TableRefused, Damaged = ErrorNumber::UnrecognizedFormat;
        const auto row = [](const char* name, const HostileTable& table) { QTest::newRow(name) << table; };
        row("a view named Config that recurses without end",
            {.make = sql("DROP TABLE Config; CREATE VIEW Config AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL "
                         "SELECT n + 1 FROM r) SELECT 'k' || (n % 3) AS 键位, n || '.mp3' AS 文件名 FROM r"),
             .error = Refused});
        row("a virtual table named Config",
            {.make = sql("DROP TABLE Config; CREATE VIRTUAL TABLE Config USING fts5(键位, 文件名);"
                         "INSERT INTO Config VALUES ('k1', 'f1.mp3')"),
             .error = Refused});
        const auto trigger = sql("CREATE TRIGGER spy AFTER INSERT ON Config BEGIN SELECT 1; END");
        row("a trigger on Config, in a folder not the user's own", {.make = trigger, .error = Refused});
        row("a trigger on Config, in a folder inside the user's own",
            {.make = trigger, .error = Refused, .place = test::TestAppFolder::InsideUsersOwnFolder});
        row("a trigger on Config, in the user's own folder",
            {.make = trigger, .error = 0, .place = test::TestAppFolder::UsersOwnFolder});
        // Its every row's key is computed from a value of 800,000 characters, 20 times over: some
        // milliseconds a row, minutes for the table.
        QString costlyKey = QStringLiteral("hex(zeroblob(400000 + n % 2))");
        for (int i = 0; i < 20; ++i)
            costlyKey = QStringLiteral("replace(%1, '0', '1')").arg(costlyKey);
        row("a key column that costs time at every row: each stops at its own time limit",
            {.make = sql(QStringLiteral("DROP TABLE Config; CREATE TABLE Config (n INTEGER, 文件名 TEXT); "
                                        "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 2000) "
                                        "INSERT INTO Config SELECT i, i || '.mp3' FROM c; ALTER TABLE Config ADD COLUMN "
                                        "键位 TEXT GENERATED ALWAYS AS (CASE WHEN length(%1) > 0 THEN 'k' || n END)")
                             .arg(costlyKey)),
             .error = ErrorNumber::TimeLimitExceeded});
        row("one row more than a recordset holds",
            {.make = [](const test::TestAppFolder& folder) { folder.addMappings(int(bounds::MaxRecordsetRows) + 1); },
             .loadError = Refused});
        // Values of 999,000 bytes each, a little under the engine's limit for one value.
        const qint64 bigValues = bounds::MaxRecordsetBytes / (2 * 999'000) + 1;  // held as UTF-16
        row("more value bytes than a recordset holds",
            {.make = sql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                        "INSERT INTO Config SELECT 'big' || i, printf('%.*c', 999000, 'x') FROM n")
                             .arg(bigValues)),
             .loadError = Refused});
        row("a damaged b-tree", {.make = damageConfigRoot, .error = Damaged});
        row("no file: none made", {.make = replaced([](const QString&) {}), .error = ErrorNumber::DatabaseNotFound});
        row("a folder instead of the file", {.make = replaced(makeFolder), .error = ErrorNumber::FileAccess});
        row("a FIFO instead of the file: not waited on",
            {.make = replaced(makeFifo), .error = ErrorNumber::FileAccess});
        row("an empty file", {.make = bytes({}), .error = Damaged});
        row("a text file", {.make = bytes("key,file\na,a.mp3\n"), .error = Damaged});
        row("an ACE header",
            {.make = bytes(QByteArray("\0\x01\0\0Standard ACE DB\0\x02", 21) + QByteArray(200, 0)), .error = Damaged});
        row("a damaged SQLite header",
            {.make = bytes(QByteArray("SQLite format 3\0", 16) + QByteArray(4000, '\x7f')), .error = Damaged});
        const int NoTable = ErrorNumber::TableNotFound, NoColumn = ErrorNumber::ItemNotFound;
        row("no Config table",
            {.make = sql("DROP TABLE Config; CREATE TABLE Other (x)"), .error = NoTable, .names = "Config"});
        row("no 键位 column: the whole table still loads",
            {.make = sql("DROP INDEX Config_键位; ALTER TABLE Config DROP COLUMN 键位"),
             .error = NoColumn,
             .loadError = 0,
             .names = "键位"});
        row("no 文件名 column",
            {.make = sql("ALTER TABLE Config DROP COLUMN 文件名"), .error = NoColumn, .names = "文件名"});
        const QDir findings(QStringLiteral(KEYSOUND_DATABASE_FIXTURES_DIR "/damaged"));
        for (const QString& name : findings.entryList(QDir::Files))
            row(qPrintable(name), {.make = bytes(test::fileBytes(findings.filePath(name))), .foundByFuzzer = true});
    }
    void endsQuickly()
    {
        QFETCH(HostileTable, table);
        test::TestAppFolder folder(test::TestAppFolder::WithDatabase, table.place);
        folder.addMappings(3);
        table.make(folder);
        const bool existed = QFile::exists(folder.databasePath());

        const Outcome lookup = openRecordset(folder.path(), keyLookupStatement(QStringLiteral("k1")), adModeRead);
        QVERIFY2(lookup.took < LookupMayTake, qPrintable(QString::number(lookup.took.count())));
        const Outcome load = openRecordset(folder.path(), editorStatement(), adModeUnknown);
        QVERIFY2(load.took < LoadMayTake, qPrintable(QString::number(load.took.count())));
        QCOMPARE(QFile::exists(folder.databasePath()), existed);
        if (table.foundByFuzzer) {
            QVERIFY(load.error.has_value());
            QVERIFY2(load.error->description().contains(folder.databasePath()), qPrintable(load.error->description()));
            return;
        }
        QCOMPARE(lookup.error.value_or(Error(0, {})).number(), table.error);
        QCOMPARE(load.error.value_or(Error(0, {})).number(), table.loadError.value_or(table.error));
        // A key's lookup stops at a key's time limit, not at the whole table's.
        for (const auto& [error, limit] :
             {std::pair{lookup.error, bounds::KeyLookupTime}, {load.error, bounds::WholeTableTime}}) {
            const QString description = error ? error->description() : QString();
            QVERIFY2(!error || description.contains(table.names.value_or(folder.databasePath())),
                     qPrintable(description));
            if (error && error->number() == ErrorNumber::TimeLimitExceeded)
                QVERIFY2(description.contains(QStringLiteral(" %1 ms").arg(limit.count())), qPrintable(description));
        }
    }
};

QTEST_GUILESS_MAIN(UntrustedTableTest)
#include "tst_untrustedtable.moc"
