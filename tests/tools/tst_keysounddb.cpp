#include "DbTool.h"

#include "StoreTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace keysound;
using namespace keysound::tools;
using namespace keysound::test;

// Mappings as {key, file name}, in check with the file's content: "<mp3>" or "<wav>" for a real
// sound, "<dir>" for a folder; without it the file is missing.
using Rows = QList<QVariantList>;

// keysound-db run as a process. Arguments: <folder> is a folder whose one mapping has no sound
// (and that holds a FIFO, "fifo"), <db> its database.
struct ProcessRun {
    QStringList arguments;
    int status;
    QStringList made = {};         // the files in the working folder afterwards
    QString standardOutput = {};   // a file in place of the pipe
    rlim_t sizeLimit = RLIM_INFINITY;  // for every file the process writes
    std::optional<int> number = {};    // the error number standard error reports
};
Q_DECLARE_METATYPE(ProcessRun)

// A command that fills a table with sounds, on a table of `mappings` (see Rows). In `arguments`,
// "in/NAME" is a file of the test's own: in/你好.mp3 and in/a.mp3 sound, in/bad.mp3 does not.
struct Filling {
    Rows mappings;
    QStringList arguments;
    int status;
    QStringList table;          // "key=file name" for each row afterwards
    QStringList changedSounds;  // the sounds in MP3/ that are new or have new bytes
};
Q_DECLARE_METATYPE(Filling)

