#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include "store/ConnectionString.h"
#include "store/LegacyFormat.h"
#include "store/Statements.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace keysound;
using namespace keysound::store;
using keysound::test::TestAppFolder;

namespace {

QByteArray jetHeader(const char* name, char version)
{
    QByteArray header("\x00\x01\x00\x00", 4);
    header += QByteArray(name, 16);
    header += version;
    return header + QByteArray(200, '\0');
}

QByteArray sqliteMagic()
{
    return QByteArray("SQLite format 3\0", 16);
}

}  // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void opensTheFileNamedByDataSource()
    {
        TestAppFolder folder;
        const ConnectionPtr connection = test::openStore(folder.path());
        QVERIFY(connection->isOpen());
        QCOMPARE(connection->dataSourcePathText(), databasePathText(folder.path()));
    }

    void opensFoldersTheSyntaxWouldSplit_data()
    {
        QTest::addColumn<QString>("subfolder");
        QTest::newRow("semicolon") << "a;b";
        QTest::newRow("double quote") << "say \"hi\"";
        QTest::newRow("trailing blank") << "keys ";
        QTest::newRow("chinese") << "按键音";
    }
    void opensFoldersTheSyntaxWouldSplit()
    {
        QFETCH(QString, subfolder);
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        const QString path = QDir(folder.path()).filePath(subfolder);
        QVERIFY(QDir().mkpath(path));
        test::createMappingDatabase(QDir(path).filePath(QStringLiteral("db1.mdb")));
        test::RawDatabase(QDir(path).filePath(QStringLiteral("db1.mdb"))).exec(QStringLiteral("INSERT INTO Config VALUES ('a', 'x.mp3')"));

        Recordset lookup;
        lookup.Open(keyLookupStatement(QStringLiteral("a")), test::openStore(path));
        QCOMPARE(lookup.RecordCount(), 1);
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("content");  // "<missing>" or "<folder>" for no file
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("missing file") << QByteArray("<missing>") << ErrorNumber::DatabaseNotFound << "Could not find file";
        QTest::newRow("folder instead of file") << QByteArray("<folder>") << ErrorNumber::DatabaseNotFound << "Could not find file";
        QTest::newRow("empty file") << QByteArray() << ErrorNumber::UnrecognizedFormat << "empty";
        QTest::newRow("text file") << QByteArray("key,file\na,a.mp3\n") << ErrorNumber::UnrecognizedFormat << "unknown";
        QTest::newRow("ACE header") << jetHeader("Standard ACE DB\0", 2) << ErrorNumber::UnrecognizedFormat << "ACE";
        QTest::newRow("damaged SQLite file") << sqliteMagic() + QByteArray(4000, '\x7f') << ErrorNumber::UnrecognizedFormat << "not a database";
    }
    void openFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, number);
        QFETCH(QString, mentions);
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        if (content == "<folder>")
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("db1.mdb")));
        else if (content != "<missing>")
            folder.writeFile(QStringLiteral("db1.mdb"), content);

        Connection connection;
        const auto error = test::errorOf([&] { connection.Open(connectionStringFor(folder.path())); });
        QVERIFY(error);
        QCOMPARE(error->number(), number);
        QVERIFY2(error->description().contains(mentions), qPrintable(error->description()));
        QVERIFY2(error->description().contains(folder.path()), qPrintable(error->description()));
        QVERIFY(!connection.isOpen());
    }

    void missingFileMessageIsExact()
    {
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        Connection connection;
        const auto error = test::errorOf([&] { connection.Open(connectionStringFor(folder.path())); });
        QVERIFY(error);
        QCOMPARE(error->description(), QStringLiteral("Could not find file '%1'.").arg(databasePathText(folder.path())));
        QVERIFY(!QFile::exists(folder.databasePath()));  // never created
    }

    void jetFileIsImportedOrRefusedNamingIt()
    {
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        folder.writeFile(QStringLiteral("db1.mdb"), jetHeader("Standard Jet DB\0", 1));
        Connection connection;
        const auto error = test::errorOf([&] { connection.Open(connectionStringFor(folder.path())); });
        QVERIFY(error);  // a header without tables is no database, whoever reads it
        QVERIFY2(error->number() == ErrorNumber::UnrecognizedFormat || error->number() == ErrorNumber::LegacyImportFailed,
                 qPrintable(error->description()));
        QVERIFY2(error->description().contains(folder.path()), qPrintable(error->description()));
    }

    void connectionStringWithoutDataSourceFails()
    {
        Connection connection;
        const auto error = test::errorOf([&] { connection.Open(QStringLiteral("PROVIDER=MSDataShape;")); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::InvalidArgument);
    }

    void formatDetection_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<DatabaseFormat>("format");
        QTest::newRow("sqlite") << sqliteMagic() + QByteArray(100, '\0') << DatabaseFormat::Sqlite3;
        QTest::newRow("jet 3") << jetHeader("Standard Jet DB\0", 0) << DatabaseFormat::Jet3;
        QTest::newRow("jet 4") << jetHeader("Standard Jet DB\0", 1) << DatabaseFormat::Jet4;
        QTest::newRow("jet name, ACE version") << jetHeader("Standard Jet DB\0", 3) << DatabaseFormat::Ace;
        QTest::newRow("ACE") << jetHeader("Standard ACE DB\0", 2) << DatabaseFormat::Ace;
        QTest::newRow("jet name, wrong signature") << QByteArray("\x01\x01\x00\x00Standard Jet DB\0\x01", 21) << DatabaseFormat::Unknown;
        QTest::newRow("header cut short") << QByteArray("\x00\x01\x00\x00Standard Jet", 16) << DatabaseFormat::Unknown;
        QTest::newRow("sqlite magic cut short") << QByteArray("SQLite format") << DatabaseFormat::Unknown;
        QTest::newRow("empty") << QByteArray() << DatabaseFormat::Empty;
        QTest::newRow("text") << QByteArray("hello") << DatabaseFormat::Unknown;
    }
    void formatDetection()
    {
        QFETCH(QByteArray, content);
        QFETCH(DatabaseFormat, format);
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        const QString path = folder.writeFile(QStringLiteral("sample.bin"), content);
        QCOMPARE(formatName(detectDatabaseFormat(path)), formatName(format));
        QCOMPARE(detectDatabaseFormat(folder.path() + QStringLiteral("/absent.mdb")), DatabaseFormat::Missing);
    }

    void legacySamplesAreRecognised_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<DatabaseFormat>("format");
        QTest::newRow("Access 97") << "testV1997.mdb" << DatabaseFormat::Jet3;
        QTest::newRow("Access 2003") << "testUnicodeCompV2003.mdb" << DatabaseFormat::Jet4;
        QTest::newRow("program's own legacy file") << "legacy-db1.mdb" << DatabaseFormat::Jet4;
    }
    void legacySamplesAreRecognised()
    {
        QFETCH(QString, sample);
        QFETCH(DatabaseFormat, format);
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        const QString copy = QDir(folder.path()).filePath(sample);
        QVERIFY(QFile::copy(QDir(test::sharedTestDataDir()).filePath(QStringLiteral("jet/") + sample), copy));
        QCOMPARE(formatName(detectDatabaseFormat(copy)), formatName(format));
    }

    void readModeCannotWrite()
    {
        TestAppFolder folder;
        folder.addMapping(QStringLiteral("a"), QStringLiteral("a.mp3"));
        Recordset editor;
        editor.Open(editorStatement(), test::openStore(folder.path(), adModeRead));
        editor.setValue(QStringLiteral("文件名"), QStringLiteral("changed.mp3"));
        const auto updateError = test::errorOf([&] { editor.UpdateBatch(adAffectAll); });
        QVERIFY(updateError);
        QCOMPARE(updateError->number(), ErrorNumber::ReadOnlyDatabase);
        const auto deleteError = test::errorOf([&] { editor.Delete(adAffectCurrent); });
        QVERIFY(deleteError);
        QCOMPARE(deleteError->number(), ErrorNumber::ReadOnlyDatabase);
        QCOMPARE(editor.RecordCount(), 1);
        QCOMPARE(test::RawDatabase(folder.databasePath()).mappings(), QStringList{"a|a.mp3"});
    }

    void missingTableOrColumn_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<bool>("lookup");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("names");
        QTest::newRow("no Config table, editor") << "CREATE TABLE Other (x)" << false << ErrorNumber::TableNotFound << "Config";
        QTest::newRow("no Config table, lookup") << "CREATE TABLE Other (x)" << true << ErrorNumber::TableNotFound << "Config";
        QTest::newRow("no 键位 column, lookup") << "CREATE TABLE Config (文件名 TEXT)" << true << ErrorNumber::ItemNotFound << "键位";
        QTest::newRow("no 文件名 column, lookup") << "CREATE TABLE Config (键位 TEXT)" << true << ErrorNumber::ItemNotFound << "文件名";
        QTest::newRow("no 文件名 column, editor") << "CREATE TABLE Config (键位 TEXT)" << false << ErrorNumber::ItemNotFound << "文件名";
    }
    void missingTableOrColumn()
    {
        QFETCH(QString, schema);
        QFETCH(bool, lookup);
        QFETCH(int, number);
        QFETCH(QString, names);
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        folder.exec(schema);  // creates the file
        if (schema.contains(QStringLiteral("键位 TEXT")))
            folder.exec(QStringLiteral("INSERT INTO Config VALUES ('a')"));
        const ConnectionPtr connection = test::openStore(folder.path());
        Recordset recordset;
        const auto error = test::errorOf([&] {
            recordset.Open(lookup ? keyLookupStatement(QStringLiteral("a")) : editorStatement(), connection);
            recordset.Value(QStringLiteral("文件名"));
        });
        QVERIFY(error);
        QCOMPARE(error->number(), number);
        QVERIFY2(error->description().contains(names), qPrintable(error->description()));
    }

    void statementErrorNamesTheStatement()
    {
        TestAppFolder folder;
        Recordset recordset;
        const QString bad = QStringLiteral("select * from Config where");
        const auto error = test::errorOf([&] { recordset.Open(bad, test::openStore(folder.path())); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::EngineError);
        QVERIFY2(error->description().contains(bad), qPrintable(error->description()));
        QVERIFY(!recordset.isOpen());
    }

    void lockedFileFailsAfterWaiting()
    {
        TestAppFolder folder;
        test::RawDatabase holder(folder.databasePath());
        holder.exec(QStringLiteral("BEGIN EXCLUSIVE; INSERT INTO Config VALUES ('x', 'y')"));
        Recordset recordset;
        const auto error = test::errorOf([&] { recordset.Open(editorStatement(), test::openStore(folder.path())); });
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::DatabaseLocked);
        holder.exec(QStringLiteral("ROLLBACK"));
        recordset.Open(editorStatement(), test::openStore(folder.path()));
        QCOMPARE(recordset.RecordCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_Connection.moc"
