#include "DbTool.h"

#include "StoreTestSupport.h"
#include "TestAppFolder.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace keysound;
using namespace keysound::tools;
using namespace keysound::test;

using Rows = QList<QVariantList>;
using Files = QMap<QString, QByteArray>;  // path under MP3/ -> content; "<sample>" copies a real MP3

class TestKeysoundDb : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString out_;
    QString err_;

    QString path(const QString& name) const { return dir_->filePath(name); }
    QStringList filesInDir() const { return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    int run(const QStringList& arguments)
    {
        out_.clear();
        err_.clear();
        QTextStream out(&out_), err(&err_);
        const int status = runDbTool(arguments, out, err);
        out.flush();
        err.flush();
        return status;
    }
    static void writeFile(const QString& filePath, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(filePath).path());
        QFile file(filePath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");  // on stdout when it succeeds, else on stderr
        QTest::newRow("--help") << QStringList{"--help"} << ExitStatus::Ok << "Usage: keysound-db";
        QTest::newRow("--version") << QStringList{"--version"} << ExitStatus::Ok << "keysound-db 0.";
        QTest::newRow("no command") << QStringList{} << ExitStatus::UsageError << "no command given";
        QTest::newRow("unknown command") << QStringList{"drop"} << ExitStatus::UsageError << "unknown command 'drop'";
        QTest::newRow("unknown option") << QStringList{"init", "--colour", "x.db"} << ExitStatus::UsageError << "unknown option '--colour'";
        QTest::newRow("seed without a file") << QStringList{"init", "x.db", "--seed"} << ExitStatus::UsageError << "needs a file name";
        QTest::newRow("check with two folders") << QStringList{"check", "a", "b"} << ExitStatus::UsageError << "unexpected argument 'b'";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, printed);
        QCOMPARE(run(arguments), status);
        if (status == ExitStatus::Ok)
            QVERIFY2(out_.contains(printed) && err_.isEmpty(), qPrintable(out_ + err_));
        else
            QVERIFY2(err_.contains(printed) && err_.contains("keysound-db --help") && out_.isEmpty(), qPrintable(out_ + err_));
    }

    void initCommand_data()
    {
        QTest::addColumn<QByteArray>("seed");      // null: no --seed
        QTest::addColumn<QByteArray>("existing");  // null: no file at the path yet
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("status");
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<QString>("printed");
        const QByteArray old("old content");
        QTest::newRow("seed: BOM, CRLF, comments, blank lines, an empty key, in order")
            << QByteArray("\xEF\xBB\xBF# comment\r\na\ta.mp3\r\n\nB\tB upper.mp3\n好\t好.mp3\n\tno key.mp3\n") << QByteArray() << false
            << ExitStatus::Ok << Rows{{"a", "a.mp3"}, {"B", "B upper.mp3"}, {"好", "好.mp3"}, {"", "no key.mp3"}} << "4 mapping";
        QTest::newRow("an existing file stays without --force") << QByteArray() << old << false << ExitStatus::Failure << Rows{} << "already exists";
        QTest::newRow("--force replaces it, no seed: empty") << QByteArray() << old << true << ExitStatus::Ok << Rows{} << "0 mapping";
        QTest::newRow("seed line without a tab") << QByteArray("a\ta.mp3\nb b.mp3\n") << QByteArray() << false << ExitStatus::Failure
                                                 << Rows{} << "seed.tsv:2: expected";
        QTest::newRow("seed not UTF-8") << QByteArray("a\t\xE9.mp3\n") << QByteArray() << false << ExitStatus::Failure << Rows{} << "is not UTF-8";
    }
    void initCommand()
    {
        QFETCH(QByteArray, seed);
        QFETCH(QByteArray, existing);
        QFETCH(bool, force);
        QFETCH(int, status);
        QFETCH(Rows, mappings);
        QFETCH(QString, printed);
        QStringList arguments{"init", path("db1.mdb")};
        if (!seed.isNull()) {
            writeFile(path("seed.tsv"), seed);
            arguments.insert(1, "--seed=" + path("seed.tsv"));
        }
        if (!existing.isNull())
            writeFile(path("db1.mdb"), existing);
        if (force)
            arguments.insert(1, "--force");
        const QStringList filesBefore = filesInDir();
        QCOMPARE(run(arguments), status);
        if (status != ExitStatus::Ok) {
            QVERIFY2(err_.contains(printed), qPrintable(err_));
            QCOMPARE(filesInDir(), filesBefore);  // nothing new, no temporary left over
            if (!existing.isNull())
                QCOMPARE(fileBytes(path("db1.mdb")), existing);
            return;
        }
        QVERIFY2(out_.contains(printed), qPrintable(out_));
        const RawDatabase created(path("db1.mdb"));
        QCOMPARE(created.rows(QStringLiteral("SELECT sql FROM sqlite_schema ORDER BY rowid")),
                 (Rows{{"CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT)"}, {"CREATE INDEX Config_键位 ON Config (键位)"}}));
        QCOMPARE(created.rows(QStringLiteral("SELECT * FROM Config ORDER BY rowid")), mappings);
    }

    void import_data()
    {
        QTest::addColumn<QString>("source");  // legacy, ace or sqlite
        QTest::addColumn<bool>("destinationExists");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        QTest::newRow("a legacy file is copied") << "legacy" << false << ExitStatus::Ok << "Config (13 rows)";
        QTest::newRow("an ACE file is refused") << "ace" << false << ExitStatus::Failure << "ACE";
        QTest::newRow("an SQLite file is refused") << "sqlite" << false << ExitStatus::Failure << "already an SQLite 3 database";
        QTest::newRow("an existing destination is kept") << "legacy" << true << ExitStatus::Failure << "already exists";
    }
    void import()
    {
        QFETCH(QString, source);
        QFETCH(bool, destinationExists);
        QFETCH(int, status);
        QFETCH(QString, printed);
        const QString old = path("old.mdb"), destination = path("new.db");
        if (source == "legacy")
            copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("old.mdb"));
        else if (source == "ace")
            writeFile(old, QByteArray("\x00\x01\x00\x00Standard ACE DB\x00\x03", 21) + QByteArray(4096, '\0'));
        else
            createMappingDatabase(old);
        if (destinationExists)
            writeFile(destination, "keep me");
        const QByteArray before = fileBytes(old);
        QCOMPARE(run({"import", old, destination}), status);
        QCOMPARE(fileBytes(old), before);
        QCOMPARE(filesInDir(), (QStringList{"new.db", "old.mdb"}).mid(status == ExitStatus::Ok || destinationExists ? 0 : 1));
        if (status != ExitStatus::Ok) {
            QVERIFY2(err_.contains(printed) && err_.contains(destinationExists ? destination : old), qPrintable(err_));
            if (destinationExists)
                QCOMPARE(fileBytes(destination), QByteArray("keep me"));
            return;
        }
        QVERIFY2(out_.contains(printed) && out_.contains("Notes (2 rows)"), qPrintable(out_));
        QCOMPARE(RawDatabase(destination).rows(QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid")), expectedConfigRows());
    }

    void check_data()
    {
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<Files>("files");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("problems");  // the start of each line before the summary
        const QByteArray wav("RIFF\x24\x00\x00\x00WAVEfmt ", 16);
        QTest::newRow("every sound playable, also in a subfolder and by header")
            << Rows{{"a", "a.mp3"}, {"w", "w.wav"}, {"o", "o.ogg"}, {"f", "f.flac"}, {"q", "sub\\q.mp3"}}
            << Files{{"a.mp3", "<sample>"}, {"w.wav", wav}, {"o.ogg", "OggS\x00\x02"}, {"f.flac", "fLaC\x00\x00"}, {"sub/q.mp3", "<sample>"}}
            << ExitStatus::Ok << QStringList{};
        QTest::newRow("missing, empty, not audio, a folder, no name")
            << Rows{{"a", "gone.mp3"}, {"b", "empty.mp3"}, {"c", "text.mp3"}, {"d", "sub"}, {"e", ""}, {"f", QVariant()}}
            << Files{{"empty.mp3", ""}, {"text.mp3", "this is not a sound"}, {"sub/x", "x"}} << ExitStatus::ProblemsFound
            << QStringList{"row 1 (key \"a\"): sound file MP3\\gone.mp3 does not exist", "row 2 (key \"b\"): sound file MP3\\empty.mp3 is empty",
                           "row 3 (key \"c\"): sound file MP3\\text.mp3 is not a sound file", "row 4 (key \"d\"): sound file MP3\\sub is not a file",
                           "row 5 (key \"e\"): no sound file name", "row 6 (key \"f\"): no sound file name (NULL)"};
        QTest::newRow("keys repeated ignoring case, ASCII and not")
            << Rows{{"b", "a.mp3"}, {"É", "a.mp3"}, {"B", "a.mp3"}, {"é", "a.mp3"}, {"b", "a.mp3"}} << Files{{"a.mp3", "<sample>"}}
            << ExitStatus::ProblemsFound
            << QStringList{"key \"b\"/\"B\" occurs 3 times ignoring case (rows 1, 3, 5); only row 1",
                           "key \"É\"/\"é\" occurs 2 times ignoring case (rows 2, 4); only row 2"};
        QTest::newRow("empty and NULL keys") << Rows{{"", "a.mp3"}, {QVariant(), "a.mp3"}, {"", "a.mp3"}} << Files{{"a.mp3", "<sample>"}}
                                             << ExitStatus::ProblemsFound
                                             << QStringList{"row 1: the key is empty", "row 2: the key is empty (NULL)", "row 3: the key is empty"};
    }
    void check()
    {
        QFETCH(Rows, mappings);
        QFETCH(Files, files);
        QFETCH(int, status);
        QFETCH(QStringList, problems);
        const TestAppFolder folder;
        for (const QVariantList& mapping : mappings)
            folder.addMapping(mapping.at(0), mapping.at(1));
        const QByteArray sample = fileBytes(QDir(dataDir()).filePath(QStringLiteral("MP3/a.mp3")));
        for (auto file = files.cbegin(); file != files.cend(); ++file)
            writeFile(QDir(folder.soundFolderPath()).filePath(file.key()), file.value() == "<sample>" ? sample : file.value());
        QCOMPARE(run({"check", folder.path()}), status);
        QStringList lines = out_.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.takeLast().contains(QStringLiteral("%1 mapping(s)").arg(mappings.size())), qPrintable(out_));
        QCOMPARE(lines.size(), problems.size());
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY2(lines[i].startsWith(problems[i]), qPrintable(lines[i]));
    }

    void checkReadsALegacyFileWithoutChangingIt()
    {
        const QByteArray before = fileBytes(copySample(QStringLiteral("legacy-db1.mdb"), dir_->path(), QStringLiteral("db1.mdb")));
        QCOMPARE(run({"check", dir_->path()}), ExitStatus::ProblemsFound);
        QVERIFY2(out_.contains("key \"b\"/\"B\" occurs 3 times ignoring case (rows 1, 2, 13)") &&
                     out_.contains("row 12: the key is empty (NULL)") && out_.contains("13 mapping(s)"), qPrintable(out_));
        QCOMPARE(fileBytes(path("db1.mdb")), before);
        QCOMPARE(filesInDir(), QStringList{"db1.mdb"});
    }

    void executableExitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");  // <folder>: a folder whose one mapping has no sound
        QTest::addColumn<int>("status");
        QTest::newRow("0: success") << QStringList{"--version"} << 0;
        QTest::newRow("1: check found problems") << QStringList{"check", "<folder>"} << 1;
        QTest::newRow("2: usage error") << QStringList{"frobnicate"} << 2;
        QTest::newRow("3: failure") << QStringList{"check", "/nonexistent/folder"} << 3;
    }
    void executableExitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        const TestAppFolder folder;
        folder.addMapping(QStringLiteral("a"), QStringLiteral("gone.mp3"));
        QProcess process;
        process.start(QStringLiteral(KEYSOUND_DB_EXECUTABLE), arguments.replaceInStrings(QStringLiteral("<folder>"), folder.path()));
        QVERIFY(process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        QCOMPARE(process.readAllStandardOutput().isEmpty(), status >= 2);  // results on stdout, complaints on stderr
        QCOMPARE(process.readAllStandardError().isEmpty(), status <= 1);
    }
};

QTEST_GUILESS_MAIN(TestKeysoundDb)
#include "tst_keysounddb.moc"
