#include "store/LegacyImport.h"

#include "LegacySamples.h"
#include "platform/Error.h"
#include "store/Connection.h"
#include "store/Statements.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>
#include <unistd.h>

using namespace keysound;
using namespace keysound::store;
using namespace keysound::test::legacy;

class TestLegacyImport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void importedConfigEqualsTheListedRows();
    void configGetsTheProgramsSchema();
    void lookupAfterOpeningFindsTheFirstMatchingRow_data();
    void lookupAfterOpeningFindsTheFirstMatchingRow();
    void notesTableSurvives();
    void unicodeSampleKeepsEveryCharacter();
    void jet3SampleKeepsTablesAndValues();
    void originalIsKeptUnderAFreshName_data();
    void originalIsKeptUnderAFreshName();
    void userIsToldOnce();
    void refusedFileIsLeftUntouched_data();
    void refusedFileIsLeftUntouched();
    void unwritableFolderLeavesTheOriginal();
    void importToNewFileRefusesWhatItCannotDo_data();
    void importToNewFileRefusesWhatItCannotDo();

private:
    QString dbPath() const { return dir_->filePath(QStringLiteral("db1.mdb")); }
    QString importSample(const QString& sample);
    std::unique_ptr<QTemporaryDir> dir_;
    QList<LegacyImportReport> notifications_;
};

void TestLegacyImport::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    notifications_.clear();
    setLegacyImportNotifier([this](const LegacyImportReport& report) { notifications_.append(report); });
}

void TestLegacyImport::cleanup()
{
    setLegacyImportNotifier({});
}

QString TestLegacyImport::importSample(const QString& sample)
{
    const QString path = copySample(sample, dir_->path(), QStringLiteral("db1.mdb"));
    importLegacyDatabaseIfNeeded(path, detectDatabaseFormat(path));
    return path;
}

void TestLegacyImport::importedConfigEqualsTheListedRows()
{
    const QString path = importSample(QStringLiteral("legacy-db1.mdb"));
    QCOMPARE(detectDatabaseFormat(path), DatabaseFormat::Sqlite3);
    const QList<QVariantList> rows = queryRows(path, QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid"));
    const QList<QVariantList> expected = expectedConfigRows();
    QCOMPARE(rows.size(), expected.size());
    for (int i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < 2; ++c) {
            QVERIFY2(rows.at(i).at(c).isValid() == expected.at(i).at(c).isValid(),
                     qPrintable(QStringLiteral("row %1 column %2: NULL and empty text mixed up").arg(i + 1).arg(c)));
            QCOMPARE(rows.at(i).at(c), expected.at(i).at(c));
        }
    }
}

void TestLegacyImport::configGetsTheProgramsSchema()
{
    const QString path = importSample(QStringLiteral("legacy-db1.mdb"));
    const QList<QVariantList> schema = queryRows(
        path, QStringLiteral("SELECT type, name, sql FROM sqlite_schema WHERE tbl_name = 'Config' ORDER BY type DESC"));
    const QList<QVariantList> expected{
        {"table", "Config", "CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT)"},
        {"index", "Config_键位", "CREATE INDEX Config_键位 ON Config (键位)"},
    };
    QCOMPARE(schema, expected);
}

void TestLegacyImport::lookupAfterOpeningFindsTheFirstMatchingRow_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("upper B finds the first row keyed b") << "B" << "b.mp3";
    QTest::newRow("lower b finds the same row") << "b" << "b.mp3";
    QTest::newRow("upper Q with a folder part") << "Q" << "folder\\q.mp3";
    QTest::newRow("Chinese key") << "学习" << "学习 xuexi.mp3";
    QTest::newRow("apostrophe is bound, not pasted") << "DON'T" << "don't.mp3";
    QTest::newRow("non-ASCII letter in other case") << "ünter" << "umlaut.mp3";
    QTest::newRow("empty key") << "" << "empty-key.mp3";
}

// Through the program's own connection: opening a legacy db1.mdb imports it, then the
// program's lookup runs on the result.
void TestLegacyImport::lookupAfterOpeningFindsTheFirstMatchingRow()
{
    QFETCH(QString, key);
    QFETCH(QString, fileName);

    copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
    Connection connection;
    connection.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(dbPath()));
    QCOMPARE(detectDatabaseFormat(dbPath()), DatabaseFormat::Sqlite3);

    const Statement lookup = keyLookupStatement(key);
    sqlite3_stmt* statement = nullptr;
    QCOMPARE(sqlite3_prepare_v2(connection.handle(), lookup.sql.toUtf8().constData(), -1, &statement, nullptr), SQLITE_OK);
    for (int i = 0; i < lookup.parameters.size(); ++i) {
        const QByteArray utf8 = lookup.parameters.at(i).toString().toUtf8();
        sqlite3_bind_text(statement, i + 1, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
    }
    const int step = sqlite3_step(statement);
    const QString found = step == SQLITE_ROW
        ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)))
        : QStringLiteral("<no row>");
    sqlite3_finalize(statement);
    QCOMPARE(found, fileName);
}

