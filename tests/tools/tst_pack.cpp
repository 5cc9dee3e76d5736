#include "PackFormat.h"
#include "TablePack.h"
#include "ZipReader.h"

#include "KilledChild.h"
#include "StoreTestSupport.h"
#include "platform/StagingFolder.h"
#include "store/Bounds.h"

#include <QtTest>
#include <csignal>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

using namespace keysound;
using namespace keysound::pack;
using namespace keysound::test;

namespace {

using Rows = QList<QVariantList>;  // Config's (键位, 文件名) in table order

// The injected verdict: a sound is playable unless its bytes start with "bad".
std::optional<QString> fakeVerdict(const QString& nativePath)
{
    if (fileBytes(nativePath).startsWith("bad"))
        return QStringLiteral("the test's decoder refuses it");
    return std::nullopt;
}

// A raw zip of stored entries, written field by field so that a test can say what libzip would
// refuse to write: duplicate names, sizes that lie, any name and file type.
struct RawEntry {
    QByteArray name{};
    QByteArray data{};
    std::optional<quint32> statedSize{};  // else the data's
    quint32 unixMode = 0100644;
    quint16 method = ZIP_CM_STORE;
};

QByteArray rawZip(const QList<RawEntry>& entries)
{
    QByteArray out, directory;
    QDataStream local(&out, QIODevice::WriteOnly);
    QDataStream central(&directory, QIODevice::WriteOnly);
    local.setByteOrder(QDataStream::LittleEndian);
    central.setByteOrder(QDataStream::LittleEndian);
    for (const RawEntry& e : entries) {
        const quint32 size = quint32(e.data.size());
        const quint32 crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), size);
        const quint32 offset = quint32(out.size());
        // version needed, UTF-8 names, method, time, date, checksum, sizes, the name's length
        const auto common = [&](QDataStream& header) {
            header << quint16(20) << quint16(0x0800) << e.method << quint16(0) << quint16(0) << crc << size
                   << e.statedSize.value_or(size) << quint16(e.name.size());
        };
        local << quint32(0x04034b50);
        common(local);
        local << quint16(0);  // no extra field
        local.writeRawData((e.name + e.data).constData(), int(e.name.size() + size));
        central << quint32(0x02014b50) << quint16(0x0314);  // made on Unix
        common(central);
        // no extra field, comment, disk or internal attributes
        central << quint16(0) << quint16(0) << quint16(0) << quint16(0) << (e.unixMode << 16) << offset;
        central.writeRawData(e.name.constData(), int(e.name.size()));
    }
    const quint32 directoryOffset = quint32(out.size());
    local.writeRawData(directory.constData(), int(directory.size()));
    const auto count = quint16(entries.size());
    local << quint32(0x06054b50) << quint16(0) << quint16(0) << count << count << quint32(directory.size())
          << directoryOffset << quint16(0);
    return out;
}

const RawEntry formatEntry{.name = "format", .data = "keysound table pack 1\n"};

QList<RawEntry> packOf(const QByteArray& table, const QList<RawEntry>& sounds)
{
    return QList<RawEntry>{formatEntry, RawEntry{.name = "mappings.tsv", .data = table}} + sounds;
}

const RawEntry soundK{.name = "MP3/k.mp3", .data = "k sound"};

struct MergeCase {
    UnpackMode mode = UnpackMode::Merge;
    Rows tableRows = {};
    Files tableFiles = {};
    Rows packRows;
    Files packFiles;
    Rows rowsAfter;
    Files filesAfter;
    QStringList reported = {};  // "kept KEY", "renamed A -> B", "reused A"
};

struct HostileCase {
    QByteArray pack;
    QString named;  // what the refusal must name
};

// The pack's rows (keys of this length, each its own, all on one sound) meet a table made by
// fillTable, which must hold them all or refuse them all.
struct BoundsCase {
    std::function<void(const TestAppFolder&)> fillTable;
    int packRows;
    int keyLength = 1;
    UnpackMode mode = UnpackMode::Merge;
    bool refused = true;
};

// What may go wrong around an unpack of a good pack; whatever it is, nothing changes.
struct AccidentCase {
    qint64 soundBytes = 3;
    rlim_t fileSizeLimit = RLIM_INFINITY;
    bool tableBeingRead = false;   // another program's read transaction, which COMMIT must wait for
    bool refusingTrigger = false;  // refuses the second row, after the first went in
};

}  // namespace

