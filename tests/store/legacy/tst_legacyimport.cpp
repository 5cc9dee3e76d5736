#include "StoreTestSupport.h"

#include "store/Connection.h"
#include "store/JetReader.h"
#include "store/LegacyImport.h"
#include "store/LegacyText.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace keysound;
using namespace keysound::store;
using namespace keysound::test;

namespace {
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(v));
    return result;
}
QByteArray utf16le(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}
}  // namespace

class TestLegacyImport : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QList<LegacyImportReport> notifications_;
    QString dbPath() const { return dir_->filePath(QStringLiteral("db1.mdb")); }
    QStringList filesInDir() const { return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        notifications_.clear();
        setLegacyImportNotifier([this](const LegacyImportReport& report) { notifications_.append(report); });
    }
    void cleanup() { setLegacyImportNotifier({}); }

    void text_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("codePage");   // -1: Jet 4 text
        QTest::addColumn<QString>("expected");  // null: refused
        QTest::newRow("Jet 4: compressed Latin-1") << bytes({0xFF, 0xFE, 0xDC, 'n'}) << -1 << "Ün";
        QTest::newRow("Jet 4: compressed, UTF-16 run, compressed") << bytes({0xFF, 0xFE, 'b', 0, 0x7D, 0x59, 0, '!'}) << -1 << "b好!";
        QTest::newRow("Jet 4: surrogate pair in a compressed text")
            << bytes({0xFF, 0xFE, 'k', 0, 0x3D, 0xD8, 0x01, 0xDE}) << -1 << QString::fromUcs4(U"k\U0001F601");
        QTest::newRow("Jet 4: half a character at the end is dropped") << bytes({0xFF, 0xFE, 'a', 0, 0x41}) << -1 << "a";
        QTest::newRow("Jet 3: 1251 Cyrillic") << bytes({0xCC, 0xE8, 0xF0}) << 1251 << "Мир";
        QTest::newRow("Jet 3: 936 Chinese") << bytes({0xBA, 0xC3}) << 936 << "好";
        QTest::newRow("Jet 3: byte undefined in 1252") << bytes({'a', 0x81, 'b'}) << 1252 << "a\uFFFDb";
        QTest::newRow("Jet 3: unknown code page is refused") << QByteArray("x") << 65123 << QString();
    }
    void text()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        QString decoded;
        const auto error = errorOf([&] { decoded = codePage < 0 ? legacy::decodeJet4Text(stored) : legacy::decodeJet3Text(stored, codePage); });
        QCOMPARE(decoded, expected);
        QCOMPARE(bool(error), expected.isNull());
        if (error)
            QVERIFY(error->number() == ErrorNumber::LegacyImportFailed && error->description().contains(QString::number(codePage)));
    }

    void numbers_data()
    {
        QTest::addColumn<QVariant>("value");  // double: a date, qint64: currency
        QTest::addColumn<QString>("expected");
        QTest::newRow("milliseconds kept") << QVariant(36526.0 + 0.25 / 86400.0) << "2000-01-01T00:00:00.250";
        QTest::newRow("before 1899 the fraction counts forward") << QVariant(-1.25) << "1899-12-29T06:00:00";
        QTest::newRow("almost midnight rounds into the next day") << QVariant(1.0 - 0.0001 / 86400.0) << "1899-12-31T00:00:00";
        QTest::newRow("no calendar date keeps the number") << QVariant(1.0e300) << "1e+300";
        QTest::newRow("largest currency") << QVariant::fromValue(std::numeric_limits<qint64>::max()) << "922337203685477.5807";
        QTest::newRow("smallest currency") << QVariant::fromValue(std::numeric_limits<qint64>::min()) << "-922337203685477.5808";
    }
    void numbers()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QCOMPARE(value.typeId() == QMetaType::Double ? legacy::jetDateTimeToIso(value.toDouble()) : legacy::jetCurrencyToText(value.toLongLong()),
                 expected);
    }

    void importedContent_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<QVariantList>>("expected");  // values and their types
        using Rows = QList<QVariantList>;
        QString everyLatin1;
        for (char16_t c = 1; c <= 0xFF; ++c)
            everyLatin1 += QChar(c);
        const QStringList unicode{"only ascii chars", "ääkkösiä", "Мир",
                                  "\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1",
                                  "漢字仮名交じり文", "3L9\u001D52\u0002_AB(\u00A5\u0005!!V", "ümlaut", everyLatin1};
        Rows unicodeRows;
        for (int i = 0; i < unicode.size(); ++i)
            unicodeRows.append({qint64(i + 1), unicode[i]});
        QTest::newRow("Config equals legacy-db1.csv") << "legacy-db1.mdb" << "SELECT 键位, 文件名 FROM Config ORDER BY rowid"
                                                      << expectedConfigRows();
        QTest::newRow("Config gets the program's schema")
            << "legacy-db1.mdb" << "SELECT type, name, sql FROM sqlite_schema WHERE tbl_name = 'Config' ORDER BY type DESC"
            << Rows{{"table", "Config", "CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT)"},
                    {"index", "Config_键位", "CREATE INDEX Config_键位 ON Config (键位)"}};
        QTest::newRow("Notes survives") << "legacy-db1.mdb" << "SELECT ID, Text FROM Notes ORDER BY rowid"
                                        << Rows{{qint64(1), "第一课"}, {qint64(2), "lesson two"}};
        QTest::newRow("Unicode sample keeps every character") << "testUnicodeCompV2003.mdb"
                                                              << "SELECT ID, \"Unicode\" FROM \"Table\" ORDER BY rowid" << unicodeRows;
        QTest::newRow("Jet 3 sample keeps its tables")
            << "testV1997.mdb" << "SELECT name FROM sqlite_schema WHERE type = 'table' UNION ALL SELECT count(*) FROM pragma_table_info('Table2')"
            << Rows{{"Table1"}, {"Table2"}, {"Table3"}, {"Table4"}, {"Config"}, {qint64(89)}};
        QTest::newRow("Jet 3 sample keeps its values")
            << "testV1997.mdb" << "SELECT * FROM Table1 ORDER BY rowid"
            << Rows{{"a", "b", qint64(0), qint64(0), qint64(0), 0.0, "1981-12-12T00:00:00", "0.0000", qint64(0)},
                    {"abcdefg", "hijklmnop", qint64(2), qint64(222), qint64(333333333), 444.555, "1974-09-21T00:00:00", "3.5000", qint64(1)}};
        // "lookup:<key>": the file names the program's lookup finds after opening the imported file
        QTest::newRow("lookup of B finds the first b/B row first") << "legacy-db1.mdb" << "lookup:B"
                                                                   << Rows{{"b.mp3"}, {"B upper.mp3"}, {"b second.mp3"}};
        QTest::newRow("lookup of a non-ASCII letter in other case") << "legacy-db1.mdb" << "lookup:ünter" << Rows{{"umlaut.mp3"}};
        QTest::newRow("lookup of the empty key, not the NULL one") << "legacy-db1.mdb" << "lookup:" << Rows{{"empty-key.mp3"}};
    }
    void importedContent()
    {
        QFETCH(QString, sample);
        QFETCH(QString, query);
        QFETCH(QList<QVariantList>, expected);
        const QString path = copySample(sample, dir_->path(), QStringLiteral("db1.mdb"));
        importLegacyDatabaseIfNeeded(path, detectDatabaseFormat(path));
        QCOMPARE(detectDatabaseFormat(path), DatabaseFormat::Sqlite3);
        QList<QVariantList> rows;
        if (query.startsWith("lookup:")) {
            for (const QString& file : lookUp(dir_->path(), query.mid(7)))
                rows.append({file});
        } else {
            rows = RawDatabase(path).rows(query);
        }
        QCOMPARE(rows, expected);
        for (int r = 0; r < rows.size(); ++r)  // NULL is no empty text, a number no text
            for (int c = 0; c < rows[r].size(); ++c)
                QVERIFY2(rows[r][c].typeId() == expected[r][c].typeId(), qPrintable(QStringLiteral("row %1 column %2").arg(r + 1).arg(c + 1)));
    }

    void originalIsKeptUnderAFreshName_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QStringList>("earlierBackups");
        QTest::addColumn<QString>("expectedBackup");
        QTest::newRow("first Jet 4 import") << "legacy-db1.mdb" << QStringList{} << "db1.jet4-original.mdb";
        QTest::newRow("earlier backups are never overwritten")
            << "legacy-db1.mdb" << QStringList{"db1.jet4-original.mdb", "db1.jet4-original-2.mdb"} << "db1.jet4-original-3.mdb";
        QTest::newRow("Jet 3 says so in its name") << "testV1997.mdb" << QStringList{"db1.jet4-original.mdb"} << "db1.jet3-original.mdb";
    }
    void originalIsKeptUnderAFreshName()
    {
        QFETCH(QString, sample);
        QFETCH(QStringList, earlierBackups);
        QFETCH(QString, expectedBackup);
        for (const QString& name : earlierBackups)
            overwriteBytes(dir_->filePath(name), 0, name.toUtf8());  // creates it
        const QByteArray original = fileBytes(copySample(sample, dir_->path(), QStringLiteral("db1.mdb")));
        importLegacyDatabaseIfNeeded(dbPath(), detectDatabaseFormat(dbPath()));
        QCOMPARE(fileBytes(dir_->filePath(expectedBackup)), original);
        for (const QString& name : earlierBackups)
            QCOMPARE(fileBytes(dir_->filePath(name)), name.toUtf8());
        QStringList expectedFiles = earlierBackups << QStringLiteral("db1.mdb") << expectedBackup;
        expectedFiles.sort();
        QCOMPARE(filesInDir(), expectedFiles);  // no temporary left over
    }

    void userIsToldOnce()
    {
        copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
        Connection().Open(QStringLiteral("Data Source=%1").arg(dbPath()));
        Connection().Open(QStringLiteral("Data Source=%1").arg(dbPath()));  // the second finds an SQLite file
        QCOMPARE(notifications_.size(), 1);
        const LegacyImportReport& report = notifications_.first();
        QVERIFY(report.format == DatabaseFormat::Jet4 && report.databasePath == dbPath());
        QCOMPARE(report.backupPath, dir_->filePath(QStringLiteral("db1.jet4-original.mdb")));
        QVERIFY(report.tables.size() == 2 && report.tables[0].table == "Config" && report.tables[0].rows == 13 &&
                report.tables[1].table == "Notes" && report.tables[1].rows == 2);
        const QString message = legacyImportMessage(report);
        QVERIFY2(message.contains(report.backupPath) && message.contains("Jet 4") && message.contains("15"), qPrintable(message));
    }

    void refusedFileIsLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("header");  // written over the start of a Jet 4 copy
        QTest::addColumn<qint64>("truncateTo");  // -1: keep the length
        QTest::addColumn<qint64>("damageAt");    // a page overwritten there; -1: none
        QTest::addColumn<QString>("formatNamed");
        QTest::newRow("ACE file") << QByteArray("\x00\x01\x00\x00Standard ACE DB\x00\x02", 21) << qint64(-1) << qint64(-1) << "ACE";
        QTest::newRow("text file") << QByteArray("just some text") << qint64(14) << qint64(-1) << "not one this program knows";
        QTest::newRow("empty file") << QByteArray() << qint64(0) << qint64(-1) << "empty";
        QTest::newRow("Jet 4 file cut short") << QByteArray() << qint64(3 * 4096) << qint64(-1) << "Jet 4";
        QTest::newRow("Jet 4 file with its catalog overwritten") << QByteArray() << qint64(-1) << qint64(2 * 4096) << "Jet 4";
    }
    void refusedFileIsLeftUntouched()
    {
        QFETCH(QByteArray, header);
        QFETCH(qint64, truncateTo);
        QFETCH(qint64, damageAt);
        QFETCH(QString, formatNamed);
        const QString path = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
        if (truncateTo >= 0)
            QVERIFY(QFile::resize(path, truncateTo));
        overwriteBytes(path, 0, header);
        if (damageAt >= 0)
            overwriteBytes(path, damageAt, QByteArray(4096, '\xA5'));
        const QByteArray before = fileBytes(path);
        const auto error = errorOf([&] { importLegacyDatabaseIfNeeded(path, detectDatabaseFormat(path)); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::UnrecognizedFormat);
        QVERIFY2(error->description().contains(path) && error->description().contains(formatNamed), qPrintable(error->description()));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(filesInDir(), QStringList{"db1.mdb"});
        QVERIFY(notifications_.isEmpty());
    }

    // Whatever page is lost, the reader says so, naming the file, or still returns exactly the
    // original rows: never a silently shortened or garbled table.
    void everyDamagedPageIsDetectedOrHarmless()
    {
        const auto everyRow = [](const QString& path) {
            const JetReader reader(path);
            QList<QVariantList> rows;
            for (const JetTable& table : reader.tables())
                reader.readRows(table, [&](const QVariantList& row) { rows.append(QVariantList{table.name} + row); });
            return rows;
        };
        const QString original = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path());
        const QList<QVariantList> intact = everyRow(original);
        int detected = 0;
        for (qint64 page = 1; page < QFileInfo(original).size() / 4096; ++page) {
            const QString path = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("page%1.mdb").arg(page));
            overwriteBytes(path, page * 4096, QByteArray(4096, '\xA5'));
            const auto error = errorOf([&] { QCOMPARE(everyRow(path), intact); });
            QVERIFY2(!error || error->description().contains(path), qPrintable(error ? error->description() : QString()));
            detected += error ? 1 : 0;
        }
        QVERIFY2(detected >= 3, "the damage of the catalog, table definitions and data pages went unnoticed");
    }
};

QTEST_GUILESS_MAIN(TestLegacyImport)
#include "tst_legacyimport.moc"