class TestKeysoundDb : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString out_, err_;

    QString path(const QString& name) const { return dir_->filePath(name); }
    int run(const QStringList& arguments)
    {
        out_.clear();
        err_.clear();
        QTextStream out(&out_), err(&err_);
        return runDbTool(arguments, out, err);  // the streams flush when they go
    }
    static void addMappings(const TestAppFolder& folder, const Rows& mappings)
    {
        const QMap<QString, QByteArray> sounds{{"<mp3>", fileBytes(QDir(dataDir()).filePath(QStringLiteral("MP3/a.mp3")))},
                                               {"<wav>", fileBytes(QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-half-s.wav"))}};
        for (const QVariantList& m : mappings) {
            folder.addMapping(m[0], m[1]);
            const QString content = m.value(2).toString();
            if (content.startsWith("<damaged/")) {  // a sample of the damaged-sound tests
                folder.writeFile("MP3/" + m[1].toString(), fileBytes(KEYSOUND_SOUND_FIXTURES_DIR "/" + content.mid(1).chopped(1)));
                continue;
            }
            const QString file = "MP3/" + m[1].toString().replace(u'\\', u'/') + (m.value(2) == "<dir>" ? "/x" : "");
            if (m.size() > 2)  // a folder holds a file x
                folder.writeFile(file, sounds.value(m[2].toString(), m[2].toByteArray()));
        }
    }
    // The rows each line before the summary is about ("1" or "1, 3, 5").
    QStringList rowsReported() const
    {
        QStringList rows;
        for (const QString& line : out_.split(u'\n', Qt::SkipEmptyParts))
            rows.append(QRegularExpression(QStringLiteral("rows? ([0-9, ]*[0-9])")).match(line).captured(1));
        return rows.mid(0, rows.size() - 1);
    }

private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    // The executable itself: its exit status, results on stdout, complaints on stderr, what it made.
    void commandLine_data()
    {
        // clang-format off
        QTest::addColumn<ProcessRun>("r");
        const auto row = [](const char* name, const ProcessRun& r) { QTest::newRow(name) << r; };
        row("--help after -- is a file name", {.arguments = {"init", "--", "--help"}, .status = 0, .made = {"--help"}});
        row("--help before -- asks for help", {.arguments = {"init", "--help", "--", "x.db"}, .status = 0});
        row("--version after the command", {.arguments = {"export", "--version"}, .status = 0});
        row("check found problems", {.arguments = {"check", "<folder>"}, .status = 1});
        row("no command", {.arguments = {}, .status = 2});
        row("unknown option", {.arguments = {"init", "--colour", "x.db"}, .status = 2});
        row("option without its value", {.arguments = {"init", "x.db", "--seed"}, .status = 2});
        row("failure", {.arguments = {"check", "/nonexistent/folder"}, .status = 3});
        const int DiskFull = ErrorNumber::DiskFull;
        row("import of a FIFO: refused at once",
            {.arguments = {"import", "<folder>/fifo", "new.db"}, .status = 3, .number = ErrorNumber::FileAccess});
        row("export to standard output on a full disk",
            {.arguments = {"export", "<db>"}, .status = 3, .standardOutput = "/dev/full", .number = DiskFull});
        row("export to a full device: written to, not replaced",
            {.arguments = {"export", "--force", "<db>", "/dev/stdout"}, .status = 3, .standardOutput = "/dev/full",
             .number = DiskFull});
        row("export to a file on a full disk: no file left",
            {.arguments = {"export", "<db>", "seed.tsv"}, .status = 3, .sizeLimit = 8, .number = DiskFull});
        row("init on a full disk: no file left",
            {.arguments = {"init", "x.db"}, .status = 3, .sizeLimit = 5000, .number = DiskFull});
        // clang-format on
    }
    void commandLine()
    {
        QFETCH(ProcessRun, r);
        const TestAppFolder folder;
        folder.addMapping(QStringLiteral("a"), QStringLiteral("gone.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder.path() + "/fifo").constData(), 0600), 0);
        QProcess process;
        process.setWorkingDirectory(dir_->path());
        if (!r.standardOutput.isEmpty())
            process.setStandardOutputFile(r.standardOutput);
        process.setChildProcessModifier([limit = r.sizeLimit] {  // beyond it a write fails, as on a full disk
            const rlimit bytes{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &bytes);
        });
        const QStringList arguments = QStringList(r.arguments)
                                          .replaceInStrings("<folder>", folder.path())
                                          .replaceInStrings("<db>", folder.databasePath());
        process.start(QStringLiteral(KEYSOUND_DB_EXECUTABLE), arguments);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), r.status);
        QCOMPARE(process.readAllStandardOutput().isEmpty(), r.status >= 2 || !r.standardOutput.isEmpty());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(err.isEmpty(), r.status <= 1);
        if (r.number)
            QVERIFY2(err.contains(QString::number(*r.number)), qPrintable(err));
        QCOMPARE(filesIn(dir_->path()), r.made);
    }

    void initCommand_data()
    {
        // clang-format off
        // seed null: no --seed; existing null: no file at the path yet;
        // names: what the refusal names, empty: no refusal
        QTest::addColumn<QByteArray>("seed");
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<bool>("force");
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<QString>("names");
        const QByteArray none, old("old content");
        QTest::newRow("seed: BOM, CRLF, comments, blank lines, an empty key, in order")
            << QByteArray("\xEF\xBB\xBF# comment\r\na\ta.mp3\r\n\nB\tB upper.mp3\n好\t好.mp3\n\tno key.mp3\n") << none << false
            << Rows{{"a", "a.mp3"}, {"B", "B upper.mp3"}, {"好", "好.mp3"}, {"", "no key.mp3"}} << "";
        const QString bom = QStringLiteral("\uFEFF");
        QTest::newRow("seed: the file's one BOM is dropped; a second one and \\uFEFF begin keys")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "a\ta.mp3\n\\uFEFFb\t\\ufeffb.mp3\n") << none << false
            << Rows{{bom + "a", "a.mp3"}, {bom + "b", bom + "b.mp3"}} << "";
        QTest::newRow("an existing file stays without --force") << none << old << false << Rows() << "db1.mdb";
        QTest::newRow("--force replaces it, no seed: empty") << none << old << true << Rows() << "";
        QTest::newRow("seed line without a tab") << QByteArray("a\ta.mp3\nb b.mp3\n") << none << false << Rows() << "seed.tsv:2:";
        QTest::newRow("seed line with an empty file name") << QByteArray("a\ta.mp3\nb\t\n") << old << true << Rows() << "seed.tsv:2:";
        QTest::newRow("seed with an unknown escape") << QByteArray("a\\q\ta.mp3\n") << none << false << Rows() << "seed.tsv:1:";
        // clang-format on
    }
    void initCommand()
    {
        QFETCH(QByteArray, seed);
        QFETCH(QByteArray, existing);
        QFETCH(bool, force);
        QFETCH(Rows, mappings);
        QFETCH(QString, names);
        QStringList arguments{"init", path("db1.mdb")};
        if (!seed.isNull()) {
            overwriteBytes(path("seed.tsv"), 0, seed);
            arguments.insert(1, "--seed=" + path("seed.tsv"));
        }
        if (!existing.isNull())
            overwriteBytes(path("db1.mdb"), 0, existing);
        if (force)
            arguments.insert(1, "--force");
        const QStringList filesBefore = filesIn(dir_->path());
        QCOMPARE(run(arguments), names.isEmpty() ? ExitStatus::Ok : ExitStatus::Failure);
        QVERIFY2(err_.contains(names), qPrintable(err_));
        if (!names.isEmpty()) {  // nothing new, no temporary left over, an existing file kept
            QVERIFY(filesIn(dir_->path()) == filesBefore && (existing.isNull() || fileBytes(path("db1.mdb")) == existing));
            return;
        }
        QCOMPARE(mappingsIn(path("db1.mdb")), mappings);
        for (const QVariantList& mapping : mappings)  // the key column ignores case
            QCOMPARE(lookUp(dir_->path(), mapping[0].toString().toUpper()), QStringList{mapping[1].toString()});
    }

    // export writes what init --seed reads back row for row, whatever the texts hold.
    void exportRoundTrip_data()
    {
        // clang-format off
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<int>("status");
        QTest::newRow("tab, line feed, CR, backslash; a leading '#' is no comment")
            << Rows{{"a\tb", "x.mp3"}, {"line\nbreak", "sub\\y.mp3"}, {"cr\r", "c\r\n.mp3"}, {"\\", "end\\"},
                    {"#", "h.mp3"}, {"#x", "#y.mp3"}, {"a#b", "c.mp3"}, {"\\#", "l.mp3"}} << ExitStatus::Ok;
        const QString bom = QStringLiteral("\uFEFF");  // a file's first U+FEFF would be taken for its byte-order mark
        QTest::newRow("keys that begin with U+FEFF, the first one too")
            << Rows{{bom + "a", "x.mp3"}, {bom, bom + ".mp3"}, {"\\uFEFF", "e.mp3"}} << ExitStatus::Ok;
        QTest::newRow("empty and blank texts, case and order kept")
            << Rows{{"", "e.mp3"}, {" ", " "}, {"好", "好.mp3"}, {"B", "b.mp3"}, {"b", "b.mp3"}} << ExitStatus::Ok;
        QTest::newRow("a NULL key cannot be written") << Rows{{"a", "a.mp3"}, {QVariant(), "n.mp3"}} << ExitStatus::Failure;
        QTest::newRow("an empty file name cannot be written") << Rows{{"a", ""}} << ExitStatus::Failure;
        // clang-format on
    }
    void exportRoundTrip()
    {
        QFETCH(Rows, mappings);
        QFETCH(int, status);
        const TestAppFolder folder;
        addMappings(folder, mappings);
        QCOMPARE(run({"export", folder.databasePath(), path("seed.tsv")}), status);
        QCOMPARE(filesIn(dir_->path()).size(), status == ExitStatus::Ok ? 1 : 0);  // a refused export leaves nothing
        if (status != ExitStatus::Ok)
            return;
        QCOMPARE(run({"init", "--seed", path("seed.tsv"), path("copy.mdb")}), ExitStatus::Ok);
        QCOMPARE(mappingsIn(path("copy.mdb")), mappings);
        QCOMPARE(run({"export", folder.databasePath()}), ExitStatus::Ok);  // to stdout: the same text
        QCOMPARE(out_.toUtf8(), fileBytes(path("seed.tsv")));
    }

    void import_data()
    {
        // clang-format off
        // source: a legacy sample or sqlite
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("destinationExists");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<Rows>("mappings");
        QTest::newRow("a legacy file is copied") << "legacy-db1.mdb" << false << false << expectedConfigRows();
        QTest::newRow("a legacy file without Config gets an empty one") << "testV1997.mdb" << false << false << Rows{};
        QTest::newRow("a damaged legacy file is refused") << "damaged/byte-8247-is-77.mdb" << false << true << Rows{};
        QTest::newRow("an SQLite file is refused") << "sqlite" << false << true << Rows{};
        QTest::newRow("an existing destination is kept") << "legacy-db1.mdb" << true << true << Rows{};
        // clang-format on
    }
    void import()
    {
        QFETCH(QString, source);
        QFETCH(bool, destinationExists);
        QFETCH(bool, refused);
        QFETCH(Rows, mappings);
        const QString old = path("old.mdb"), destination = path("new.db");
        if (source.endsWith(".mdb"))
            copySample(source, dir_->path(), QStringLiteral("old.mdb"));
        else
            createMappingDatabase(old);
        if (destinationExists)
            overwriteBytes(destination, 0, "keep me");
        const QByteArray before = fileBytes(old);
        QCOMPARE(run({"import", old, destination}), refused ? ExitStatus::Failure : ExitStatus::Ok);
        QCOMPARE(fileBytes(old), before);
        QCOMPARE(filesIn(dir_->path()), (QStringList{"new.db", "old.mdb"}).mid(!refused || destinationExists ? 0 : 1));
        QVERIFY2(err_.contains(destinationExists ? destination : old) == refused, qPrintable(err_));
        if (destinationExists)
            QCOMPARE(fileBytes(destination), QByteArray("keep me"));
        else if (!refused)
            QCOMPARE(mappingsIn(destination), mappings);
    }

    void fillingTheTable_data()
    {
        // clang-format off
        QTest::addColumn<Filling>("filling");
        QTest::newRow("speak: a mapping without a file name gets one, and its sound")
            << Filling{.mappings = {{"apple", QVariant()}, {"b", "b.mp3", "<mp3>"}}, .arguments = {"speak"}, .status = 0,
                       .table = {"apple=apple.mp3", "b=b.mp3"}, .changedSounds = {"apple.mp3"}};
        QTest::newRow("speak: a file name that leads out of MP3/ is skipped")
            << Filling{.mappings = {{"x", "..\\..\\x.mp3"}, {"y", "y.mp3"}}, .arguments = {"speak"}, .status = 1,
                       .table = {"x=..\\..\\x.mp3", "y=y.mp3"}, .changedSounds = {"y.mp3"}};
        QTest::newRow("speak: only the keys named; a sound is kept, a key the table lacks gets a mapping")
            << Filling{.mappings = {{"a", "a.mp3", "<mp3>"}, {"b", "b.mp3"}}, .arguments = {"speak", "A", "new"}, .status = 1,
                       .table = {"a=a.mp3", "b=b.mp3", "new=new.mp3"}, .changedSounds = {"new.mp3"}};
        QTest::newRow("speak --force: a key after -- replaces its sound")
            << Filling{.mappings = {{"-a", "a.mp3", "<mp3>"}}, .arguments = {"speak", "--force", "--", "-a"}, .status = 0,
                       .table = {"-a=a.mp3"}, .changedSounds = {"a.mp3"}};
        QTest::newRow("add: the file's name is its key")
            << Filling{.mappings = {{"b", "b.mp3", "<mp3>"}}, .arguments = {"add", "in/你好.mp3"}, .status = 0,
                       .table = {"b=b.mp3", "你好=你好.mp3"}, .changedSounds = {"你好.mp3"}};
        QTest::newRow("add: a file that does not play is refused, the others come in")
            << Filling{.mappings = {}, .arguments = {"add", "in/bad.mp3", "in/你好.mp3"}, .status = 1,
                       .table = {"你好=你好.mp3"}, .changedSounds = {"你好.mp3"}};
        QTest::newRow("add: a key mapped already, or a name MP3/ holds with other bytes, is skipped")
            << Filling{.mappings = {{"你好", "x.mp3", "<mp3>"}, {"b", "a.mp3", "<wav>"}}, .arguments = {"add", "in/你好.mp3", "in/a.mp3"},
                       .status = 1, .table = {"你好=x.mp3", "b=a.mp3"}, .changedSounds = {}};
        QTest::newRow("add --overwrite: both are replaced")
            << Filling{.mappings = {{"你好", "x.mp3", "<mp3>"}, {"b", "a.mp3", "<wav>"}},
                       .arguments = {"add", "--overwrite", "in/你好.mp3", "in/a.mp3"}, .status = 0,
                       .table = {"你好=你好.mp3", "b=a.mp3", "a=a.mp3"}, .changedSounds = {"a.mp3", "你好.mp3"}};
        // clang-format on
    }
    void fillingTheTable()
    {
        QFETCH(Filling, filling);
        const TestAppFolder folder;
        addMappings(folder, filling.mappings);
        QDir(path(".")).mkdir("in");
        QFile::copy(QDir(dataDir()).filePath("MP3/nihao.mp3"), path("in/你好.mp3"));
        QFile::copy(QDir(dataDir()).filePath("MP3/a.mp3"), path("in/a.mp3"));
        QFile::copy(KEYSOUND_AUDIO_FIXTURES_DIR "/make-fixtures.sh", path("in/bad.mp3"));
        const auto sounds = [&] {
            QMap<QString, QByteArray> bytes;
            for (const QString& name : QDir(folder.soundFolderPath()).entryList(QDir::Files))
                bytes.insert(name, fileBytes(QDir(folder.soundFolderPath()).filePath(name)));
            return bytes;
        };
        const QMap<QString, QByteArray> before = sounds();
        QStringList arguments{"--folder", folder.path()};
        for (const QString& argument : filling.arguments) {
            if (argument.startsWith("in/"))
                arguments.append(path(argument));
            else
                arguments.append(argument);
        }
        QCOMPARE(run(arguments), filling.status);
        QStringList table;
        for (const QVariantList& row : mappingsIn(folder.databasePath()))
            table.append(row.value(0).toString() + "=" + row.value(1).toString());
        QCOMPARE(table, filling.table);
        const QMap<QString, QByteArray> after = sounds();
        QStringList changed;
        for (auto sound = after.begin(); sound != after.end(); ++sound) {
            if (before.value(sound.key()) != sound.value())
                changed.append(sound.key());
        }
        QCOMPARE(changed, filling.changedSounds);
    }

    // Every command works on the table the program would use, or the one --folder names.
    void tableFolderRule_data()
    {
        QTest::addColumn<QString>("environment");  // KEYSOUND_FOLDER
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("checked");  // the folder whose db1.mdb was read
        QTest::newRow("KEYSOUND_FOLDER") << "<a>" << QStringList{"check"} << "<a>";
        QTest::newRow("--folder wins over KEYSOUND_FOLDER") << "<a>" << QStringList{"check", "--folder", "<b>"} << "<b>";
        QTest::newRow("check FOLDER, as before --folder") << "" << QStringList{"check", "<b>"} << "<b>";
    }
    void tableFolderRule()
    {
        QFETCH(QString, environment);
        QFETCH(QStringList, arguments);
        QFETCH(QString, checked);
        const TestAppFolder a;
        const TestAppFolder b;
        const auto named = [&](QString text) { return text.replace("<a>", a.path()).replace("<b>", b.path()); };
        qputenv("KEYSOUND_FOLDER", named(environment).toUtf8());
        for (QString& argument : arguments)
            argument = named(argument);
        const int status = run(arguments);
        qunsetenv("KEYSOUND_FOLDER");
        QCOMPARE(status, ExitStatus::Ok);
        QVERIFY2(out_.contains(QDir(named(checked)).filePath("db1.mdb")), qPrintable(out_));
    }

    void check_data()
    {
        // clang-format off
        // problems: the rows each problem is about
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<QStringList>("problems");
        QTest::newRow("every sound decodes, also in a subfolder")
            << Rows{{"a", "a.mp3", "<mp3>"}, {"w", "w.wav", "<wav>"}, {"q", "sub\\q.mp3", "<mp3>"}} << QStringList{};
        QTest::newRow("a sound's first bytes alone do not make it playable")
            << Rows{{"m", "m.mp3", QByteArray("\xFF\xFB\x90\x64") + QByteArray(400, '\x55')}, {"w", "w.wav", QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16)},
                    {"a", "a.mp3", "<mp3>"}} << QStringList{"1", "2"};
        QTest::newRow("missing, empty, not audio, a folder, no name")
            << Rows{{"a", "gone.mp3"}, {"b", "empty.mp3", ""}, {"c", "text.mp3", "not a sound"}, {"d", "sub", "<dir>"}, {"e", ""}, {"f", QVariant()},
                    {"g", "a.mp3", "<mp3>"}} << QStringList{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("keys repeated ignoring case, ASCII and not")
            << Rows{{"b", "a.mp3", "<mp3>"}, {"É", "a.mp3"}, {"B", "a.mp3"}, {"é", "a.mp3"}, {"b", "a.mp3"}, {"x", "a.mp3"}} << QStringList{"1, 3, 5", "2, 4"};
        QTest::newRow("a sound whose decoding crashes is reported; one with damaged tags plays")
            << Rows{{"c", "c.flac", "<damaged/made-flac-claims-2-channels.flac>"}, {"t", "t.flac", "<damaged/made-flac-empty-comment.flac>"}}
            << QStringList{"1"};
        QTest::newRow("empty and NULL keys") << Rows{{"", "a.mp3", "<mp3>"}, {QVariant(), "a.mp3"}, {"", "a.mp3"}} << QStringList{"1", "2", "3"};
        // clang-format on
    }
    void check()
    {
        QFETCH(Rows, mappings);
        QFETCH(QStringList, problems);
        const TestAppFolder folder;
        addMappings(folder, mappings);
        QCOMPARE(run({"check", folder.path()}), problems.isEmpty() ? ExitStatus::Ok : ExitStatus::ProblemsFound);
        QCOMPARE(rowsReported(), problems);
    }
};

QTEST_GUILESS_MAIN(TestKeysoundDb)
#include "tst_keysounddb.moc"
