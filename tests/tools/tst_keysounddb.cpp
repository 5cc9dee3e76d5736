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
        QTest::newRow("seed line with an empty file name") << QByteArray("a\ta.mp3\nb\t\n") << QByteArray() << false << ExitStatus::Failure
                                                           << Rows{} << "seed.tsv:2: the file name is empty";
        QTest::newRow("seed with an unknown escape") << QByteArray("a\\q\ta.mp3\n") << QByteArray() << false << ExitStatus::Failure
                                                     << Rows{} << "seed.tsv:1: a backslash";
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

    void doubleDashEndsTheOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("created");  // empty: none
        QTest::newRow("--help after -- is a file name") << QStringList{"init", "--", "--help"} << "--help";
        QTest::newRow("--help before -- asks for help") << QStringList{"init", "--help", "--", "x.db"} << "";
    }
    void doubleDashEndsTheOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, created);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        QCOMPARE(run(arguments), ExitStatus::Ok);
        QDir::setCurrent(previous);
        QCOMPARE(filesInDir(), created.isEmpty() ? QStringList{} : QStringList{created});
    }

    // export writes what init --seed reads back row for row, whatever the texts hold.
    void exportRoundTrip_data()
    {
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<int>("status");
        QTest::newRow("tab, line feed, CR and backslash") << Rows{{"a\tb", "x.mp3"}, {"line\nbreak", "sub\\y.mp3"},
                                                                  {"cr\r", "c\r\n.mp3"}, {"\\", "end\\"}} << ExitStatus::Ok;
        QTest::newRow("a leading '#' is no comment") << Rows{{"#", "hash.mp3"}, {"#x", "#y.mp3"}, {"a#b", "c.mp3"}, {"\\#", "lit.mp3"}}
                                                     << ExitStatus::Ok;
        QTest::newRow("empty and blank texts, case and order kept")
            << Rows{{"", "e.mp3"}, {" ", " "}, {"好", "好.mp3"}, {"B", "b.mp3"}, {"b", "b.mp3"}} << ExitStatus::Ok;
        QTest::newRow("a NULL key cannot be written") << Rows{{"a", "a.mp3"}, {QVariant(), "n.mp3"}} << ExitStatus::Failure;
        QTest::newRow("an empty file name cannot be written") << Rows{{"a", ""}} << ExitStatus::Failure;
    }
    void exportRoundTrip()
    {
        QFETCH(Rows, mappings);
        QFETCH(int, status);
        const TestAppFolder folder;
        for (const QVariantList& mapping : mappings)
            folder.addMapping(mapping.at(0), mapping.at(1));
        const QString database = QDir(folder.path()).filePath(QStringLiteral("db1.mdb"));
        QCOMPARE(run({"export", database, path("seed.tsv")}), status);
        if (status != ExitStatus::Ok) {
            QVERIFY2(err_.contains(database), qPrintable(err_));
            QCOMPARE(filesInDir(), QStringList{});
            return;
        }
        QCOMPARE(run({"init", "--seed", path("seed.tsv"), path("copy.mdb")}), ExitStatus::Ok);
        QCOMPARE(RawDatabase(path("copy.mdb")).rows(QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid")), mappings);
        QCOMPARE(run({"export", database}), ExitStatus::Ok);  // to stdout: the same text
        QCOMPARE(out_.toUtf8(), fileBytes(path("seed.tsv")));
    }

    void import_data()
    {
        QTest::addColumn<QString>("source");  // legacy, ace or sqlite
        QTest::addColumn<bool>("destinationExists");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        QTest::newRow("a legacy file is copied") << "legacy-db1.mdb" << false << ExitStatus::Ok << "Config (13 rows), Notes (2 rows)";
        QTest::newRow("a legacy file without Config says so") << "testV1997.mdb" << false << ExitStatus::Ok << "has no Config table";
        QTest::newRow("a damaged legacy file is refused") << "damaged/byte-8247-is-77.mdb" << false << ExitStatus::Failure << "已损坏";
        QTest::newRow("an ACE file is refused") << "ace" << false << ExitStatus::Failure << "ACE";
        QTest::newRow("an SQLite file is refused") << "sqlite" << false << ExitStatus::Failure << "already an SQLite 3 database";
        QTest::newRow("an existing destination is kept") << "legacy-db1.mdb" << true << ExitStatus::Failure << "already exists";
    }
    void import()
    {
        QFETCH(QString, source);
        QFETCH(bool, destinationExists);
        QFETCH(int, status);
        QFETCH(QString, printed);
        const QString old = path("old.mdb"), destination = path("new.db");
        if (source.endsWith(".mdb"))
            copySample(source, dir_->path(), QStringLiteral("old.mdb"));
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
        QVERIFY2(out_.contains(printed) && out_.contains(QStringLiteral("has no Config")) == printed.contains("no Config"), qPrintable(out_));
        if (source == "legacy-db1.mdb")
            QCOMPARE(RawDatabase(destination).rows(QStringLiteral("SELECT 键位, 文件名 FROM Config ORDER BY rowid")), expectedConfigRows());
    }

    void check_data()
    {
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<Files>("files");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("problems");  // the start of each line before the summary
        QTest::newRow("every sound decodes, also in a subfolder")
            << Rows{{"a", "a.mp3"}, {"w", "w.wav"}, {"q", "sub\\q.mp3"}}
            << Files{{"a.mp3", "<sample>"}, {"w.wav", "<wav>"}, {"sub/q.mp3", "<sample>"}} << ExitStatus::Ok << QStringList{};
        QTest::newRow("a sound's first bytes alone do not make it playable")
            << Rows{{"m", "m.mp3"}, {"w", "w.wav"}}
            << Files{{"m.mp3", QByteArray("\xFF\xFB\x90\x64") + QByteArray(400, '\x55')}, {"w.wav", QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16)}}
            << ExitStatus::ProblemsFound
            << QStringList{"row 1 (key \"m\"): sound file MP3/m.mp3 cannot be decoded", "row 2 (key \"w\"): sound file MP3/w.wav cannot be decoded"};
        QTest::newRow("missing, empty, not audio, a folder, no name")
            << Rows{{"a", "gone.mp3"}, {"b", "empty.mp3"}, {"c", "text.mp3"}, {"d", "sub"}, {"e", ""}, {"f", QVariant()}}
            << Files{{"empty.mp3", ""}, {"text.mp3", "this is not a sound"}, {"sub/x", "x"}} << ExitStatus::ProblemsFound
            << QStringList{"row 1 (key \"a\"): sound file MP3/gone.mp3 does not exist", "row 2 (key \"b\"): sound file MP3/empty.mp3 is empty",
                           "row 3 (key \"c\"): sound file MP3/text.mp3 cannot be decoded", "row 4 (key \"d\"): sound file MP3/sub is not a file",
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
        const Files samples{{"<sample>", fileBytes(QDir(dataDir()).filePath(QStringLiteral("MP3/a.mp3")))},
                            {"<wav>", fileBytes(QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-half-s.wav"))}};
        for (auto file = files.cbegin(); file != files.cend(); ++file)
            writeFile(QDir(folder.soundFolderPath()).filePath(file.key()), samples.value(file.value(), file.value()));
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