void TestLegacyImport::notesTableSurvives()
{
    const QString path = importSample(QStringLiteral("legacy-db1.mdb"));
    const QList<QVariantList> expected{{qint64(1), "第一课"}, {qint64(2), "lesson two"}};
    QCOMPARE(queryRows(path, QStringLiteral("SELECT ID, Text FROM Notes ORDER BY rowid")), expected);
}

void TestLegacyImport::unicodeSampleKeepsEveryCharacter()
{
    const QString path = importSample(QStringLiteral("testUnicodeCompV2003.mdb"));
    const QList<QVariantList> rows = queryRows(path, QStringLiteral("SELECT ID, \"Unicode\" FROM \"Table\" ORDER BY rowid"));
    const QStringList expected = expectedUnicodeSampleTexts();
    QCOMPARE(rows.size(), expected.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).at(0), QVariant(qint64(i + 1)));
        QCOMPARE(rows.at(i).at(1), QVariant(expected.at(i)));
    }
}

void TestLegacyImport::jet3SampleKeepsTablesAndValues()
{
    const QString path = importSample(QStringLiteral("testV1997.mdb"));
    const QList<QVariantList> tables = queryRows(path, QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY rowid"));
    const QList<QVariantList> expectedTables{{"Table1"}, {"Table2"}, {"Table3"}, {"Table4"}, {"Config"}};
    QCOMPARE(tables, expectedTables);
    QCOMPARE(queryRows(path, QStringLiteral("SELECT count(*) FROM pragma_table_info('Table2')")).at(0).at(0), QVariant(qint64(89)));

    const QList<QVariantList> expectedRows{
        {"a", "b", qint64(0), qint64(0), qint64(0), 0.0, "1981-12-12T00:00:00", "0.0000", qint64(0)},
        {"abcdefg", "hijklmnop", qint64(2), qint64(222), qint64(333333333), 444.555, "1974-09-21T00:00:00", "3.5000", qint64(1)},
    };
    const QList<QVariantList> rows = queryRows(path, QStringLiteral("SELECT * FROM Table1 ORDER BY rowid"));
    QCOMPARE(rows.size(), expectedRows.size());
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < expectedRows.at(r).size(); ++c) {
            const QVariant& actual = rows.at(r).at(c);
            const QVariant& wanted = expectedRows.at(r).at(c);
            // Same value and same storage class: numbers must not arrive as text.
            QVERIFY2(actual.typeId() == wanted.typeId() && actual == wanted,
                     qPrintable(QStringLiteral("row %1 column %2: %3 (%4)").arg(r + 1).arg(c + 1).arg(actual.toString(), actual.typeName())));
        }
    }
}

void TestLegacyImport::originalIsKeptUnderAFreshName_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QStringList>("earlierBackups");
    QTest::addColumn<QString>("expectedBackup");

    QTest::newRow("first Jet 4 import") << "legacy-db1.mdb" << QStringList{} << "db1.jet4-original.mdb";
    QTest::newRow("an earlier backup is never overwritten")
        << "legacy-db1.mdb" << QStringList{"db1.jet4-original.mdb"} << "db1.jet4-original-2.mdb";
    QTest::newRow("numbering goes on past 2")
        << "legacy-db1.mdb" << QStringList{"db1.jet4-original.mdb", "db1.jet4-original-2.mdb"} << "db1.jet4-original-3.mdb";
    QTest::newRow("Jet 3 says so in its name") << "testV1997.mdb" << QStringList{"db1.jet4-original.mdb"} << "db1.jet3-original.mdb";
}

void TestLegacyImport::originalIsKeptUnderAFreshName()
{
    QFETCH(QString, sample);
    QFETCH(QStringList, earlierBackups);
    QFETCH(QString, expectedBackup);

    for (const QString& name : earlierBackups) {
        QFile earlier(dir_->filePath(name));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(name.toUtf8());
    }
    const QByteArray original = fileBytes(copySample(sample, dir_->path(), QStringLiteral("db1.mdb")));
    importLegacyDatabaseIfNeeded(dbPath(), detectDatabaseFormat(dbPath()));

    QCOMPARE(fileBytes(dir_->filePath(expectedBackup)), original);
    for (const QString& name : earlierBackups)
        QCOMPARE(fileBytes(dir_->filePath(name)), name.toUtf8());
    QStringList expectedFiles = earlierBackups;
    expectedFiles << QStringLiteral("db1.mdb") << expectedBackup;
    expectedFiles.sort();
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expectedFiles);  // no temporary left over
}

