// Where the table lives: the folder rule through chooseAppFolder() on a machine the test lays out
// itself, and the command line. (Where the helper programs are found is proven by the whole-program
// runs in tests/e2e, portable and installed, and by every test that names them by KEYSOUND_*.)
#include "platform/AppFolder.h"
#include "platform/CommandLine.h"
#include "platform/Error.h"

#include "platform/StagingFolder.h"

#include "ErrorOf.h"
#include "KilledChild.h"
#include "TestFiles.h"

#include <QtTest>
#include <pwd.h>
#include <unistd.h>

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

// The environment the user's folder follows; a null text unsets the variable.
struct HomeCase {
    QByteArray home{}, dataHome{};
    QString userFolder;  // "<user database>" stands for the home folder getpwuid() gives
};

struct CommandLineCase {
    QStringList arguments;
    std::optional<QString> folder = std::nullopt;
    std::optional<int> endStatus = std::nullopt;
};
}  // namespace
Q_DECLARE_METATYPE(FolderCase)
Q_DECLARE_METATYPE(CommandLineCase)
Q_DECLARE_METATYPE(HomeCase)

class AppFolderTest : public QObject {
    Q_OBJECT

    // The machine: bin/ (the executable's folder), share/keysound/ (the installed
    // defaults), data/ (the user's data home), given/, environment/.
    std::optional<QTemporaryDir> root_;
    const QByteArray homeBefore_ = qgetenv("HOME"), dataHomeBefore_ = qgetenv("XDG_DATA_HOME");

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
        for (const auto& [name, value] : {std::pair{"HOME", homeBefore_}, std::pair{"XDG_DATA_HOME", dataHomeBefore_}})
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
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

    // A first start killed while it copies the defaults leaves its hidden folder; the next first
    // start removes it, and only it: the folder of a start going on at the same time stays.
    void killedFirstStartIsClearedByTheNext_data()
    {
        QTest::addColumn<int>("copied");
        for (int copied : {0, 40, 120})
            QTest::addRow("killed after %d sounds", copied) << copied;
    }
    void killedFirstStartIsClearedByTheNext()
    {
        QFETCH(int, copied);
        for (int i = 0; i < 150; ++i)
            write(QStringLiteral("share/keysound/MP3/%1.mp3").arg(i), QByteArray(4096, 's'));
        const auto stagedSounds = [&] {
            const QStringList staging = entries("data").filter(".keysound-new-");
            return staging.isEmpty() ? -1 : int(entries("data/" + staging.first() + "/MP3").size());
        };
        QVERIFY(test::killChildWhen([&] { platform::chooseAppFolder(inputs()); },
                                    [&] { return stagedSounds() >= copied; }));
        QCOMPARE(entries("data").filter(".keysound-new-").size(), 1);
        const platform::StagingFolder concurrent(path("data"), ".keysound-new-");

        QCOMPARE(platform::chooseAppFolder(inputs()), path("data/keysound"));
        QCOMPARE(entries("data"), (QStringList{QFileInfo(concurrent.path()).fileName(), "keysound"}));
        QCOMPARE(entries("data/keysound/MP3").size(), 151);
    }

    // HOME and XDG_DATA_HOME as a user's session, a service or a cron job may leave them.
    void userFolderFollowsTheEnvironment_data()
    {
        QTest::addColumn<HomeCase>("row");
        const auto row = [](const char* name, const HomeCase& c) { QTest::newRow(name) << c; };
        row("XDG_DATA_HOME", {.home = "/h", .dataHome = "/d", .userFolder = "/d/keysound"});
        row("a relative XDG_DATA_HOME is ignored",
            {.home = "/h", .dataHome = "d", .userFolder = "/h/.local/share/keysound"});
        row("an empty XDG_DATA_HOME is ignored",
            {.home = "/h", .dataHome = "", .userFolder = "/h/.local/share/keysound"});
        row("no HOME: the user database's home", {.userFolder = "<user database>/.local/share/keysound"});
        row("a relative HOME: the user database's home",
            {.home = "h", .userFolder = "<user database>/.local/share/keysound"});
    }
    void userFolderFollowsTheEnvironment()
    {
        QFETCH(HomeCase, row);
        for (const auto& [name, value] : {std::pair{"HOME", row.home}, std::pair{"XDG_DATA_HOME", row.dataHome}})
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        const QString userHome = QFile::decodeName(::getpwuid(::getuid())->pw_dir);
        QCOMPARE(platform::usersOwnFolder(), QString(row.userFolder).replace("<user database>", userHome));
    }

    // Without HOME and without a home in the user database there is no user folder, not one below /.
    void noHomeAtAllIsAnError()
    {
        qunsetenv("HOME");
        qunsetenv("XDG_DATA_HOME");
        if (::getuid() != 0)
            QSKIP("needs root, to become a user the user database does not know");
        QVERIFY(!::getpwuid(54321));
        const auto errorOfUnknownUser = [] {
            if (::setuid(54321) != 0)
                ::_exit(1);
            ::_exit(test::errorNumberOf([] { platform::usersOwnFolder(); }) == ErrorNumber::PathNotFound ? 0 : 2);
        };
        QCOMPARE(test::exitStatusOfChild(errorOfUnknownUser), 0);
    }

    void commandLine_data()
    {
        constexpr int usageError = platform::CommandLine::UsageErrorExitCode;
        QTest::addColumn<CommandLineCase>("row");
        QTest::newRow("--folder DIR") << CommandLineCase{.arguments = {"keysound", "--folder", "/x"}, .folder = "/x"};
        QTest::newRow("--help") << CommandLineCase{.arguments = {"keysound", "--help"}, .endStatus = 0};
        QTest::newRow("an unknown option")
            << CommandLineCase{.arguments = {"keysound", "--fodler=/x"}, .endStatus = usageError};
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
