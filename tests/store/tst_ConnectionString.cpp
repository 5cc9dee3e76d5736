#include "platform/Error.h"
#include "store/ConnectionString.h"

#include <QTest>

using namespace keysound;
using namespace keysound::store;

class TestConnectionString : public QObject {
    Q_OBJECT
private slots:
    void connectionStringFor_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        const QString prefix = QStringLiteral("PROVIDER=MSDataShape;Data PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");
        QTest::newRow("plain folder") << "C:\\keys" << prefix + "C:\\keys\\db1.mdb;";
        QTest::newRow("drive root keeps both separators") << "C:\\" << prefix + "C:\\\\db1.mdb;";
        QTest::newRow("folder with inner blanks stays unquoted") << "C:\\my keys" << prefix + "C:\\my keys\\db1.mdb;";
        QTest::newRow("chinese folder") << "D:\\按键音" << prefix + "D:\\按键音\\db1.mdb;";
        QTest::newRow("folder with semicolon is quoted") << "C:\\a;b" << prefix + "\"C:\\a;b\\db1.mdb\";";
        QTest::newRow("folder with quote doubles it") << "C:\\say \"hi\"" << prefix + "\"C:\\say \"\"hi\"\"\\db1.mdb\";";
        QTest::newRow("leading blank is quoted") << " C:\\keys" << prefix + "\" C:\\keys\\db1.mdb\";";
        QTest::newRow("posix folder") << "/tmp/keys" << prefix + "/tmp/keys\\db1.mdb;";
    }
    void connectionStringFor()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(store::connectionStringFor(folder), expected);
        QCOMPARE(store::connectionStringValue(expected, QStringLiteral("Data Source")), databasePathText(folder));
    }

    void connectionStringValue_data()
    {
        QTest::addColumn<QString>("connectionString");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("present");
        const QString program = QStringLiteral("PROVIDER=MSDataShape;Data PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\k\\db1.mdb;");
        QTest::newRow("data source") << program << "Data Source" << "C:\\k\\db1.mdb" << true;
        QTest::newRow("keyword in other case") << program << "data SOURCE" << "C:\\k\\db1.mdb" << true;
        QTest::newRow("provider is not data provider") << program << "Provider" << "MSDataShape" << true;
        QTest::newRow("data provider") << program << "DATA provider" << "Microsoft.Jet.OLEDB.4.0" << true;
        QTest::newRow("absent keyword is null") << program << "User ID" << QString() << false;
        QTest::newRow("blanks around keyword and value") << "  Data Source =  x.mdb  ;" << "Data Source" << "x.mdb" << true;
        QTest::newRow("quoted value keeps semicolon") << "Data Source=\"a;b.mdb\";Mode=1" << "Data Source" << "a;b.mdb" << true;
        QTest::newRow("doubled quotes inside quotes") << "Data Source=\"a\"\"b\"\";c\"" << "Data Source" << "a\"b\";c" << true;
        QTest::newRow("quoted value keeps blanks") << "Data Source=\" x \" ;" << "Data Source" << " x " << true;
        QTest::newRow("setting after quoted value") << "Data Source=\"a;b\";Mode=Read" << "mode" << "Read" << true;
        QTest::newRow("empty value is present") << "Data Source=;Mode=1" << "Data Source" << "" << true;
        QTest::newRow("last setting wins") << "Mode=1;Mode=3" << "Mode" << "3" << true;
        QTest::newRow("equals sign inside value") << "Data Source=a=b.mdb" << "Data Source" << "a=b.mdb" << true;
        QTest::newRow("no trailing semicolon") << "Data Source=x.mdb" << "Data Source" << "x.mdb" << true;
        QTest::newRow("fragment without equals is skipped") << "junk;Data Source=x.mdb" << "Data Source" << "x.mdb" << true;
    }
    void connectionStringValue()
    {
        QFETCH(QString, connectionString);
        QFETCH(QString, keyword);
        QFETCH(QString, expected);
        QFETCH(bool, present);
        const QString value = store::connectionStringValue(connectionString, keyword);
        QCOMPARE(value, expected);
        QCOMPARE(!value.isNull(), present);
    }

    void malformedQuotingFails_data()
    {
        QTest::addColumn<QString>("connectionString");
        QTest::newRow("unterminated quote") << "Data Source=\"C:\\k\\db1.mdb;";
        QTest::newRow("text after closing quote") << "Data Source=\"a\"b;";
    }
    void malformedQuotingFails()
    {
        QFETCH(QString, connectionString);
        try {
            store::connectionStringValue(connectionString, QStringLiteral("Data Source"));
            QFAIL("a malformed connection string was accepted");
        } catch (const Error& error) {
            QCOMPARE(error.number(), ErrorNumber::InvalidArgument);
            QVERIFY2(error.description().contains(connectionString), qPrintable(error.description()));
        }
    }

    void pathTexts_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("sounds");
        QTest::newRow("folder") << "C:\\k" << "C:\\k\\db1.mdb" << "C:\\k\\MP3\\";
        QTest::newRow("root") << "C:\\" << "C:\\\\db1.mdb" << "C:\\\\MP3\\";
        QTest::newRow("empty folder") << "" << "\\db1.mdb" << "\\MP3\\";
    }
    void pathTexts()
    {
        QFETCH(QString, folder);
        QFETCH(QString, database);
        QFETCH(QString, sounds);
        QCOMPARE(databasePathText(folder), database);
        QCOMPARE(soundFolderPathText(folder), sounds);
    }
};

QTEST_GUILESS_MAIN(TestConnectionString)
#include "tst_ConnectionString.moc"
