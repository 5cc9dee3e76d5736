#include "ReadOnlyMount.h"
#include "StoreTestSupport.h"
#include "platform/AppFolder.h"
#include "store/PreparedStatement.h"

#include <QTemporaryDir>
#include <QTest>

using namespace keysound;
using namespace keysound::store;

namespace {
using Mappings = QList<QPair<QVariant, QString>>;  // key (null QVariant: NULL), file name
using Value = std::optional<QString>;              // a connection string's value; none: refused

// Eight letters with two spellings each: too many spellings to list, so such keys are searched
// by index ranges filtered by folding.
const QString Lower8 = QStringLiteral("éééééééé"), Upper8 = QStringLiteral("ÉÉÉÉÉÉÉÉ");

// A table in a folder made read-only; both kinds map 好 to 好.mp3.
struct ReadOnlyTable {
    QString jetSample = {};     // a legacy sample as db1.mdb; empty: an SQLite table
    QString keepWritable = {};  // a file of the folder that stays writable
    bool wal = false;           // 好 changed to wal.mp3 by a writer in WAL mode, the change still in db1.mdb-wal
};
}  // namespace

Q_DECLARE_METATYPE(ReadOnlyTable)

// Opening db1.mdb from the program's connection string, and finding a key's rows in it.
class ConnectionTest : public QObject {
    Q_OBJECT
    std::optional<QTemporaryDir> cacheHome_;  // a cache folder of each test's own, for the snapshots

private slots:
    void init()
    {
        cacheHome_.emplace();
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome_->path()));
    }

    void connectionStringValue_data()
    {
        // clang-format off
        // expected: none when refused as malformed, a null text when absent
        QTest::addColumn<QString>("connectionString");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<Value>("expected");
        const Value refused;
        QTest::newRow("absent keyword is null") << connectionStringFor("C:\\k") << "User ID" << Value(QString());
        QTest::newRow("folder with ; and quotes is quoted") << connectionStringFor("C:\\a;b \"hi\"") << "data SOURCE" << Value("C:\\a;b \"hi\"\\db1.mdb");
        QTest::newRow("folder with a leading blank is quoted") << connectionStringFor(" C:\\k 按键") << "Data Source" << Value(" C:\\k 按键\\db1.mdb");
        QTest::newRow("doubled quotes inside quotes") << "Data Source=\"a\"\"b\"\";c\"" << "Data Source" << Value("a\"b\";c");
        QTest::newRow("unterminated quote") << "Data Source=\"C:\\k\\db1.mdb;" << "Data Source" << refused;
        QTest::newRow("text after closing quote") << "Data Source=\"a\"b;" << "Data Source" << refused;
        // clang-format on
    }
    void connectionStringValue()
    {
        QFETCH(QString, connectionString);
        QFETCH(QString, keyword);
        QFETCH(Value, expected);
        QString value;
        const int number =
            test::errorNumberOf([&] { value = store::connectionStringValue(connectionString, keyword); });
        if (!expected) {
            QCOMPARE(number, int(ErrorNumber::InvalidArgument));
            return;
        }
        QCOMPARE(number, 0);
        QCOMPARE(value, *expected);
        QCOMPARE(value.isNull(), expected->isNull());
    }

    void lookup_data()
    {
        // clang-format off
        // files: what the lookup returns, in order
        QTest::addColumn<Mappings>("mappings");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("files");
        const QString word(10000, QLatin1Char('w'));
        using F = QStringList;
        QTest::newRow("quotes select only their own row") << Mappings{{"x", "x"}, {"a' or '1'='1", "q"}} << "a' or '1'='1" << F{"q"};
        QTest::newRow("percent is no wildcard") << Mappings{{"abc", "abc.mp3"}, {"%", "pc.mp3"}} << "%" << F{"pc.mp3"};
        QTest::newRow("é finds É") << Mappings{{"É", "E.mp3"}} << "é" << F{"E.mp3"};
        QTest::newRow("é does not find e") << Mappings{{"e", "e.mp3"}, {"E", "E.mp3"}} << "é" << F{};
        QTest::newRow("the Kelvin sign finds only itself") << Mappings{{"k", "k.mp3"}, {"\u212A", "kelvin.mp3"}} << "\u212A" << F{"kelvin.mp3"};
        QTest::newRow("titlecase ǅ finds Ǆ and ǆ") << Mappings{{"Ǆ", "1.mp3"}, {"ǆ", "2.mp3"}} << "ǅ" << F{"1.mp3", "2.mp3"};
        QTest::newRow("non-BMP letter with case") << Mappings{{"\U00010428", "deseret.mp3"}} << "\U00010400" << F{"deseret.mp3"};
        QTest::newRow("10,000-char word") << Mappings{{word, "long.mp3"}} << word.toUpper() << F{"long.mp3"};
        QTest::newRow("empty key matches only empty keys") << Mappings{{QVariant(), "n"}, {" ", "b"}, {"", "e"}} << "" << F{"e"};
        QTest::newRow("b then B: lowest rowid first") << Mappings{{"b", "lower.mp3"}, {"B", "upper.mp3"}} << "B" << F{"lower.mp3", "upper.mp3"};
        QTest::newRow("index ranges: other case, non-BMP, rowid order")
            << Mappings{{Upper8 + "\U00010400", "1.mp3"}, {Lower8, "x.mp3"}, {Lower8 + "\U00010428", "2.mp3"}}
            << Lower8.left(4) + Upper8.left(4) + "\U00010400" << F{"1.mp3", "2.mp3"};
        QTest::newRow("index ranges: one letter differs") << Mappings{{Lower8 + "жa", "a.mp3"}, {Lower8 + "e", "e.mp3"}} << Upper8 + "Жb" << F{};
        QTest::newRow("index ranges: ASCII capital") << Mappings{{Lower8.left(6) + "a" + Lower8.left(2), "a.mp3"}}
                                                     << Upper8.left(6) + "A" + Upper8.left(2) << F{"a.mp3"};
        QTest::newRow("index ranges: Z finds z") << Mappings{{Lower8 + "z", "z.mp3"}} << Upper8 + "Z" << F{"z.mp3"};
        QTest::newRow("index ranges: [ stays apart from {") << Mappings{{Upper8 + "{", "brace.mp3"}} << Upper8 + "[" << F{};
        QTest::newRow("index ranges: the Kelvin sign stays apart from k") << Mappings{{Lower8 + "k", "k.mp3"}} << Upper8 + "\u212A" << F{};
        // clang-format on
    }
    void lookup()
    {
        QFETCH(Mappings, mappings);
        QFETCH(QString, key);
        QFETCH(QStringList, files);
        test::TestAppFolder folder;
        for (const auto& [stored, file] : mappings)
            folder.addMapping(stored, file);
        QCOMPARE(test::lookUp(folder.path(), key), files);
        const Statement lookup = keyLookupStatement(key);  // found through the index, whatever the key
        QString plan;
        for (const QVariantList& row : test::queryRows(test::openStore(folder.path())->handle(),
                                                       "EXPLAIN QUERY PLAN " + lookup.sql, lookup.parameters))
            plan += row.last().toString() + u';';
        QVERIFY2(plan.contains(QStringLiteral("INDEX Config_键位")), qPrintable(plan));
        QVERIFY2(!plan.contains(QStringLiteral("SCAN")), qPrintable(plan));

        // The same rows in a Config made by another tool, its 键位 plain TEXT: still found ignoring case.
        folder.exec("CREATE TABLE Plain (键位 TEXT, 文件名 TEXT);"
                    " INSERT INTO Plain SELECT 键位, 文件名 FROM Config ORDER BY rowid;"
                    " DROP TABLE Config; ALTER TABLE Plain RENAME TO Config");
        QCOMPARE(test::lookUp(folder.path(), key), files);
    }

    // A closed connection's database handle serves the next Open only when nothing of it is still in
    // use: run is executed to the end, held is prepared and held while the connection closes.
    void keepsOnlyAnIdleHandle_data()
    {
        // clang-format off
        QTest::addColumn<QString>("run");
        QTest::addColumn<QString>("held");
        QTest::addColumn<bool>("reused");
        QTest::newRow("nothing in use: handed out again") << "SELECT 1" << "" << true;
        QTest::newRow("a statement still held: closed") << "SELECT 1" << "SELECT 1" << false;
        QTest::newRow("a transaction still open: closed") << "BEGIN" << "" << false;
        // clang-format on
    }
    void keepsOnlyAnIdleHandle()
    {
        QFETCH(QString, run);
        QFETCH(QString, held);
        QFETCH(bool, reused);
        test::TestAppFolder folder;
        std::optional<PreparedStatement> statement;
        {
            const ConnectionPtr first = test::openStore(folder.path());
            execute(first->handle(), QStringLiteral("CREATE TEMP TABLE marker (x)"));  // lives as long as the handle
            execute(first->handle(), run);
            if (!held.isEmpty())
                statement.emplace(first->handle(), held);
        }
        const ConnectionPtr second = test::openStore(folder.path());
        const auto readMarker = [&] { execute(second->handle(), QStringLiteral("SELECT x FROM temp.marker")); };
        QCOMPARE(test::errorNumberOf(readMarker) == 0, reused);
    }

    // A table file this process may not write is read from a snapshot in the user's cache: keys
    // find their sounds, nothing is written beside the file, and a change is refused naming it.
    // The snapshot follows the table file: a key finds what was written to it since, and the
    // snapshot of its earlier state goes.
    void readOnlyTableIsReadFromASnapshot_data()
    {
        QTest::addColumn<ReadOnlyTable>("table");
        QTest::newRow("read-only folder") << ReadOnlyTable{};
        QTest::newRow("writable file in a read-only folder: no room for a journal")
            << ReadOnlyTable{.keepWritable = "db1.mdb"};
        QTest::newRow("legacy Jet file: converted into the snapshot") << ReadOnlyTable{.jetSample = "legacy-db1.mdb"};
        QTest::newRow("committed changes still in the -wal file") << ReadOnlyTable{.wal = true};
    }
    void readOnlyTableIsReadFromASnapshot()
    {
        QFETCH(ReadOnlyTable, table);
        test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
        if (table.jetSample.isEmpty()) {
            test::createMappingDatabase(folder.databasePath());
            folder.addMapping(QStringLiteral("好"), QStringLiteral("好.mp3"));
        } else {
            test::copySample(table.jetSample, folder.path());
        }
        std::optional<test::RawDatabase> walWriter;  // open, so that the engine keeps the -wal file
        if (table.wal) {
            walWriter.emplace(folder.databasePath());
            walWriter->exec("PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0; UPDATE Config SET 文件名 = 'wal.mp3'");
        }
        const QString mapped = table.wal ? QStringLiteral("wal.mp3") : QStringLiteral("好.mp3");
        const QStringList filesBefore = test::filesIn(folder.path());
        const QByteArray bytesBefore = test::fileBytes(folder.databasePath());
        std::optional<test::ReadOnlyMount> readOnly(std::in_place, folder.path(), table.keepWritable);
        if (!readOnly->ok())
            QSKIP("this process may not mount a folder read-only");

        QCOMPARE(test::lookUp(folder.path(), QStringLiteral("好")), QStringList{mapped});
        Recordset editor;  // open while the table changes; Refresh reads it anew
        editor.Open(editorStatement(), test::openStore(folder.path()));
        {  // its handle given back before the file changes, so that the next lookup may find it kept
            Recordset recordset;
            recordset.Open(editorStatement(), test::openStore(folder.path()));
            const auto refusal = test::errorOf([&] { recordset.AddNew(); });
            QCOMPARE(refusal.value_or(Error(0, {})).number(), ErrorNumber::ReadOnlyDatabase);
            QVERIFY2(refusal->description().contains(folder.databasePath()), qPrintable(refusal->description()));
        }
        QCOMPARE(test::filesIn(folder.path()), filesBefore);
        QCOMPARE(test::fileBytes(folder.databasePath()), bytesBefore);
        QCOMPARE(test::filesIn(platform::usersCacheFolder()).size(), 1);
        if (!table.jetSample.isEmpty())
            return;  // the engine cannot write a Jet file
        readOnly.reset();
        folder.exec(QStringLiteral("UPDATE Config SET 文件名 = 'second.mp3'"));
        readOnly.emplace(folder.path(), table.keepWritable);
        QCOMPARE(test::lookUp(folder.path(), QStringLiteral("好")), QStringList{QStringLiteral("second.mp3")});
        editor.Requery();
        QCOMPARE(editor.Value(QStringLiteral("文件名")).toString(), QStringLiteral("second.mp3"));
        QCOMPARE(test::filesIn(platform::usersCacheFolder()).size(), 1);
    }

    // A snapshot the disk had no room for is never taken for a whole one once there is room again.
    void snapshotCutByAFullDiskIsNotKept()
    {
        test::TestAppFolder folder;
        folder.addMapping(QStringLiteral("好"), QStringLiteral("好.mp3"));
        const test::ReadOnlyMount readOnly(folder.path());
        if (!readOnly.ok())
            QSKIP("this process may not mount a folder read-only");
        {
            const test::FileSizeLimit noRoom(1000);
            QCOMPARE(test::errorNumberOf([&] { test::lookUp(folder.path(), QStringLiteral("好")); }),
                     ErrorNumber::DiskFull);
        }
        QCOMPARE(test::lookUp(folder.path(), QStringLiteral("好")), QStringList{QStringLiteral("好.mp3")});
    }
};

QTEST_GUILESS_MAIN(ConnectionTest)
#include "tst_connection.moc"