Q_DECLARE_METATYPE(MergeCase)
Q_DECLARE_METATYPE(HostileCase)
Q_DECLARE_METATYPE(BoundsCase)
Q_DECLARE_METATYPE(AccidentCase)

class PackTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;

    QString packPath() const { return dir_->filePath(QStringLiteral("table.kspack")); }

    void replaceTable(const TestAppFolder& target) const
    {
        unpackTable(packPath(), target.path(), UnpackMode::ReplaceTable, fakeVerdict);
    }

private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    void packLeavesOutRowsItCannotCarry_data()
    {
        QTest::addColumn<QVariantList>("row");
        QTest::addColumn<Files>("files");
        // clang-format off
        QTest::newRow("no key") << QVariantList{QVariant(), "b.mp3"} << Files{{"b.mp3", "b"}};
        QTest::newRow("no file name") << QVariantList{"b", ""} << Files{};
        QTest::newRow("a file name leading out of MP3/") << QVariantList{"b", "..\\..\\b.mp3"} << Files{};
        QTest::newRow("an empty part in the file name") << QVariantList{"b", "sub//b.mp3"} << Files{{"sub/b.mp3", "b"}};
        QTest::newRow("a missing sound") << QVariantList{"b", "gone.mp3"} << Files{};
        QTest::newRow("a sound that does not decode") << QVariantList{"b", "b.mp3"} << Files{{"b.mp3", "bad bytes"}};
        QTest::newRow("a name the pack has in other case") << QVariantList{"b", "A.mp3"} << Files{{"A.mp3", "other"}};
        QTest::newRow("a folder") << QVariantList{"b", "sub"} << Files{{"sub/x.mp3", "x"}};
        QTest::newRow("a key longer than a pack's row") << QVariantList{QString(20000, u'k'), "b.mp3"} << Files{{"b.mp3", "b"}};
        // clang-format on
    }
    void packLeavesOutRowsItCannotCarry()
    {
        QFETCH(QVariantList, row);
        QFETCH(Files, files);
        const TestAppFolder source;
        fill(source, {{"a", "a.mp3"}, row}, files);
        source.writeFile(QStringLiteral("MP3/a.mp3"), "a");
        const PackReport report = packTable(source.path(), packPath(), fakeVerdict);
        QCOMPARE(report.leftOut.size(), 1);
        QCOMPARE(report.leftOut.first().row, 2);
        QCOMPARE(report.rowsPacked, 1);
        const TestAppFolder target;
        unpackTable(packPath(), target.path(), UnpackMode::Merge, fakeVerdict);
        QCOMPARE(filesBelow(target.soundFolderPath()), (Files{{"a.mp3", "a"}}));
    }

    void unpackIntoATable_data()
    {
        QTest::addColumn<MergeCase>("c");
        const Rows everything{{"a", "a.mp3"},
                              {"key\twith tab", "sub\\b.mp3"},
                              {"#leading hash", "a.mp3"},
                              {"line\nbreak\r", "中文 名.mp3"},
                              {"好", "sub/deeper/c.mp3"},
                              {"", "a.mp3"},
                              {"back\\slash", "sub\\b.mp3"}};
        QTest::newRow("into an empty table: every row, each sound once, in its folders") << MergeCase{
            .packRows = everything,
            .packFiles = {{"a.mp3", "a"}, {"sub/b.mp3", "b"}, {"中文 名.mp3", "c"}, {"sub/deeper/c.mp3", "d"}},
            .rowsAfter = everything,
            .filesAfter = {{"a.mp3", "a"},
                           {"sub/", ""},
                           {"sub/b.mp3", "b"},
                           {"sub/deeper/", ""},
                           {"sub/deeper/c.mp3", "d"},
                           {"中文 名.mp3", "c"}}};
        QTest::newRow("merge: a key the table has, in other case, keeps its mapping")
            << MergeCase{.tableRows = {{"é", "mine.mp3"}, {"a", "mine.mp3"}},
                         .tableFiles = {{"mine.mp3", "mine"}},
                         .packRows = {{"É", "theirs.mp3"}, {"A", "theirs.mp3"}, {"b", "theirs.mp3"}},
                         .packFiles = {{"theirs.mp3", "theirs"}},
                         .rowsAfter = {{"é", "mine.mp3"}, {"a", "mine.mp3"}, {"b", "theirs.mp3"}},
                         .filesAfter = {{"mine.mp3", "mine"}, {"theirs.mp3", "theirs"}},
                         .reported = {"kept É", "kept A"}};
        QTest::newRow("merge: a name with other bytes gets a free name, its rows follow") << MergeCase{
            .tableRows = {{"k", "x.mp3"}, {"m", "sub\\x-3.mp3"}},
            .tableFiles = {{"x.mp3", "old"}, {"sub/x.mp3", "old"}, {"sub/x-2.mp3", "older"}},
            .packRows = {{"n", "x.mp3"}, {"o", "sub\\x.mp3"}, {"p", "sub/x.mp3"}},
            .packFiles = {{"x.mp3", "new"}, {"sub/x.mp3", "new"}},
            .rowsAfter =
                {{"k", "x.mp3"}, {"m", "sub\\x-3.mp3"}, {"n", "x-2.mp3"}, {"o", "sub\\x-4.mp3"}, {"p", "sub/x-4.mp3"}},
            .filesAfter = {{"x.mp3", "old"},
                           {"x-2.mp3", "new"},
                           {"sub/", ""},
                           {"sub/x.mp3", "old"},
                           {"sub/x-2.mp3", "older"},
                           {"sub/x-4.mp3", "new"}},
            .reported = {"renamed x.mp3 -> x-2.mp3", "renamed sub/x.mp3 -> sub/x-4.mp3"}};
        QTest::newRow("merge: the same bytes under the name are used as they are")
            << MergeCase{.tableRows = {{"k", "x.mp3"}},
                         .tableFiles = {{"x.mp3", "same"}, {"y.mp3", "old"}, {"y-2.mp3", "new"}},
                         .packRows = {{"n", "x.mp3"}, {"o", "y.mp3"}},
                         .packFiles = {{"x.mp3", "same"}, {"y.mp3", "new"}},
                         .rowsAfter = {{"k", "x.mp3"}, {"n", "x.mp3"}, {"o", "y-2.mp3"}},
                         .filesAfter = {{"x.mp3", "same"}, {"y.mp3", "old"}, {"y-2.mp3", "new"}},
                         .reported = {"renamed y.mp3 -> y-2.mp3", "reused x.mp3", "reused y-2.mp3"}};
        QTest::newRow("replace: the pack's rows only; a clashing sound still gets a free name")
            << MergeCase{.mode = UnpackMode::ReplaceTable,
                         .tableRows = {{"a", "x.mp3"}, {"b", "gone.mp3"}},
                         .tableFiles = {{"x.mp3", "old"}},
                         .packRows = {{"A", "x.mp3"}, {"c", "gone.mp3"}},
                         .packFiles = {{"x.mp3", "new"}, {"gone.mp3", "back"}},
                         .rowsAfter = {{"A", "x-2.mp3"}, {"c", "gone.mp3"}},
                         .filesAfter = {{"x.mp3", "old"}, {"x-2.mp3", "new"}, {"gone.mp3", "back"}},
                         .reported = {"renamed x.mp3 -> x-2.mp3"}};
    }
    void unpackIntoATable()
    {
        QFETCH(MergeCase, c);
        const TestAppFolder source;
        fill(source, c.packRows, c.packFiles);
        writeFile(packPath(), "an older pack, replaced");
        const PackReport packed = packTable(source.path(), packPath(), fakeVerdict);
        QCOMPARE(packed.soundsStored, c.packFiles.size());  // each once, however many rows use it
        const ZipReader zip(packPath());
        for (qint64 i = 0; i < zip.entryCount(); ++i)  // the table deflated, the sounds stored as they are
            QCOMPARE(zip.entry(i).method == ZIP_CM_DEFLATE, zip.entry(i).rawName == "mappings.tsv");
        const TestAppFolder target;
        fill(target, c.tableRows, c.tableFiles);

        const UnpackReport report = unpackTable(packPath(), target.path(), c.mode, fakeVerdict);
        QCOMPARE(report.rowsAdded + report.keysKept.size(), c.packRows.size());
        QCOMPARE(mappingsIn(target.databasePath()), c.rowsAfter);
        QCOMPARE(filesBelow(target.soundFolderPath()), c.filesAfter);
        QStringList reported;
        for (const tools::SeedMapping& kept : report.keysKept)
            reported.append("kept " + kept.key);
        for (const RenamedSound& renamed : report.renamedSounds)
            reported.append("renamed " + renamed.packPath + " -> " + renamed.tablePath);
        for (const QString& reused : report.reusedSounds)
            reported.append("reused " + reused);
        QCOMPARE(reported, c.reported);
    }

    void hostilePackChangesNothing_data()
    {
        QTest::addColumn<HostileCase>("c");
        const QByteArray table = "k\tk.mp3\n";
        const auto refused = [](const char* row, const QList<RawEntry>& entries, const QString& named) {
            QTest::newRow(row) << HostileCase{.pack = rawZip(entries), .named = named};
        };
        const auto plus = [&](const RawEntry& extra) { return packOf(table, {soundK, extra}); };
        const auto only = [&](const RawEntry& sound) { return packOf(table, {sound}); };
        // clang-format off
        refused("a sound leading out with ..", packOf("k\t..\\\\k.mp3\n", {{.name = "MP3/../k.mp3"}}), "MP3/../k.mp3");
        refused("an entry outside MP3/, leading out with ..", plus({.name = "../k.mp3"}), "../k.mp3");
        refused("a folder entry that is a link", plus({.name = "MP3/sub/", .unixMode = 0120777}), "MP3/sub/");
        refused("a folder under a file's name", only({.name = "MP3/k.mp3", .unixMode = 040755}), "MP3/k.mp3");
        refused("a name twice", plus({.name = "mappings.tsv", .data = table}), "mappings.tsv");
        refused("one name ignoring case", packOf("k\tk.mp3\nK\tK.mp3\n", {soundK, {.name = "MP3/K.mp3"}}), "MP3/K.mp3");
        refused("one name in other normalisation and case",
                packOf("a\t\u00c9.mp3\nb\te\u0301.mp3\n", {{.name = "MP3/\u00c9.mp3"}, {.name = "MP3/e\u0301.mp3"}}),
                "MP3/e\u0301.mp3");
        refused("a table line longer than a row may be",
                packOf(QByteArray(limits::MaxTableLineBytes, 'k') + "\tk.mp3\n", {soundK}), "mappings.tsv:1");
        refused("more rows than a table may have",
                packOf(QByteArray("k\tk.mp3\n").repeated(store::bounds::MaxRecordsetRows + 1), {soundK}),
                QString::number(store::bounds::MaxRecordsetRows));
        refused("a sound's name is another's folder",
                packOf("k\tk.mp3\nj\tk.mp3/j.mp3\n", {soundK, {.name = "MP3/k.mp3/j.mp3"}}), "MP3/k.mp3/j.mp3");
        refused("more than stated", only({.name = "MP3/k.mp3", .data = "01234567", .statedSize = 3}), "MP3/k.mp3");
        refused("fewer than stated", only({.name = "MP3/k.mp3", .data = "", .statedSize = 5}), "MP3/k.mp3");
        refused("another compression method", only({.name = "MP3/k.mp3", .method = ZIP_CM_BZIP2}), "MP3/k.mp3");
        refused("sizes stated beyond the bound: refused before a byte is read",
                only({.name = "MP3/k.mp3", .data = "k", .statedSize = 0x7fffffff}),
                QString::number(limits::MaxUnpackedBytes >> 20));
        refused("a row whose sound is not there", packOf("k\tk.mp3\nm\tm.mp3\n", {soundK}), "m.mp3");
        refused("a row whose sound is outside MP3/", packOf("k\t..\\\\k.mp3\n", {soundK}), "..\\k.mp3");
        refused("a sound no row uses", plus({.name = "MP3/extra.mp3"}), "MP3/extra.mp3");
        refused("a table that does not parse", packOf("k k.mp3\n", {soundK}), "mappings.tsv:1");
        refused("a sound that does not decode", only({.name = "MP3/k.mp3", .data = "bad sound"}), "MP3/k.mp3");
        refused("no format entry", QList<RawEntry>{{.name = "mappings.tsv", .data = table}, soundK}, "format");
        const RawEntry laterFormat{.name = "format", .data = "keysound table pack 2\n"};
        refused("a later format", QList<RawEntry>{laterFormat} + packOf(table, {soundK}).mid(1), "format");
        // clang-format on
        QList<RawEntry> many = packOf("", {});
        for (int i = 0; i < 20000; ++i)
            many.append({.name = "MP3/" + QByteArray::number(i)});
        refused("too many entries", many, "20002");
        QTest::newRow("not a zip") << HostileCase{.pack = "keysound table pack 1\n", .named = "table.kspack"};
        const QDir damaged(QStringLiteral(KEYSOUND_PACK_FIXTURES_DIR "/damaged"));  // the fuzzer's findings
        for (const QString& name : damaged.entryList(QDir::Files))
            QTest::newRow(qPrintable(name))
                << HostileCase{.pack = fileBytes(damaged.filePath(name)), .named = "table.kspack"};
    }
    void hostilePackChangesNothing()
    {
        QFETCH(HostileCase, c);
        writeFile(packPath(), c.pack);
        const TestAppFolder target;
        fill(target, {{"a", "a.mp3"}}, {{"a.mp3", "a"}});
        const auto before = stateOf(target);
        const std::optional<Error> error = errorOf([&] { replaceTable(target); });
        QCOMPARE(error.value_or(Error(0, {})).number(), ErrorNumber::InvalidFileFormat);
        QVERIFY2(error->description().contains(c.named), qPrintable(error->description()));
        QCOMPARE(stateOf(target), before);
    }

    // A pack of as many entries as pack writes at most goes in.
    void fullPackGoesIn()
    {
        const int sounds = int(limits::MaxEntries) - 2;  // the format entry and the table's
        const TestAppFolder source;
        source.addMappings(sounds);
        for (int i = 0; i < sounds; ++i)
            writeFile(source.soundFolderPath() + QStringLiteral("/f%1.mp3").arg(i), "s");
        QCOMPARE(packTable(source.path(), packPath(), fakeVerdict).soundsStored, sounds);
        const TestAppFolder target;
        QCOMPARE(unpackTable(packPath(), target.path(), UnpackMode::Merge, fakeVerdict).rowsAdded, sounds);
    }

    // The table an unpack leaves must load as the program loads it: the bounds of a recordset
    // hold for the rows that stay and the pack's together.
    void unpackKeepsTheTableWithinItsBounds_data()
    {
        QTest::addColumn<BoundsCase>("c");
        const auto rowsToTheBound = [](const TestAppFolder& table) {
            table.addMappings(int(store::bounds::MaxRecordsetRows) - 1);
        };
        // 33 values of 999,000 characters: 2 MB short of the bound, as a recordset holds text (UTF-16).
        const auto bytesToTheBound = [](const TestAppFolder& table) {
            table.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33) "
                       "INSERT INTO Config SELECT 'big' || i, printf('%.*c', 999000, 'x') FROM n");
        };
        QTest::newRow("merge: one row past the row bound") << BoundsCase{.fillTable = rowsToTheBound, .packRows = 2};
        QTest::newRow("merge: up to the row bound") << BoundsCase{.fillTable = rowsToTheBound, .packRows = 1, .refused = false};
        QTest::newRow("replace: the old rows do not count")
            << BoundsCase{.fillTable = rowsToTheBound, .packRows = 2, .mode = UnpackMode::ReplaceTable, .refused = false};
        QTest::newRow("merge: past the bound of the values' bytes")
            << BoundsCase{.fillTable = bytesToTheBound, .packRows = 80, .keyLength = 8000};
    }
    void unpackKeepsTheTableWithinItsBounds()
    {
        QFETCH(BoundsCase, c);
        QByteArray table;
        for (int i = 0; i < c.packRows; ++i)
            table += QByteArray::number(i).leftJustified(c.keyLength, 'p') + "\tk.mp3\n";
        writeFile(packPath(), rawZip(packOf(table, {soundK})));
        const TestAppFolder target;
        c.fillTable(target);
        const auto before = stateOf(target);
        const std::optional<Error> error =
            errorOf([&] { unpackTable(packPath(), target.path(), c.mode, fakeVerdict); });
        QCOMPARE(error.value_or(Error(0, {})).number(), c.refused ? ErrorNumber::TableRefused : 0);
        if (c.refused)
            QCOMPARE(stateOf(target), before);
        else  // throws unless it loads
            store::Recordset().Open(store::editorStatement(), openStore(target.path()));
    }

    void accidentChangesNothing_data()
    {
        QTest::addColumn<AccidentCase>("c");
        QTest::newRow("no room for the last bytes of a staged sound")
            << AccidentCase{.soundBytes = 16000, .fileSizeLimit = 13500};  // the table file is smaller: only the sound meets the limit
        QTest::newRow("COMMIT refused: another program reads the table") << AccidentCase{.tableBeingRead = true};
        QTest::newRow("a trigger refuses a row") << AccidentCase{.refusingTrigger = true};
    }
    // The sounds go in before the rows: when the rows cannot be written, the sounds (and the
    // folders made for them) come out again and the old rows stay.
    void accidentChangesNothing()
    {
        QFETCH(AccidentCase, c);
        writeFile(packPath(), rawZip(packOf("j\tnew/k.mp3\nk\tnew/k.mp3\n", {{.name = "MP3/new/k.mp3", .data = QByteArray(c.soundBytes, 'k')}})));
        const TestAppFolder target(TestAppFolder::WithDatabase, TestAppFolder::UsersOwnFolder);  // runs triggers
        fill(target, {{"a", "a.mp3"}}, {{"a.mp3", "a"}});
        if (c.refusingTrigger)
            target.exec("CREATE TRIGGER no BEFORE INSERT ON Config WHEN NEW.键位 = 'k' BEGIN SELECT RAISE(ABORT, 'no'); END");
        const auto before = stateOf(target);
        RawDatabase reader(target.databasePath());
        if (c.tableBeingRead)
            reader.exec("BEGIN; SELECT count(*) FROM Config;");
        const FileSizeLimit limit(c.fileSizeLimit);
        QVERIFY(errorOf([&] { replaceTable(target); }).has_value());
        QCOMPARE(stateOf(target), before);
    }

    // An unpack killed while it stages its sounds leaves its hidden folder in MP3/; the next
    // unpack removes it, and only it: the folder of an unpack going on at the same time stays.
    void killedUnpackIsClearedByTheNext_data()
    {
        QTest::addColumn<int>("staged");
        for (int staged : {1, 3})
            QTest::addRow("killed at sound %d of 3", staged) << staged;
    }
    void killedUnpackIsClearedByTheNext()
    {
        QFETCH(int, staged);
        writeFile(packPath(), rawZip(packOf("a\ta.mp3\nb\tb.mp3\nc\tc.mp3\n", {{.name = "MP3/a.mp3"}, {.name = "MP3/b.mp3"}, {.name = "MP3/c.mp3"}})));
        const TestAppFolder target;
        int verified = 0;
        const auto stopAtTheMoment = [&](const QString&) -> std::optional<QString> {
            if (++verified == staged)
                ::pause();  // until killed
            return std::nullopt;
        };
        const auto stagedFiles = [&] {
            const QStringList folders = QDir(target.soundFolderPath()).entryList({".kspack-*"}, QDir::Dirs | QDir::Hidden);
            return folders.isEmpty() ? 0 : int(filesBelow(target.soundFolderPath() + "/" + folders.first()).size());
        };
        QVERIFY(test::killChildWhen(
            [&] { unpackTable(packPath(), target.path(), UnpackMode::Merge, stopAtTheMoment); },
            [&] { return stagedFiles() >= staged; }));
        QCOMPARE(filesBelow(target.soundFolderPath()).size(), staged + 1);  // the folder and its sounds
        const platform::StagingFolder concurrent(target.soundFolderPath(), ".kspack-");

        unpackTable(packPath(), target.path(), UnpackMode::Merge, fakeVerdict);
        QCOMPARE(QDir(target.soundFolderPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{QFileInfo(concurrent.path()).fileName(), "a.mp3", "b.mp3", "c.mp3"}));
        QCOMPARE(mappingsIn(target.databasePath()).size(), 3);
    }
};

QTEST_GUILESS_MAIN(PackTest)
#include "tst_pack.moc"
