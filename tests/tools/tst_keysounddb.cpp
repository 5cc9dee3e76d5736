#include "DbTool.h"

#include "LegacySamples.h"
#include "TestAppFolder.h"
#include "store/LegacyFormat.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace keysound;
using namespace keysound::tools;
using namespace keysound::test;
using namespace keysound::test::legacy;

using Files = QMap<QString, QByteArray>;  // path under MP3/ -> content; "<sample>" copies a real MP3

class TestKeysoundDb : public QObject {
    Q_OBJECT

private slots:
    void init();
    void helpAndVersionSucceed_data();
    void helpAndVersionSucceed();
    void usageErrorsExitWithTwo_data();
    void usageErrorsExitWithTwo();
    void initCreatesTheSchemaAndTheSeedInOrder();
    void badSeedFailsNamingTheLine_data();
    void badSeedFailsNamingTheLine();
    void initKeepsAnExistingFileUnlessForced_data();
    void initKeepsAnExistingFileUnlessForced();
    void importCopiesALegacyFile();
    void importRefusesANonJetFile();
    void checkFindsProblems_data();
    void checkFindsProblems();
    void checkReadsALegacyFileWithoutChangingIt();
    void executableReportsExitStatus_data();
    void executableReportsExitStatus();

private:
    int run(const QStringList& arguments);
    QString path(const QString& name) const { return dir_->filePath(name); }
    void writeFile(const QString& path, const QByteArray& content);

    std::unique_ptr<QTemporaryDir> dir_;
    QString out_;
    QString err_;
};

void TestKeysoundDb::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

int TestKeysoundDb::run(const QStringList& arguments)
{
    out_.clear();
    err_.clear();
    QTextStream out(&out_);
    QTextStream err(&err_);
    const int status = runDbTool(arguments, out, err);
    out.flush();
    err.flush();
    return status;
}

void TestKeysoundDb::writeFile(const QString& filePath, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(filePath).path());
    QFile file(filePath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

void TestKeysoundDb::helpAndVersionSucceed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("printed");

    QTest::newRow("--help") << QStringList{"--help"} << "Usage: keysound-db";
    QTest::newRow("-h") << QStringList{"-h"} << "Usage: keysound-db";
    QTest::newRow("help of a command") << QStringList{"init", "--help"} << "init [--seed FILE.tsv]";
    QTest::newRow("--version") << QStringList{"--version"} << "keysound-db 0.";
}

void TestKeysoundDb::helpAndVersionSucceed()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, printed);
    QCOMPARE(run(arguments), ExitStatus::Ok);
    QVERIFY2(out_.contains(printed), qPrintable(out_));
    QVERIFY(err_.isEmpty());
}

void TestKeysoundDb::usageErrorsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");

    QTest::newRow("no command") << QStringList{} << "no command given";
    QTest::newRow("unknown command") << QStringList{"drop"} << "unknown command 'drop'";
    QTest::newRow("unknown option") << QStringList{"init", "--colour", "x.db"} << "unknown option '--colour'";
    QTest::newRow("init without a path") << QStringList{"init"} << "'init' needs more arguments";
    QTest::newRow("seed without a file") << QStringList{"init", "x.db", "--seed"} << "needs a file name";
    QTest::newRow("import with one file") << QStringList{"import", "old.mdb"} << "'import' needs more arguments";
    QTest::newRow("check with two folders") << QStringList{"check", "a", "b"} << "unexpected argument 'b'";
}

void TestKeysoundDb::usageErrorsExitWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    QCOMPARE(run(arguments), ExitStatus::UsageError);
    QVERIFY2(err_.contains(complaint) && err_.contains(QStringLiteral("keysound-db --help")), qPrintable(err_));
    QVERIFY(out_.isEmpty());
}

void TestKeysoundDb::initCreatesTheSchemaAndTheSeedInOrder()
{
    writeFile(path("seed.tsv"), "\xEF\xBB\xBF# comment line\r\na\ta.mp3\r\n\nB\tB upper.mp3\n好\t好.mp3\n\tno key.mp3\n");
    QCOMPARE(run({"init", "--seed", path("seed.tsv"), path("db1.mdb")}), ExitStatus::Ok);
    QVERIFY2(out_.contains(QStringLiteral("4 mapping")), qPrintable(out_));

    const QList<QVariantList> schema = queryRows(path("db1.mdb"), QStringLiteral("SELECT sql FROM sqlite_schema ORDER BY rowid"));
    const QList<QVariantList> expectedSchema{{"CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT)"},
                                             {"CREATE INDEX Config_键位 ON Config (键位)"}};
    QCOMPARE(schema, expectedSchema);
    const QList<QVariantList> expectedRows{{"a", "a.mp3"}, {"B", "B upper.mp3"}, {"好", "好.mp3"}, {"", "no key.mp3"}};
    QCOMPARE(queryRows(path("db1.mdb"), QStringLiteral("SELECT * FROM Config ORDER BY rowid")), expectedRows);
}

