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

namespace {
using Rows = QList<QVariantList>;  // Config's (键位, 文件名) in table order

QByteArray mp3Sound() { return fileBytes(dataDir() + QStringLiteral("/MP3/a.mp3")); }
QByteArray wavSound() { return fileBytes(QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-half-s.wav")); }
QByteArray damagedSound(const char* name) { return fileBytes(KEYSOUND_SOUND_FIXTURES_DIR "/damaged/" + QString(name)); }

// keysound-db run as a process in a table's folder whose one mapping has no sound and which holds
// a FIFO, "fifo".
struct ProcessRun {
    QStringList arguments;
    int status;
    QStringList made = {};             // the files new in the folder afterwards
    QString standardOutput = {};       // a file in place of the pipe
    rlim_t sizeLimit = RLIM_INFINITY;  // for every file the process writes
    std::optional<int> number = {};    // the error number standard error reports
};

// A command that makes db1.mdb: init, or import from old.mdb.
struct Making {
    QStringList arguments;
    Files given = {};                     // the folder's files before
    std::optional<QString> refusal = {};  // what the refusal names; every file then stays as it was
    Rows mappings = {};                   // db1.mdb's afterwards
};

// A command that fills a table with sounds. Its own files, named in arguments as in/NAME:
// in/你好.mp3 and in/a.mp3 sound, in/bad.mp3 does not.
struct Filling {
    Rows mappings = {};
    Files sounds = {};
    QStringList arguments;
    int status;
    QStringList table;               // "key=file name" for each row afterwards
    QStringList changedSounds = {};  // the sounds in MP3/ that are new or have new bytes
};

struct Check {
    Rows mappings;
    Files sounds;
    QStringList problems;  // the rows each problem is about: "1" or "1, 3, 5"
};
}  // namespace
Q_DECLARE_METATYPE(ProcessRun)
Q_DECLARE_METATYPE(Making)
Q_DECLARE_METATYPE(Filling)
Q_DECLARE_METATYPE(Check)

// Runs in a folder of its own, so that the files it names are its own relative paths.
class KeysoundDbTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString out_, err_;

    int run(const QStringList& arguments)
    {
        out_.clear();
        err_.clear();
        QTextStream out(&out_), err(&err_);
        return runDbTool(arguments, out, err);  // the streams flush when they go
    }
    // The rows each line before the summary is about.
    QStringList rowsReported() const
    {
        QStringList rows;
        for (const QString& line : out_.split(u'\n', Qt::SkipEmptyParts))
            rows.append(QRegularExpression(QStringLiteral("rows? ([0-9, ]*[0-9])")).match(line).captured(1));
        return rows.mid(0, rows.size() - 1);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir_->path()));
    }

    // The executable itself: its exit status, results on stdout, complaints on stderr, what it made.
    void commandLine_data()
    {
        QTest::addColumn<ProcessRun>("r");
        const auto row = [](const char* name, const ProcessRun& r) { QTest::newRow(name) << r; };
        const int DiskFull = ErrorNumber::DiskFull;
        // clang-format off
        row("--help after -- is a file name", {.arguments = {"init", "--", "--help"}, .status = 0, .made = {"--help"}});
        row("--help before -- asks for help", {.arguments = {"init", "--help", "--", "x.db"}, .status = 0});
        row("--version after the command", {.arguments = {"export", "--version"}, .status = 0});
        row("no command", {.arguments = {}, .status = 2});
        row("unknown option", {.arguments = {"init", "--colour", "x.db"}, .status = 2});
        row("option without its value", {.arguments = {"init", "x.db", "--seed"}, .status = 2});
        row("failure", {.arguments = {"check", "/nonexistent/folder"}, .status = 3});
        row("pack over an existing file: refused", {.arguments = {"--folder", ".", "pack", "db1.mdb"}, .status = 3});
        row("pack --force over an existing file: replaced (its one row left out)",
            {.arguments = {"--folder", ".", "pack", "--force", "db1.mdb"}, .status = 1});
        for (const QString& line : {"init x.db y.db", "import a.mdb x.db y.db", "export a.mdb x.tsv y.tsv", "check x y",
                                    "pack x.kspack y.kspack", "unpack x.kspack y.kspack"})
            QTest::newRow(qPrintable("an extra argument: " + line)) << ProcessRun{.arguments = line.split(u' '), .status = 2};
        row("import of a FIFO: refused at once",
            {.arguments = {"import", "fifo", "new.db"}, .status = 3, .number = ErrorNumber::FileAccess});
        row("export to standard output on a full disk",
            {.arguments = {"export", "db1.mdb"}, .status = 3, .standardOutput = "/dev/full", .number = DiskFull});
        row("export to a full device: written to, not replaced",
            {.arguments = {"export", "--force", "db1.mdb", "/dev/stdout"}, .status = 3, .standardOutput = "/dev/full",
             .number = DiskFull});
        row("export to a file on a full disk: no file left",
            {.arguments = {"export", "db1.mdb", "seed.tsv"}, .status = 3, .sizeLimit = 8, .number = DiskFull});
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
        process.setWorkingDirectory(folder.path());
        if (!r.standardOutput.isEmpty())
            process.setStandardOutputFile(r.standardOutput);
        process.setChildProcessModifier([limit = r.sizeLimit] {  // beyond it a write fails, as on a full disk
            const rlimit bytes{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &bytes);
        });
        process.start(QStringLiteral(KEYSOUND_DB_EXECUTABLE), r.arguments);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), r.status);
        QCOMPARE(process.readAllStandardOutput().isEmpty(), r.status >= 2 || !r.standardOutput.isEmpty());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(err.isEmpty(), r.status <= 1);
        if (r.number)
            QVERIFY2(err.contains(QString::number(*r.number)), qPrintable(err));
        QStringList made = filesIn(folder.path());
        made.removeOne(QStringLiteral("db1.mdb"));
        QCOMPARE(made, r.made);
    }

    void makingATableFile_data()
    {
        QTest::addColumn<Making>("m");
        const auto row = [](const char* name, const Making& m) { QTest::newRow(name) << m; };
        const QStringList seeded{"init", "--seed=seed.tsv", "db1.mdb"};
        const QStringList import{"import", "old.mdb", "db1.mdb"};
        const QByteArray old("old content");
        const QByteArray legacy = fileBytes(QDir(jetFixturesDir()).filePath("legacy-db1.mdb"));
        const QTemporaryDir scratch;
        createMappingDatabase(scratch.filePath("sqlite.db"));
        const QByteArray sqlite = fileBytes(scratch.filePath("sqlite.db"));
        const QString bom = QStringLiteral("\uFEFF");
        // clang-format off
        row("seed: BOM, CRLF, comments, blank lines, an empty key, in order",
            {.arguments = seeded,
             .given = {{"seed.tsv", "\xEF\xBB\xBF# comment\r\na\ta.mp3\r\n\nB\tB upper.mp3\n好\t好.mp3\n"
                                    "\tno key.mp3\n"}},
             .mappings = {{"a", "a.mp3"}, {"B", "B upper.mp3"}, {"好", "好.mp3"}, {"", "no key.mp3"}}});
        row("seed: the file's one BOM is dropped; a second one and \\uFEFF begin keys",
            {.arguments = seeded,
             .given = {{"seed.tsv", "\xEF\xBB\xBF\xEF\xBB\xBF" "a\ta.mp3\n\\uFEFFb\t\\ufeffb.mp3\n"}},
             .mappings = {{bom + "a", "a.mp3"}, {bom + "b", bom + "b.mp3"}}});
        row("an existing file stays without --force",
            {.arguments = {"init", "db1.mdb"}, .given = {{"db1.mdb", old}}, .refusal = "db1.mdb"});
        row("--force replaces it, no seed: empty",
            {.arguments = {"init", "--force", "db1.mdb"}, .given = {{"db1.mdb", old}}});
        row("seed line with an empty file name",
            {.arguments = {"init", "--force", "--seed=seed.tsv", "db1.mdb"},
             .given = {{"seed.tsv", "a\ta.mp3\nb\t\n"}, {"db1.mdb", old}}, .refusal = "seed.tsv:2:"});
        row("seed with an unknown escape",
            {.arguments = seeded, .given = {{"seed.tsv", "a\\q\ta.mp3\n"}}, .refusal = "seed.tsv:1:"});
        row("import: a legacy file is copied",
            {.arguments = import, .given = {{"old.mdb", legacy}}, .mappings = expectedConfigRows()});
        row("import: an SQLite file is refused",
            {.arguments = import, .given = {{"old.mdb", sqlite}}, .refusal = "old.mdb"});
        row("import: an existing destination is kept",
            {.arguments = import, .given = {{"old.mdb", legacy}, {"db1.mdb", old}}, .refusal = "db1.mdb"});
        // clang-format on
    }
    void makingATableFile()
    {
        QFETCH(Making, m);
        for (auto file = m.given.cbegin(); file != m.given.cend(); ++file)
            writeFile(file.key(), file.value());
        if (m.refusal) {  // nothing new, nothing changed, no temporary left over
            QCOMPARE(run(m.arguments), ExitStatus::Failure);
            QVERIFY2(err_.contains(*m.refusal), qPrintable(err_));
            QCOMPARE(filesBelow("."), m.given);
            return;
        }
        QCOMPARE(run(m.arguments), ExitStatus::Ok);
        QCOMPARE(err_, QString());
        QCOMPARE(mappingsIn("db1.mdb"), m.mappings);
        Files others = filesBelow(".");
        others.remove("db1.mdb");
        m.given.remove("db1.mdb");
        QCOMPARE(others, m.given);  // the sources as they were, nothing left beside
    }

    // export writes what init --seed reads back row for row, whatever the texts hold.
    void exportRoundTrip_data()
    {
        QTest::addColumn<Rows>("mappings");
        QTest::addColumn<int>("status");
        const QString bom = QStringLiteral("\uFEFF");  // a file's first U+FEFF would be taken for its byte-order mark
        // clang-format off
        QTest::newRow("tab, line feed, CR, backslash; a leading '#' is no comment")
            << Rows{{"a\tb", "x.mp3"}, {"line\nbreak", "sub\\y.mp3"}, {"cr\r", "c\r\n.mp3"}, {"\\", "end\\"},
                    {"#", "h.mp3"}, {"#x", "#y.mp3"}, {"a#b", "c.mp3"}, {"\\#", "l.mp3"}} << ExitStatus::Ok;
        QTest::newRow("keys that begin with U+FEFF, the first one too")
            << Rows{{bom + "a", "x.mp3"}, {bom, bom + ".mp3"}, {"\\uFEFF", "e.mp3"}} << ExitStatus::Ok;
        QTest::newRow("empty and blank texts, case and order kept")
            << Rows{{"", "e.mp3"}, {" ", " "}, {"好", "好.mp3"}, {"B", "b.mp3"}, {"b", "b.mp3"}} << ExitStatus::Ok;
        QTest::newRow("a NULL key cannot be written")
            << Rows{{"a", "a.mp3"}, {QVariant(), "n.mp3"}} << ExitStatus::Failure;
        QTest::newRow("an empty file name cannot be written") << Rows{{"a", ""}} << ExitStatus::Failure;
        // clang-format on
    }
    void exportRoundTrip()
    {
        QFETCH(Rows, mappings);
        QFETCH(int, status);
        const TestAppFolder folder;
        fill(folder, mappings, {});
        QCOMPARE(run({"export", folder.databasePath(), "seed.tsv"}), status);
        if (status != ExitStatus::Ok) {
            QCOMPARE(filesIn("."), QStringList());  // a refused export leaves nothing
            return;
        }
        QCOMPARE(run({"init", "--seed", "seed.tsv", "copy.mdb"}), ExitStatus::Ok);
        QCOMPARE(mappingsIn("copy.mdb"), mappings);
        QCOMPARE(run({"export", folder.databasePath()}), ExitStatus::Ok);  // to stdout: the same text
        QCOMPARE(out_.toUtf8(), fileBytes("seed.tsv"));
    }

    void fillingTheTable_data()
    {
        QTest::addColumn<Filling>("filling");
        const auto row = [](const char* name, const Filling& f) { QTest::newRow(name) << f; };
        const QByteArray mp3 = mp3Sound(), wav = wavSound();
        // clang-format off
        row("speak: a mapping without a file name gets one, and its sound",
            {.mappings = {{"apple", QVariant()}, {"b", "b.mp3"}}, .sounds = {{"b.mp3", mp3}}, .arguments = {"speak"},
             .status = 0, .table = {"apple=apple.mp3", "b=b.mp3"}, .changedSounds = {"apple.mp3"}});
        row("speak: a file name that leads out of MP3/ is skipped",
            {.mappings = {{"x", "..\\..\\x.mp3"}, {"y", "y.mp3"}}, .arguments = {"speak"}, .status = 1,
             .table = {"x=..\\..\\x.mp3", "y=y.mp3"}, .changedSounds = {"y.mp3"}});
        row("speak: only the keys named; a sound is kept, a key the table lacks gets a mapping",
            {.mappings = {{"a", "a.mp3"}, {"b", "b.mp3"}}, .sounds = {{"a.mp3", mp3}},
             .arguments = {"speak", "A", "new"}, .status = 1, .table = {"a=a.mp3", "b=b.mp3", "new=new.mp3"},
             .changedSounds = {"new.mp3"}});
        row("speak --force: a key after -- replaces its sound",
            {.mappings = {{"-a", "a.mp3"}}, .sounds = {{"a.mp3", mp3}}, .arguments = {"speak", "--force", "--", "-a"},
             .status = 0, .table = {"-a=a.mp3"}, .changedSounds = {"a.mp3"}});
        row("add: a file that does not play is refused, the others come in",
            {.arguments = {"add", "in/bad.mp3", "in/你好.mp3"}, .status = 1, .table = {"你好=你好.mp3"},
             .changedSounds = {"你好.mp3"}});
        row("add: a key mapped already, or a name MP3/ holds with other bytes, is skipped",
            {.mappings = {{"你好", "x.mp3"}, {"b", "a.mp3"}}, .sounds = {{"x.mp3", mp3}, {"a.mp3", wav}},
             .arguments = {"add", "in/你好.mp3", "in/a.mp3"}, .status = 1, .table = {"你好=x.mp3", "b=a.mp3"}});
        row("add: names equal ignoring case give one key: the second file is skipped",
            {.arguments = {"add", "in/A.mp3", "in/a.mp3"}, .status = 1, .table = {"A=A.mp3"},
             .changedSounds = {"A.mp3"}});
        row("add: a backslash in a name refuses that file, the others come in",
            {.arguments = {"add", "in/b\\ad.mp3", "in/a.mp3"}, .status = 1, .table = {"a=a.mp3"},
             .changedSounds = {"a.mp3"}});
        row("add --overwrite: both are replaced",
            {.mappings = {{"你好", "x.mp3"}, {"b", "a.mp3"}}, .sounds = {{"x.mp3", mp3}, {"a.mp3", wav}},
             .arguments = {"add", "--overwrite", "in/你好.mp3", "in/a.mp3"}, .status = 0,
             .table = {"你好=你好.mp3", "b=a.mp3", "a=a.mp3"}, .changedSounds = {"a.mp3", "你好.mp3"}});
        // clang-format on
    }
    void fillingTheTable()
    {
        QFETCH(Filling, filling);
        const TestAppFolder folder;
        fill(folder, filling.mappings, filling.sounds);
        writeFile("in/你好.mp3", fileBytes(dataDir() + "/MP3/nihao.mp3"));
        for (const char* name : {"in/a.mp3", "in/A.mp3", "in/b\\ad.mp3"})
            writeFile(name, mp3Sound());
        writeFile("in/bad.mp3", "not a sound");
        const Files before = filesBelow(folder.soundFolderPath());
        QCOMPARE(run(QStringList{"--folder", folder.path()} + filling.arguments), filling.status);
        QCOMPARE(mappingTexts(folder.databasePath()), filling.table);
        const Files after = filesBelow(folder.soundFolderPath());
        QStringList changed;
        for (auto sound = after.begin(); sound != after.end(); ++sound) {
            if (before.value(sound.key()) != sound.value())
                changed.append(sound.key());
        }
        QCOMPARE(changed, filling.changedSounds);
    }

    void check_data()
    {
        QTest::addColumn<Check>("c");
        const auto row = [](const char* name, const Check& c) { QTest::newRow(name) << c; };
        const QByteArray mp3 = mp3Sound();
        // clang-format off
        row("every sound decodes, also in a subfolder",
            {.mappings = {{"a", "a.mp3"}, {"w", "w.wav"}, {"q", "sub\\q.mp3"}},
             .sounds = {{"a.mp3", mp3}, {"w.wav", wavSound()}, {"sub/q.mp3", mp3}}, .problems = {}});
        row("a sound's first bytes alone do not make it playable",
            {.mappings = {{"m", "m.mp3"}, {"w", "w.wav"}, {"a", "a.mp3"}},
             .sounds = {{"m.mp3", QByteArray("\xFF\xFB\x90\x64") + QByteArray(400, '\x55')},
                        {"w.wav", QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16)}, {"a.mp3", mp3}},
             .problems = {"1", "2"}});
        row("missing, empty, not audio, a folder, no name",
            {.mappings = {{"a", "gone.mp3"}, {"b", "empty.mp3"}, {"c", "text.mp3"}, {"d", "sub"}, {"e", ""},
                          {"f", QVariant()}, {"g", "a.mp3"}},
             .sounds = {{"empty.mp3", ""}, {"text.mp3", "not a sound"}, {"sub/x", mp3}, {"a.mp3", mp3}},
             .problems = {"1", "2", "3", "4", "5", "6"}});
        row("keys repeated ignoring case, ASCII and not",
            {.mappings = {{"b", "a.mp3"}, {"É", "a.mp3"}, {"B", "a.mp3"}, {"é", "a.mp3"}, {"b", "a.mp3"},
                          {"x", "a.mp3"}},
             .sounds = {{"a.mp3", mp3}}, .problems = {"1, 3, 5", "2, 4"}});
        row("a sound whose decoding crashes is reported; one with damaged tags plays",
            {.mappings = {{"c", "c.flac"}, {"t", "t.flac"}},
             .sounds = {{"c.flac", damagedSound("made-flac-claims-2-channels.flac")},
                        {"t.flac", damagedSound("made-flac-empty-comment.flac")}},
             .problems = {"1"}});
        row("empty and NULL keys",
            {.mappings = {{"", "a.mp3"}, {QVariant(), "a.mp3"}, {"", "a.mp3"}}, .sounds = {{"a.mp3", mp3}},
             .problems = {"1", "2", "3"}});
        // clang-format on
    }
    void check()
    {
        QFETCH(Check, c);
        const TestAppFolder folder;
        fill(folder, c.mappings, c.sounds);
        if (c.problems.isEmpty())
            QCOMPARE(run({"check", folder.path()}), ExitStatus::Ok);
        else
            QCOMPARE(run({"check", folder.path()}), ExitStatus::ProblemsFound);
        QCOMPARE(rowsReported(), c.problems);
    }
};

QTEST_GUILESS_MAIN(KeysoundDbTest)
#include "tst_keysounddb.moc"
