// Where the table lives: the folder rule through chooseAppFolder() on a machine the test lays out
// itself, and the command line. (Where the helper programs are found is proven by the whole-program
// runs in tests/e2e, portable and installed, and by every test that names them by KEYSOUND_*.)
#include "platform/AppFolder.h"
#include "platform/CommandLine.h"
#include "platform/Error.h"

#include "ErrorOf.h"
#include "TestFiles.h"

#include <QtTest>

using namespace keysound;
using test::fileBytes;

namespace {
// Folders are named relative to the test's root.
struct FolderCase {
    QString given = {};          // --folder
    QString environment = {};    // KEYSOUND_FOLDER
    bool table = false;          // db1.mdb beside the executable
    bool sounds = false;         // MP3/ beside the executable
    bool readOnly = false;       // the executable's folder
    QString brokenDefault = {};  // a default file replaced by a link to nothing
    QString chosen = {};
    QStringList made = {};  // what the user's data home holds afterwards
    int error = 0;
};

struct CommandLineCase {
    QStringList arguments;
    std::optional<QString> folder = std::nullopt;
    std::optional<int> endStatus = std::nullopt;
};
}  // namespace
Q_DECLARE_METATYPE(FolderCase)
Q_DECLARE_METATYPE(CommandLineCase)

class AppFolderTest : public QObject {
    Q_OBJECT

    // The machine: bin/ (the executable's folder), share/keysound/ (the installed
    // defaults), data/ (the user's data home), given/, environment/.
    std::optional<QTemporaryDir> root_;

    QString path(const QString& relative) const { return root_->filePath(relative); }
    void write(const QString& relative, const QByteArray& content) const { test::writeFile(path(relative), content); }
    QStringList entries(const QString& relative) const
    {
        return QDir(path(relative)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    platform::AppFolderInputs inputs() const
    {
        return {
            .executableFolder = path("bin"), .userDataHome = path("data"), .defaultsFolder = path("share/keysound")};
    }

private slots:
    void init()
    {
        root_.emplace();
        for (const char* folder : {"bin", "data", "given", "environment"})
            QDir(root_->path()).mkdir(folder);
        write("share/keysound/db1.mdb", "the default mappings");
        write("share/keysound/MP3/a.mp3", "a default sound");
    }
    void cleanup()
    {
        QFile::setPermissions(path("bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        root_.reset();
    }

    void folderRule_data()
    {
        QTest::addColumn<FolderCase>("row");
        QTest::newRow("--folder wins over KEYSOUND_FOLDER")
            << FolderCase{.given = "given", .environment = "environment", .chosen = "given"};
        QTest::newRow("a named folder wins over a portable one")
            << FolderCase{.environment = "environment", .table = true, .chosen = "environment"};
        QTest::newRow("portable: db1.mdb beside the executable") << FolderCase{.table = true, .chosen = "bin"};
        QTest::newRow("portable: only MP3 beside the executable") << FolderCase{.sounds = true, .chosen = "bin"};
        QTest::newRow("portable and read-only")
            << FolderCase{.table = true, .sounds = true, .readOnly = true, .chosen = "bin"};
        QTest::newRow("installed: the user's own folder is made")
            << FolderCase{.chosen = "data/keysound", .made = {"keysound"}};
        QTest::newRow("--folder names no folder") << FolderCase{.given = "nowhere", .error = ErrorNumber::PathNotFound};
        QTest::newRow("KEYSOUND_FOLDER names no folder")
            << FolderCase{.environment = "nowhere", .error = ErrorNumber::PathNotFound};
        QTest::newRow("a default sound cannot be read, midway")
            << FolderCase{.brokenDefault = "MP3/b.mp3", .error = ErrorNumber::FileAccess};
        QTest::newRow("no default table")
            << FolderCase{.brokenDefault = "db1.mdb", .error = ErrorNumber::DatabaseNotFound};
    }
    void folderRule()
    {
        QFETCH(FolderCase, row);
        if (row.table)
            write("bin/db1.mdb", "mappings");
        if (row.sounds)
            QDir(path("bin")).mkdir("MP3");
        if (row.readOnly)
            QFile::setPermissions(path("bin"), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        if (!row.brokenDefault.isEmpty()) {
            QFile::remove(path("share/keysound/" + row.brokenDefault));
            QVERIFY(QFile::link(path("missing"), path("share/keysound/" + row.brokenDefault)));
        }
        platform::AppFolderInputs in = inputs();
        if (!row.given.isEmpty())
            in.commandLineFolder = path(row.given);
        if (!row.environment.isEmpty())
            in.environmentFolder = path(row.environment);

        QString chosen;
        const int error =
            test::errorNumberOf([&] { chosen = QDir(root_->path()).relativeFilePath(platform::chooseAppFolder(in)); });
        QCOMPARE(chosen, row.chosen);
        QCOMPARE(error, row.error);
        QCOMPARE(entries("data"), row.made);  // nothing half made, no staging folder left
    }

    void userFolderIsMadeOnceThenLeftAlone()
    {
        platform::chooseAppFolder(inputs());
        QCOMPARE(fileBytes(path("data/keysound/db1.mdb")), "the default mappings");
        QCOMPARE(fileBytes(path("data/keysound/MP3/a.mp3")), "a default sound");

        write("data/keysound/db1.mdb", "the user's own mappings");
        QVERIFY(QFile::remove(path("data/keysound/MP3/a.mp3")));
        write("share/keysound/db1.mdb", "newer default mappings");
        QCOMPARE(platform::chooseAppFolder(inputs()), path("data/keysound"));
        QCOMPARE(fileBytes(path("data/keysound/db1.mdb")), "the user's own mappings");
        QCOMPARE(entries("data/keysound/MP3"), QStringList());
    }

    void commandLine_data()
    {
        constexpr int usageError = platform::CommandLine::UsageErrorExitCode;
        QTest::addColumn<CommandLineCase>("row");
        QTest::newRow("--folder DIR") << CommandLineCase{.arguments = {"keysound", "--folder", "/x"}, .folder = "/x"};
        QTest::newRow("--help") << CommandLineCase{.arguments = {"keysound", "--help"}, .endStatus = 0};
        QTest::newRow("an unknown option")
            << CommandLineCase{.arguments = {"keysound", "--fodler", "/x"}, .endStatus = usageError};
        QTest::newRow("a stray argument")
            << CommandLineCase{.arguments = {"keysound", "db1.mdb"}, .endStatus = usageError};
    }
    void commandLine()
    {
        QFETCH(CommandLineCase, row);
        const platform::CommandLine line = platform::parseCommandLine(row.arguments);
        QCOMPARE(line.folder, row.folder);
        QCOMPARE(line.endStatus, row.endStatus);
    }
};

QTEST_GUILESS_MAIN(AppFolderTest)
#include "tst_appfolder.moc"