void TestKeysoundDb::badSeedFailsNamingTheLine_data()
{
    QTest::addColumn<QByteArray>("seed");
    QTest::addColumn<QString>("complaint");

    QTest::newRow("line without a tab") << QByteArray("a\ta.mp3\nb b.mp3\n") << "seed.tsv:2: expected";
    QTest::newRow("line with two tabs") << QByteArray("# c\na\ta.mp3\tx\n") << "seed.tsv:2: expected";
    QTest::newRow("empty file name") << QByteArray("a\t\n") << "seed.tsv:1: the file name is empty";
    QTest::newRow("not UTF-8") << QByteArray("a\t\xE9.mp3\n") << "is not UTF-8";
}

void TestKeysoundDb::badSeedFailsNamingTheLine()
{
    QFETCH(QByteArray, seed);
    QFETCH(QString, complaint);
    writeFile(path("seed.tsv"), seed);
    QCOMPARE(run({"init", "--seed=" + path("seed.tsv"), path("db1.mdb")}), ExitStatus::Failure);
    QVERIFY2(err_.contains(complaint), qPrintable(err_));
    QVERIFY(!QFileInfo::exists(path("db1.mdb")));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"seed.tsv"});
}

void TestKeysoundDb::initKeepsAnExistingFileUnlessForced_data()
{
    QTest::addColumn<bool>("force");
    QTest::newRow("without --force the file stays") << false;
    QTest::newRow("with --force it is replaced") << true;
}

void TestKeysoundDb::initKeepsAnExistingFileUnlessForced()
{
    QFETCH(bool, force);
    writeFile(path("db1.mdb"), "old content");
    QStringList arguments{"init", path("db1.mdb")};
    if (force)
        arguments.insert(1, "--force");
    QCOMPARE(run(arguments), force ? ExitStatus::Ok : ExitStatus::Failure);
    if (force) {
        QCOMPARE(store::detectDatabaseFormat(path("db1.mdb")), store::DatabaseFormat::Sqlite3);
        QCOMPARE(queryRows(path("db1.mdb"), QStringLiteral("SELECT count(*) FROM Config")).at(0).at(0), QVariant(qint64(0)));
    } else {
        QCOMPARE(fileBytes(path("db1.mdb")), QByteArray("old content"));
        QVERIFY2(err_.contains(QStringLiteral("already exists")), qPrintable(err_));
    }
}

void TestKeysoundDb::importCopiesALegacyFile()
{
    const QString legacy = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path());
    const QByteArray before = fileBytes(legacy);
    QCOMPARE(run({"import", legacy, path("new.db")}), ExitStatus::Ok);
    QVERIFY2(out_.contains(QStringLiteral("Config (13 rows)")) && out_.contains(QStringLiteral("Notes (2 rows)")), qPrintable(out_));
    QCOMPARE(fileBytes(legacy), before);
    QCOMPARE(queryRows(path("new.db"), QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid")), expectedConfigRows());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"legacy-db1.mdb", "new.db"}));
}

void TestKeysoundDb::importRefusesANonJetFile()
{
    writeFile(path("old.mdb"), QByteArray("\x00\x01\x00\x00Standard ACE DB\x00\x03", 21) + QByteArray(4096, '\0'));
    QCOMPARE(run({"import", path("old.mdb"), path("new.db")}), ExitStatus::Failure);
    QVERIFY2(err_.contains(path("old.mdb")) && err_.contains(QStringLiteral("ACE")), qPrintable(err_));
    QVERIFY(!QFileInfo::exists(path("new.db")));
}

void TestKeysoundDb::checkFindsProblems_data()
{
    QTest::addColumn<QList<QVariantList>>("mappings");
    QTest::addColumn<Files>("files");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("expectedLines");  // fragments, one problem line each

    const QByteArray wav = QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16);
    QTest::newRow("every sound playable, also in a subfolder and by header")
        << QList<QVariantList>{{"a", "a.mp3"}, {"w", "w.wav"}, {"o", "o.ogg"}, {"f", "f.flac"}, {"q", "sub\\q.mp3"}}
        << Files{{"a.mp3", "<sample>"}, {"w.wav", wav}, {"o.ogg", "OggS\x00\x02"}, {"f.flac", "fLaC\x00\x00"}, {"sub/q.mp3", "<sample>"}}
        << ExitStatus::Ok << QStringList{};
    QTest::newRow("missing, empty, not audio, a folder")
        << QList<QVariantList>{{"a", "gone.mp3"}, {"b", "empty.mp3"}, {"c", "text.mp3"}, {"d", "sub"}}
        << Files{{"empty.mp3", ""}, {"text.mp3", "this is not a sound"}, {"sub/x", "x"}}
        << ExitStatus::ProblemsFound
        << QStringList{"row 1 (key \"a\"): sound file MP3\\gone.mp3 does not exist",
                       "row 2 (key \"b\"): sound file MP3\\empty.mp3 is empty",
                       "row 3 (key \"c\"): sound file MP3\\text.mp3 is not a sound file",
                       "row 4 (key \"d\"): sound file MP3\\sub is not a file"};
    QTest::newRow("no file name, empty or NULL")
        << QList<QVariantList>{{"a", ""}, {"b", QVariant()}} << Files{} << ExitStatus::ProblemsFound
        << QStringList{"row 1 (key \"a\"): no sound file name", "row 2 (key \"b\"): no sound file name (NULL)"};
    QTest::newRow("keys repeated ignoring case, ASCII and not")
        << QList<QVariantList>{{"b", "a.mp3"}, {"É", "a.mp3"}, {"B", "a.mp3"}, {"é", "a.mp3"}, {"b", "a.mp3"}}
        << Files{{"a.mp3", "<sample>"}} << ExitStatus::ProblemsFound
        << QStringList{"key \"b\"/\"B\" occurs 3 times ignoring case (rows 1, 3, 5); only row 1",
                       "key \"É\"/\"é\" occurs 2 times ignoring case (rows 2, 4); only row 2"};
    QTest::newRow("empty and NULL keys")
        << QList<QVariantList>{{"", "a.mp3"}, {QVariant(), "a.mp3"}, {"", "a.mp3"}}
        << Files{{"a.mp3", "<sample>"}} << ExitStatus::ProblemsFound
        << QStringList{"row 1: the key is empty", "row 2: the key is empty (NULL)", "row 3: the key is empty"};
}

