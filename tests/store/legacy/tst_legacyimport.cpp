#include "StoreTestSupport.h"

#include "store/SchemaWriter.h"
#include "store/legacy/JetReaderProcess.h"
#include "store/legacy/JetStream.h"
#include "store/legacy/LegacyImport.h"
#include "store/legacy/LegacyImportTables.h"
#include "store/legacy/LegacyText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace keysound;
using namespace keysound::store;
using namespace keysound::test;

namespace {
using Conversion = std::function<QString()>;

// A text value as the reading process hands it over.
Conversion handedOver(const QString& text)
{
    return [=] {
        QByteArray stream;
        const jetstream::Sink sink = [&](const QByteArray& bytes) { stream += bytes; };
        jetstream::writeFormat(sink, DatabaseFormat::Jet4);
        jetstream::writeTable(sink, {"Config", {{"键", JetColumnKind::Text, 10}}, 1, 0});
        jetstream::writeRow(sink, {text});
        jetstream::writeEnd(sink);
        return jetstream::parse(stream).value().database.value().tables.value(0).rows.value(0).value(0).toString();
    };
}
using Expected = std::optional<QString>;
const Expected refused;  // the conversion throws

using Rows = QList<QVariantList>;

struct TakenNames {  // names taken before the import
    QString sample;
    QStringList files = {};
    QStringList folders = {};
    QStringList danglingLinks = {};
    std::optional<QString> backup = {};  // the original's new name; none: none is left, the import fails
};

struct Temporary {  // a file beside db1.mdb when it is opened
    QString name;
    int ageSeconds;
    bool removed;
};

enum class Limit { Time, Output };
// A damaged file, or a reader that misbehaves.
struct Refusal {
    QString sample = QStringLiteral("legacy-db1.mdb");
    std::optional<qint64> resizeTo = {};    // the file cut short or lengthened to this size
    std::optional<QByteArray> reader = {};  // a shell script in place of the reading process
    std::optional<Limit> limit = {};        // the one the message names
};
}  // namespace

Q_DECLARE_METATYPE(Conversion)
Q_DECLARE_METATYPE(TakenNames)
Q_DECLARE_METATYPE(Temporary)
Q_DECLARE_METATYPE(Refusal)

// What the application is told of imports.
struct RecordingObserver : LegacyImportObserver {
    QList<LegacyImportPhase> phases;
    QList<LegacyImportReport> notifications;
    void importActivity(const LegacyImportActivity& activity) override { phases.append(activity.phase); }
    void imported(const LegacyImportReport& report) override { notifications.append(report); }
};

class LegacyImportTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    RecordingObserver observer_;
    QString dbPath() const { return dir_->filePath(QStringLiteral("db1.mdb")); }
    void open() { Connection(&observer_).Open(QStringLiteral("Data Source=%1").arg(dbPath())); }
    QStringList entries() const
    {
        return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        observer_ = {};
    }

    void values_data()
    {
        QTest::addColumn<Conversion>("conversion");
        QTest::addColumn<Expected>("expected");
        const QString bomKey = QStringLiteral("\uFEFFkey");  // from a char literal, fromUtf8 would drop it here already
        const auto row = [](const char* name, const Expected& expected, const Conversion& conversion) {
            QTest::newRow(name) << conversion << expected;
        };
        using legacy::decodeJet3Text, legacy::decodeJet4Text, legacy::jetDateTimeToIso;
        // Compressed runs and the UTF-16 runs between them: the Unicode sample of importedContent.
        row("Jet 4: half a character at the end is dropped", "a",
            [] { return decodeJet4Text(QByteArray::fromHex("FFFE 61 00 41")); });
        row("Jet 3: 936 Chinese", "好", [] { return decodeJet3Text("\xBA\xC3", 936); });
        row("Jet 3: no code page recorded reads as 1252, not as 1250", "vàr",
            [] { return decodeJet3Text("v\xE0r", 0); });
        row("Jet 3: unknown code page is refused", refused, [] { return decodeJet3Text("x", 65123); });
        row("date: before 1899 the fraction counts forward", "1899-12-29T06:00:00",
            [] { return jetDateTimeToIso(-1.25); });
        row("date: no calendar date keeps the number", "1e+300", [] { return jetDateTimeToIso(1.0e300); });
        row("smallest currency", "-922337203685477.5808",
            [] { return legacy::jetCurrencyToText(std::numeric_limits<qint64>::min()); });
        row("handed over: a leading U+FEFF is part of the text", bomKey, handedOver(bomKey));
    }
    void values()
    {
        QFETCH(Conversion, conversion);
        QFETCH(Expected, expected);
        QString value;  // stays empty when refused
        QCOMPARE(errorNumberOf([&] { value = conversion(); }), expected ? 0 : ErrorNumber::LegacyImportFailed);
        QCOMPARE(value, expected.value_or(QString()));
    }

    void importedContent_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("query");
        QTest::addColumn<Rows>("expected");  // values and their types
        QString everyLatin1;
        for (char16_t c = 1; c <= 0xFF; ++c)
            everyLatin1 += QChar(c);
        Rows unicodeRows;
        for (const QString& text : QStringList{
                 "only ascii chars", "ääkkösiä", "Мир",
                 "\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1",
                 "漢字仮名交じり文", "3L9\u001D52\u0002_AB(\u00A5\u0005!!V", "ümlaut", everyLatin1})
            unicodeRows.append({qint64(unicodeRows.size() + 1), text});
        // clang-format off
        QTest::newRow("Config equals legacy-db1.csv")
            << "legacy-db1.mdb" << "SELECT 键位, 文件名 FROM Config ORDER BY rowid" << expectedConfigRows();
        QTest::newRow("Unicode sample keeps every character")
            << "testUnicodeCompV2003.mdb" << "SELECT ID, \"Unicode\" FROM \"Table\"" << unicodeRows;
        QTest::newRow("Jet 3 sample keeps its tables") << "testV1997.mdb"
            << "SELECT name FROM sqlite_schema WHERE type = 'table' "
               "UNION ALL SELECT count(*) FROM pragma_table_info('Table2')"
            << Rows{{"Table1"}, {"Table2"}, {"Table3"}, {"Table4"}, {"Config"}, {qint64(89)}};
        QTest::newRow("Jet 3 sample keeps its values") << "testV1997.mdb" << "SELECT * FROM Table1 ORDER BY rowid"
            << Rows{{"a", "b", qint64(0), qint64(0), qint64(0), 0.0, "1981-12-12T00:00:00", "0.0000", qint64(0)},
                    {"abcdefg", "hijklmnop", qint64(2), qint64(222), qint64(333333333), 444.555, "1974-09-21T00:00:00",
                     "3.5000", qint64(1)}};
        // clang-format on
    }
    void importedContent()
    {
        QFETCH(QString, sample);
        QFETCH(QString, query);
        QFETCH(Rows, expected);
        const QString path = copySample(sample, dir_->path());
        ensureSqliteDatabase(path, &observer_);
        const Rows rows = RawDatabase(path).rows(query);
        QCOMPARE(rows, expected);
        for (int r = 0; r < rows.size(); ++r)  // NULL is no empty text, a number no text
            for (int c = 0; c < rows[r].size(); ++c)
                QCOMPARE(rows[r][c].typeId(), expected[r][c].typeId());
    }

    // Config keeps its columns where the legacy file had them; the key column still compares
    // ignoring case and has its index, and a missing mapping column is added at the end.
    void mappingTableKeepsColumnOrder_data()
    {
        QTest::addColumn<QStringList>("legacyColumns");
        QTest::addColumn<QStringList>("importedColumns");
        QTest::addColumn<QString>("found");  // the file name a lookup of the row's key finds
        const QStringList keyAndFileBetweenOthers{"ID", "键位", "备注ID", "文件名", "备注"};
        QTest::newRow("key and file between other columns")
            << keyAndFileBetweenOthers << keyAndFileBetweenOthers << "found.mp3";
        QTest::newRow("no file column") << QStringList{"键位", "ID"} << QStringList{"键位", "ID", "文件名"}
                                        << QString();
    }
    void mappingTableKeepsColumnOrder()
    {
        QFETCH(QStringList, legacyColumns);
        QFETCH(QStringList, importedColumns);
        QFETCH(QString, found);
        const QHash<QString, QString> values{{"键位", "Key"}, {"文件名", "found.mp3"}};  // others: their name
        JetTableData config{{QStringLiteral("Config"), {}, 1, 0}, {{}}};
        for (const QString& name : legacyColumns) {
            config.table.columns.append({name, JetColumnKind::Text, 100});
            config.rows[0].append(values.value(name, name));
        }
        SchemaWriter writer(dbPath());
        copyJetTables(JetDatabase{DatabaseFormat::Jet4, {config}}, writer);
        writer.commit(SchemaWriter::Placement::KeepExisting);
        QCOMPARE(RawDatabase(dbPath()).rows("SELECT group_concat(name, ',') FROM pragma_table_info('Config')"),
                 Rows{{importedColumns.join(u',')}});
        QCOMPARE(RawDatabase(dbPath()).rows("SELECT name FROM pragma_index_list('Config')"), Rows{{"Config_键位"}});
        QCOMPARE(lookUp(dir_->path(), QStringLiteral("KEY")), QStringList{found});
    }

    void originalIsKeptUnderAFreshName_data()
    {
        QTest::addColumn<TakenNames>("c");
        const auto row = [](const char* name, const TakenNames& c) { QTest::newRow(name) << c; };
        row("an earlier backup, a folder and a dangling link are skipped",
            {.sample = "legacy-db1.mdb",
             .files = {"db1.jet4-original.mdb"},
             .folders = {"db1.jet4-original-2.mdb"},
             .danglingLinks = {"db1.jet4-original-3.mdb"},
             .backup = "db1.jet4-original-4.mdb"});
        row("Jet 3 says so in its name",
            {.sample = "testV1997.mdb", .files = {"db1.jet4-original.mdb"}, .backup = "db1.jet3-original.mdb"});
        QStringList all{"db1.jet4-original.mdb"};
        for (int n = 2; n <= 100; ++n)
            all.append(QStringLiteral("db1.jet4-original-%1.mdb").arg(n));
        row("every name taken: a clear error, not an endless search",
            {.sample = "legacy-db1.mdb", .danglingLinks = all});
    }
    void originalIsKeptUnderAFreshName()
    {
        QFETCH(TakenNames, c);
        for (const QString& name : c.files)
            writeFile(dir_->filePath(name), "earlier");
        for (const QString& name : c.folders)
            QVERIFY(QDir(dir_->path()).mkdir(name));
        for (const QString& name : c.danglingLinks)
            QCOMPARE(::symlink("gone", QFile::encodeName(dir_->filePath(name)).constData()), 0);
        QStringList expectedEntries = entries() << QStringLiteral("db1.mdb");
        const QByteArray original = fileBytes(copySample(c.sample, dir_->path()));
        const auto shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(dbPath(), shared));
        const mode_t umask = ::umask(077);  // a temporary file's mode: the backup must not keep it
        const auto error = errorOf([&] { ensureSqliteDatabase(dbPath(), &observer_); });
        ::umask(umask);
        if (c.backup) {
            QVERIFY2(!error, qPrintable(error.value_or(Error(0, {})).description()));
            QCOMPARE(fileBytes(dir_->filePath(*c.backup)), original);
            // as readable as the original, whatever the umask
            QCOMPARE(QFile::permissions(dir_->filePath(*c.backup)), shared | QFile::ReadUser | QFile::WriteUser);
            expectedEntries << *c.backup;
            ensureSqliteDatabase(dbPath(), &observer_);  // finds the imported file: nobody is told again
            QCOMPARE(observer_.phases.value(0), LegacyImportPhase::Started);
            QCOMPARE(observer_.phases.count(LegacyImportPhase::Finished), 1);
            QCOMPARE(observer_.phases.constLast(), LegacyImportPhase::Finished);
            QCOMPARE(observer_.notifications.size(), 1);
            const QString told = legacyImportMessage(observer_.notifications.first());
            QVERIFY2(told.contains(dir_->filePath(*c.backup)), qPrintable(told));
        } else {
            QCOMPARE(error.value_or(Error(0, {})).number(), ErrorNumber::FileAccess);
            QVERIFY2(error->description().contains(dbPath()), qPrintable(error->description()));
            QCOMPARE(fileBytes(dbPath()), original);
        }
        expectedEntries.sort();
        QCOMPARE(entries(), expectedEntries);  // no temporary left over, nothing taken was touched
    }

    void staleTemporariesAreRemovedAtOpen_data()
    {
        QTest::addColumn<Temporary>("t");
        const auto row = [](const char* name, const Temporary& t) { QTest::newRow(name) << t; };
        row("an interrupted import's new file", {.name = ".db1.mdb.new-a1B2c3", .ageSeconds = 3600, .removed = true});
        row("an interrupted backup copy", {.name = ".db1.mdb.original-Xy9Z0q", .ageSeconds = 3600, .removed = true});
        row("one an import may still be writing", {.name = ".db1.mdb.new-a1B2c3", .ageSeconds = 0, .removed = false});
        row("another database's", {.name = ".db2.mdb.new-a1B2c3", .ageSeconds = 3600, .removed = false});
        row("the user's own file that begins like one",
            {.name = ".db1.mdb.new-backup1", .ageSeconds = 3600, .removed = false});
    }
    void staleTemporariesAreRemovedAtOpen()
    {
        QFETCH(Temporary, t);
        createMappingDatabase(dbPath());
        QFile file(writeFile(dir_->filePath(t.name), {}));
        QVERIFY(file.open(QIODevice::Append));
        const QDateTime modified = QDateTime::currentDateTime().addSecs(-t.ageSeconds);
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();
        open();
        QCOMPARE(QFileInfo::exists(file.fileName()), !t.removed);
    }

    // A clear error within the reader's time limit, the file untouched, nothing left beside it,
    // nobody told of an import.
    void refusedInTime_data()
    {
        QTest::addColumn<Refusal>("r");
        const auto row = [](const char* name, const Refusal& r) { QTest::newRow(name) << r; };
        row("cut short", {.resizeTo = 12288});
        const QDir damaged(QDir(jetFixturesDir()).filePath(QStringLiteral("damaged")));
        for (const QString& name : damaged.entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name))
            row(qPrintable(name), {.sample = "damaged/" + name});
        row("reader crashes", {.reader = "kill -SEGV $$"});
        row("reader hangs", {.reader = "exec sleep 60", .limit = Limit::Time});
        row("reader floods its diagnostics", {.reader = "exec yes libmdb-warning >&2", .limit = Limit::Time});
        // A large file: its limits leave room enough for the flood to meet the output limit on a busy machine.
        row("reader writes without end", {.resizeTo = 8 << 20, .reader = "exec cat /dev/zero", .limit = Limit::Output});
        row("reader stops in the middle of a table", {.reader = "printf 'J\\004T\\001\\000'"});
        row("reader claims success after a failure", {.reader = "printf 'F\\000\\000\\000\\000'"});
    }
    void refusedInTime()
    {
        QFETCH(Refusal, r);
        copySample(r.sample, dir_->path());
        if (r.resizeTo)
            QVERIFY(QFile::resize(dbPath(), *r.resizeTo));
        QStringList filesAfter{"db1.mdb"};
        const QByteArray realReader = qgetenv("KEYSOUND_JET_READER");
        if (r.reader) {
            const QString reader = writeFile(dir_->filePath("reader.sh"), "#!/bin/sh\n" + *r.reader + "\n");
            QVERIFY(QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            qputenv("KEYSOUND_JET_READER", QFile::encodeName(reader));
            filesAfter << QStringLiteral("reader.sh");
        }
        const QByteArray before = fileBytes(dbPath());
        const ProcessLimits limits = jetReaderLimits(before.size());
        QElapsedTimer clock;
        clock.start();
        const auto error = errorOf([&] { open(); });
        qputenv("KEYSOUND_JET_READER", realReader);
        QCOMPARE_LT(clock.elapsed(), limits.wallClockMs + 10000);  // ended by its limit, however busy the machine
        QCOMPARE(error.value_or(Error(0, {})).number(), ErrorNumber::UnrecognizedFormat);
        QVERIFY2(error->description().contains(dbPath()), qPrintable(error->description()));
        const QString reason = error->description().section(dbPath(), 1);
        if (r.limit == Limit::Time)
            QVERIFY2(reason.contains(QString::number(limits.wallClockMs / 1000.0, 'f', 1)), qPrintable(reason));
        if (r.limit == Limit::Output)
            QVERIFY2(reason.contains(QString::number(limits.outputBytes / (1024 * 1024))), qPrintable(reason));
        QCOMPARE(fileBytes(dbPath()), before);
        QCOMPARE(filesIn(dir_->path()), filesAfter);
        QVERIFY(observer_.notifications.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LegacyImportTest)
#include "tst_legacyimport.moc"