void TestLegacyImport::userIsToldOnce()
{
    copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
    const QString connectionString = QStringLiteral("Data Source=%1").arg(dbPath());
    Connection().Open(connectionString);
    Connection().Open(connectionString);  // the second opening finds an SQLite file

    QCOMPARE(notifications_.size(), 1);
    const LegacyImportReport& report = notifications_.first();
    QCOMPARE(report.format, DatabaseFormat::Jet4);
    QCOMPARE(report.databasePath, dbPath());
    QCOMPARE(report.backupPath, dir_->filePath(QStringLiteral("db1.jet4-original.mdb")));
    QCOMPARE(report.tables.size(), 2);
    QCOMPARE(report.tables.at(0).table, QStringLiteral("Config"));
    QCOMPARE(report.tables.at(0).rows, 13);
    QCOMPARE(report.tables.at(1).table, QStringLiteral("Notes"));
    QCOMPARE(report.tables.at(1).rows, 2);

    const QString message = legacyImportMessage(report);
    QVERIFY2(message.contains(report.backupPath) && message.contains(QStringLiteral("Jet 4")) && message.contains(QStringLiteral("15")),
             qPrintable(message));
}

void TestLegacyImport::refusedFileIsLeftUntouched_data()
{
    QTest::addColumn<QByteArray>("header");   // written over the start of a Jet 4 copy; empty: keep
    QTest::addColumn<qint64>("truncateTo");   // -1: keep the length
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("formatNamed");

    QByteArray ace("\x00\x01\x00\x00Standard ACE DB\x00\x02", 21);
    QTest::newRow("ACE (.accdb) file") << ace << qint64(-1) << ErrorNumber::UnrecognizedFormat << "ACE";
    QTest::newRow("text file") << QByteArray("just some text that is not a database") << qint64(-1)
                               << ErrorNumber::UnrecognizedFormat << "not one this program knows";
    QTest::newRow("empty file") << QByteArray() << qint64(0) << ErrorNumber::UnrecognizedFormat << "empty";
    QTest::newRow("Jet 4 file cut short") << QByteArray() << qint64(3 * 4096) << ErrorNumber::UnrecognizedFormat << "Jet 4";
    QTest::newRow("Jet 4 file with its catalog overwritten")
        << QByteArray() << qint64(-1) << ErrorNumber::UnrecognizedFormat << "Jet 4";
}

void TestLegacyImport::refusedFileIsLeftUntouched()
{
    QFETCH(QByteArray, header);
    QFETCH(qint64, truncateTo);
    QFETCH(int, errorNumber);
    QFETCH(QString, formatNamed);

    const QString path = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
    if (truncateTo >= 0)
        QVERIFY(QFile::resize(path, truncateTo));
    if (!header.isEmpty())
        overwriteBytes(path, 0, header);
    if (QByteArray(QTest::currentDataTag()).contains("catalog"))
        overwriteBytes(path, 2 * 4096, QByteArray(4096, '\xA5'));
    const QByteArray before = fileBytes(path);

    try {
        importLegacyDatabaseIfNeeded(path, detectDatabaseFormat(path));
        QFAIL("the file was accepted");
    } catch (const Error& error) {
        QCOMPARE(error.number(), errorNumber);
        QVERIFY2(error.description().contains(path) && error.description().contains(formatNamed),
                 qPrintable(error.description()));
    }
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("db1.mdb")});
    QVERIFY(notifications_.isEmpty());
}

void TestLegacyImport::unwritableFolderLeavesTheOriginal()
{
    if (::geteuid() == 0)
        QSKIP("file permissions do not bind the superuser");
    const QString path = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
    const QByteArray before = fileBytes(path);
    QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::ExeOwner);
    try {
        importLegacyDatabaseIfNeeded(path, DatabaseFormat::Jet4);
        QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFAIL("an import into a read-only folder succeeded");
    } catch (const Error& error) {
        QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(error.number(), ErrorNumber::ReadOnlyDatabase);
        QVERIFY2(error.description().contains(path), qPrintable(error.description()));
    }
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("db1.mdb")});
}

void TestLegacyImport::importToNewFileRefusesWhatItCannotDo_data()
{
    QTest::addColumn<bool>("sourceIsSqlite");
    QTest::addColumn<bool>("destinationExists");
    QTest::addColumn<QString>("named");

    QTest::newRow("destination already exists") << false << true << "already exists";
    QTest::newRow("source is already SQLite") << true << false << "already an SQLite 3 database";
}

void TestLegacyImport::importToNewFileRefusesWhatItCannotDo()
{
    QFETCH(bool, sourceIsSqlite);
    QFETCH(bool, destinationExists);
    QFETCH(QString, named);

    const QString source = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("old.mdb"));
    if (sourceIsSqlite)
        importLegacyDatabaseIfNeeded(source, DatabaseFormat::Jet4);
    const QString destination = dir_->filePath(QStringLiteral("new.db"));
    if (destinationExists) {
        QFile file(destination);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    const QByteArray sourceBefore = fileBytes(source);
    QVERIFY_THROWS_EXCEPTION(Error, importLegacyDatabaseFile(source, destination));
    try {
        importLegacyDatabaseFile(source, destination);
    } catch (const Error& error) {
        QVERIFY2(error.description().contains(named), qPrintable(error.description()));
    }
    QCOMPARE(fileBytes(source), sourceBefore);
    QCOMPARE(QFileInfo::exists(destination), destinationExists);
    if (destinationExists)
        QCOMPARE(fileBytes(destination), QByteArray("keep me"));
}

QTEST_GUILESS_MAIN(TestLegacyImport)
#include "tst_legacyimport.moc"