void TestKeysoundDb::checkFindsProblems()
{
    QFETCH(QList<QVariantList>, mappings);
    QFETCH(Files, files);
    QFETCH(int, status);
    QFETCH(QStringList, expectedLines);

    const TestAppFolder folder;
    for (const QVariantList& mapping : mappings)
        folder.addMapping(mapping.at(0), mapping.at(1));
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (file.value() == "<sample>")
            writeFile(QDir(folder.soundFolderPath()).filePath(file.key()), fileBytes(QDir(dataDir()).filePath(QStringLiteral("MP3/a.mp3"))));
        else
            writeFile(QDir(folder.soundFolderPath()).filePath(file.key()), file.value());
    }

    QCOMPARE(run({"check", folder.path()}), status);
    QStringList lines = out_.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString summary = lines.takeLast();
    QVERIFY2(summary.contains(QStringLiteral("%1 mapping(s)").arg(mappings.size())), qPrintable(summary));
    QCOMPARE(lines.size(), expectedLines.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(expectedLines.at(i)), qPrintable(lines.at(i)));
}

void TestKeysoundDb::checkReadsALegacyFileWithoutChangingIt()
{
    const QString database = copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb"));
    const QByteArray before = fileBytes(database);
    QCOMPARE(run({"check", dir_->path()}), ExitStatus::ProblemsFound);
    QVERIFY2(out_.contains(QStringLiteral("key \"b\"/\"B\" occurs 3 times ignoring case (rows 1, 2, 13)")), qPrintable(out_));
    QVERIFY2(out_.contains(QStringLiteral("row 9: the key is empty\n")) && out_.contains(QStringLiteral("row 12: the key is empty (NULL)")),
             qPrintable(out_));
    QVERIFY2(out_.contains(QStringLiteral("13 mapping(s)")), qPrintable(out_));
    QCOMPARE(fileBytes(database), before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"db1.mdb"});
}

void TestKeysoundDb::executableReportsExitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("toStdout");

    QTest::newRow("version") << QStringList{"--version"} << 0 << true;
    QTest::newRow("usage error") << QStringList{"frobnicate"} << 2 << false;
    QTest::newRow("failure") << QStringList{"check", "/nonexistent/folder"} << 3 << false;
}

void TestKeysoundDb::executableReportsExitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(bool, toStdout);

    QProcess process;
    process.start(QStringLiteral(KEYSOUND_DB_EXECUTABLE), arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    QCOMPARE(process.readAllStandardOutput().isEmpty(), !toStdout);
    QCOMPARE(process.readAllStandardError().isEmpty(), toStdout);
}

QTEST_GUILESS_MAIN(TestKeysoundDb)
#include "tst_keysounddb.moc"
