#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include "store/ConnectionString.h"
#include "store/Recordset.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace keysound;
using namespace keysound::store;
using keysound::test::TestAppFolder;

namespace {
QByteArray jetHeader(const char* name, char version)
{
    return QByteArray("\x00\x01\x00\x00", 4) + QByteArray(name, 16) + version + QByteArray(200, '\0');
}
const QByteArray SqliteMagic("SQLite format 3\0", 16);
}  // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void connectionStringFor_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("dataSource");
        QTest::newRow("plain folder") << "C:\\keys" << "C:\\keys\\db1.mdb;";
        QTest::newRow("drive root keeps both separators") << "C:\\" << "C:\\\\db1.mdb;";
        QTest::newRow("inner blanks stay unquoted") << "C:\\my keys" << "C:\\my keys\\db1.mdb;";
        QTest::newRow("semicolon is quoted") << "C:\\a;b" << "\"C:\\a;b\\db1.mdb\";";
        QTest::newRow("quote is doubled") << "C:\\say \"hi\"" << "\"C:\\say \"\"hi\"\"\\db1.mdb\";";
        QTest::newRow("leading blank is quoted") << " C:\\keys" << "\" C:\\keys\\db1.mdb\";";
    }
    void connectionStringFor()
    {
        QFETCH(QString, folder);
        QFETCH(QString, dataSource);
        const QString text = store::connectionStringFor(folder);
        QCOMPARE(text, "PROVIDER=MSDataShape;Data PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + dataSource);
        QCOMPARE(store::connectionStringValue(text, QStringLiteral("Data Source")), folder + "\\db1.mdb");
        QCOMPARE(soundFolderPathText(folder), folder + "\\MP3\\");
    }

    void connectionStringValue_data()
    {
        QTest::addColumn<QString>("connectionString");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("expected");  // null: absent; "<error>": refused as malformed
        const QString program = QStringLiteral("PROVIDER=MSDataShape;Data PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\k\\db1.mdb;");
        QTest::newRow("keyword in other case") << program << "data SOURCE" << "C:\\k\\db1.mdb";
        QTest::newRow("provider is not data provider") << program << "Provider" << "MSDataShape";
        QTest::newRow("absent keyword is null") << program << "User ID" << QString();
        QTest::newRow("empty value is present") << "Data Source=;Mode=1" << "Data Source" << "";
        QTest::newRow("quoted value keeps ; and blanks") << "Data Source=\" a;b \";Mode=1" << "Data Source" << " a;b ";
        QTest::newRow("doubled quotes inside quotes") << "Data Source=\"a\"\"b\"\";c\"" << "Data Source" << "a\"b\";c";
        QTest::newRow("last setting wins") << "Mode=1;Mode=3" << "Mode" << "3";
        QTest::newRow("equals sign inside value") << "junk;Data Source=a=b.mdb" << "Data Source" << "a=b.mdb";
        QTest::newRow("unterminated quote") << "Data Source=\"C:\\k\\db1.mdb;" << "Data Source" << "<error>";
        QTest::newRow("text after closing quote") << "Data Source=\"a\"b;" << "Data Source" << "<error>";
    }
    void connectionStringValue()
    {
        QFETCH(QString, connectionString);
        QFETCH(QString, keyword);
        QFETCH(QString, expected);
        QString value;
        const auto error = test::errorOf([&] { value = store::connectionStringValue(connectionString, keyword); });
        if (expected == "<error>") {
            QVERIFY(error && error->number() == ErrorNumber::InvalidArgument && error->description().contains(connectionString));
            return;
        }
        QCOMPARE(value, expected);
        QCOMPARE(value.isNull(), expected.isNull());
    }

    void opensFoldersTheSyntaxWouldSplit_data()
    {
        QTest::addColumn<QString>("subfolder");
        QTest::newRow("semicolon") << "a;b";
        QTest::newRow("double quote") << "say \"hi\"";
        QTest::newRow("trailing blank and chinese") << "按键音 ";
    }
    void opensFoldersTheSyntaxWouldSplit()
    {
        QFETCH(QString, subfolder);
        TestAppFolder folder;
        const QString path = QDir(folder.path()).filePath(subfolder);
        QVERIFY(QDir().mkpath(path));
        test::createMappingDatabase(QDir(path).filePath(QStringLiteral("db1.mdb")));
        test::RawDatabase(QDir(path).filePath(QStringLiteral("db1.mdb"))).exec(QStringLiteral("INSERT INTO Config VALUES ('a', 'x.mp3')"));
        QCOMPARE(test::lookUp(path, QStringLiteral("a")), QStringList{"x.mp3"});
        QCOMPARE(test::lookUp(folder.path(), QStringLiteral("a")), QStringList{});  // not the outer folder's file
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("content");  // of db1.mdb; "<missing>", "<folder>", or a schema to create
        QTest::addColumn<bool>("lookup");         // the lookup statement, else the editor's
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("missing file") << QByteArray("<missing>") << false << ErrorNumber::DatabaseNotFound << "keysound-db init";
        QTest::newRow("folder instead of file") << QByteArray("<folder>") << false << ErrorNumber::DatabaseNotFound << "keysound-db init";
        QTest::newRow("empty file") << QByteArray() << false << ErrorNumber::UnrecognizedFormat << "empty";
        QTest::newRow("text file") << QByteArray("key,file\na,a.mp3\n") << false << ErrorNumber::UnrecognizedFormat << "unknown";
        QTest::newRow("ACE header") << jetHeader("Standard ACE DB\0", 2) << false << ErrorNumber::UnrecognizedFormat << "ACE";
        QTest::newRow("Jet name with an ACE version") << jetHeader("Standard Jet DB\0", 3) << false << ErrorNumber::UnrecognizedFormat << "ACE";
        QTest::newRow("Jet name, wrong signature") << QByteArray("\x01\x01\x00\x00Standard Jet DB\0\x01", 21) << false
                                                   << ErrorNumber::UnrecognizedFormat << "unknown";
        QTest::newRow("Jet header cut short") << QByteArray("\x00\x01\x00\x00Standard Jet", 16) << false << ErrorNumber::UnrecognizedFormat << "unknown";
        QTest::newRow("Jet header without tables") << jetHeader("Standard Jet DB\0", 1) << false << ErrorNumber::UnrecognizedFormat << "Jet 4";
        QTest::newRow("damaged SQLite file") << SqliteMagic + QByteArray(4000, '\x7f') << false << ErrorNumber::UnrecognizedFormat << "not a database";
        QTest::newRow("no Config table, editor") << QByteArray("CREATE TABLE Other (x)") << false << ErrorNumber::TableNotFound << "'Config'";
        QTest::newRow("no Config table, lookup") << QByteArray("CREATE TABLE Other (x)") << true << ErrorNumber::TableNotFound << "'Config'";
        QTest::newRow("no 键位 column, lookup") << QByteArray("CREATE TABLE Config (文件名 TEXT)") << true << ErrorNumber::ItemNotFound << "'键位'";
        QTest::newRow("no 文件名 column, lookup") << QByteArray("CREATE TABLE Config (键位 TEXT)") << true << ErrorNumber::ItemNotFound << "'文件名'";
        QTest::newRow("no 文件名 column, editor") << QByteArray("CREATE TABLE Config (键位 TEXT)") << false << ErrorNumber::ItemNotFound << "'文件名'";
    }
    void openFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, lookup);
        QFETCH(int, number);
        QFETCH(QString, mentions);
        TestAppFolder folder(TestAppFolder::WithoutDatabase);
        const bool schema = content.startsWith("CREATE");
        if (content == "<folder>")
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("db1.mdb")));
        else if (schema)
            folder.exec(QString::fromUtf8(content) + (content.contains("键位 TEXT") ? "; INSERT INTO Config (键位) VALUES ('a')" : ""));
        else if (content != "<missing>")
            folder.writeFile(QStringLiteral("db1.mdb"), content);
        Recordset recordset;
        const auto error = test::errorOf([&] {
            recordset.Open(lookup ? keyLookupStatement(QStringLiteral("a")) : editorStatement(), test::openStore(folder.path()));
            recordset.Value(QStringLiteral("文件名"));
        });
        QVERIFY(error);
        QCOMPARE(error->number(), number);
        QVERIFY2(error->description().contains(mentions), qPrintable(error->description()));
        if (!schema)  // the file is named, and never created
            QVERIFY2(!recordset.isOpen() && error->description().contains(folder.path()), qPrintable(error->description()));
        QCOMPARE(QFile::exists(folder.databasePath()), content != "<missing>");
        if (content == "<missing>")  // the path in native form, never with the program's backslash
            QVERIFY2(error->description().contains(folder.databasePath()), qPrintable(error->description()));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_Connection.moc"
