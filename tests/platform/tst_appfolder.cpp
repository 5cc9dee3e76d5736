// Where the table lives: the folder rule through chooseAppFolder() on a machine the test lays out
// itself, the helper programs found from the executable's folder, and the command line.
#include "platform/AppFolder.h"
#include "platform/CommandLine.h"
#include "platform/Error.h"
#include "platform/InstallLayout.h"

#include <QtTest>

using namespace keysound;

namespace {
enum class Chosen { CommandLineFolder,
                    EnvironmentFolder,
                    ExecutableFolder,
                    UserFolder };

struct FolderCase {
    bool commandLine = false;           // --folder names an existing folder
    bool environment = false;           // KEYSOUND_FOLDER names another
    QStringList besideExecutable = {};  // "db1.mdb", "MP3/"
    bool readOnly = false;              // the executable's folder
    Chosen chosen = Chosen::UserFolder;
};

struct HelperCase {
    bool beside = false;
    bool installed = false;
    bool named = false;  // by KEYSOUND_SOUND_CHECKER
    QString found;       // relative to the test's root
};

struct CommandLineCase {
    QStringList arguments;
    std::optional<QString> folder = std::nullopt;
    std::optional<int> endStatus = std::nullopt;
};

std::optional<int> errorNumberOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.number();
    }
    return std::nullopt;
}
}  // namespace
Q_DECLARE_METATYPE(FolderCase)
Q_DECLARE_METATYPE(HelperCase)
Q_DECLARE_METATYPE(CommandLineCase)

class tst_appfolder : public QObject {
    Q_OBJECT

    // The machine as the test lays it out: bin/ (the executable's folder), libexec/keysound/,
    // share/keysound/ (the installed defaults), data/ (the user's data home), given/, environment/.
    std::optional<QTemporaryDir> root_;

    QString path(const QString& relative) const { return root_->filePath(relative); }
    void write(const QString& relative, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray read(const QString& relative) const
    {
        QFile file(path(relative));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    QStringList entries(const QString& relative) const
    {
        return QDir(path(relative)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    platform::AppFolderInputs inputs() const
    {
        return {.executableFolder = path("bin"),
                .userDataHome = path("data"),
                .defaultsFolder = path("share/keysound")};
    }

private slots:
    void initTestCase() { qunsetenv("KEYSOUND_SOUND_CHECKER"); }
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

    void choosesTheFolder_data()
    {
        QTest::addColumn<FolderCase>("row");
        QTest::newRow("--folder") << FolderCase{.commandLine = true, .chosen = Chosen::CommandLineFolder};
        QTest::newRow("KEYSOUND_FOLDER") << FolderCase{.environment = true, .chosen = Chosen::EnvironmentFolder};
        QTest::newRow("--folder wins over KEYSOUND_FOLDER")
            << FolderCase{.commandLine = true, .environment = true, .chosen = Chosen::CommandLineFolder};
        QTest::newRow("a named folder wins over a portable one")
            << FolderCase{.environment = true, .besideExecutable = {"db1.mdb"}, .chosen = Chosen::EnvironmentFolder};
        QTest::newRow("portable: db1.mdb beside the executable")
            << FolderCase{.besideExecutable = {"db1.mdb"}, .chosen = Chosen::ExecutableFolder};
        QTest::newRow("portable: only MP3 beside the executable")
            << FolderCase{.besideExecutable = {"MP3/"}, .chosen = Chosen::ExecutableFolder};
        QTest::newRow("portable and read-only")
            << FolderCase{.besideExecutable = {"db1.mdb", "MP3/"},
                          .readOnly = true,
                          .chosen = Chosen::ExecutableFolder};
        QTest::newRow("installed: the user's own folder") << FolderCase{.chosen = Chosen::UserFolder};
    }
    void choosesTheFolder()
    {
        QFETCH(FolderCase, row);
        for (const QString& entry : row.besideExecutable) {
            if (entry.endsWith('/'))
                QDir(path("bin")).mkdir(entry);
            else
                write("bin/" + entry, "mappings");
        }
        if (row.readOnly)
            QFile::setPermissions(path("bin"), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        platform::AppFolderInputs in = inputs();
        if (row.commandLine)
            in.commandLineFolder = path("given");
        if (row.environment)
            in.environmentFolder = path("environment");
        const QString expected[] = {path("given"), path("environment"), path("bin"), path("data/keysound")};
        QCOMPARE(platform::chooseAppFolder(in), expected[int(row.chosen)]);
    }

    void userFolderIsMadeOnceThenLeftAlone()
    {
        QCOMPARE(platform::chooseAppFolder(inputs()), path("data/keysound"));
        QCOMPARE(read("data/keysound/db1.mdb"), "the default mappings");
        QCOMPARE(read("data/keysound/MP3/a.mp3"), "a default sound");
        QCOMPARE(entries("data"), QStringList{"keysound"});  // no staging folder left beside it

        write("data/keysound/db1.mdb", "the user's own mappings");
        QVERIFY(QFile::remove(path("data/keysound/MP3/a.mp3")));
        write("share/keysound/db1.mdb", "newer default mappings");
        QCOMPARE(platform::chooseAppFolder(inputs()), path("data/keysound"));
        QCOMPARE(read("data/keysound/db1.mdb"), "the user's own mappings");
        QCOMPARE(entries("data/keysound/MP3"), QStringList());
    }

    void failuresMakeNothing_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("brokenDefault");
        QTest::addColumn<int>("number");
        QTest::newRow("--folder names no folder") << "nowhere"
                                                  << ""
                                                  << "" << ErrorNumber::PathNotFound;
        QTest::newRow("KEYSOUND_FOLDER names no folder") << ""
                                                         << "nowhere"
                                                         << "" << ErrorNumber::PathNotFound;
        QTest::newRow("a default sound cannot be read, midway") << ""
                                                                << ""
                                                                << "MP3/b.mp3" << ErrorNumber::FileAccess;
        QTest::newRow("no default table") << ""
                                          << ""
                                          << "db1.mdb" << ErrorNumber::DatabaseNotFound;
    }
    void failuresMakeNothing()
    {
        QFETCH(QString, given);
        QFETCH(QString, environment);
        QFETCH(QString, brokenDefault);
        QFETCH(int, number);
        platform::AppFolderInputs in = inputs();
        if (!given.isEmpty())
            in.commandLineFolder = path(given);
        if (!environment.isEmpty())
            in.environmentFolder = path(environment);
        if (!brokenDefault.isEmpty()) {  // a link to nothing in place of the file
            QFile::remove(path("share/keysound/" + brokenDefault));
            QVERIFY(QFile::link(path("missing"), path("share/keysound/" + brokenDefault)));
        }
        QCOMPARE(errorNumberOf([&] { platform::chooseAppFolder(in); }), number);
        QCOMPARE(entries("data"), QStringList());
    }

    void decidedOnceForTheRun()
    {
        write("bin/db1.mdb", "mappings");
        platform::decideAppFolder(inputs());
        QVERIFY(QFile::remove(path("bin/db1.mdb")));
        QCOMPARE(platform::appFolder(), path("bin"));
        platform::setAppFolderOverride({});
    }

    void findsHelpers_data()
    {
        QTest::addColumn<HelperCase>("row");
        QTest::newRow("beside the executable (portable)")
            << HelperCase{.beside = true, .installed = true, .found = "bin/keysound-sound-checker"};
        QTest::newRow("in ../libexec/keysound (installed)")
            << HelperCase{.installed = true, .found = "libexec/keysound/keysound-sound-checker"};
        QTest::newRow("named by KEYSOUND_SOUND_CHECKER")
            << HelperCase{.beside = true, .named = true, .found = "elsewhere/checker"};
    }
    void findsHelpers()
    {
        QFETCH(HelperCase, row);
        for (const auto& [present, relative] : {std::pair{row.beside, "bin/keysound-sound-checker"},
                                                {row.installed, "libexec/keysound/keysound-sound-checker"},
                                                {row.named, "elsewhere/checker"}}) {
            if (!present)
                continue;
            write(relative, "#!/bin/sh\n");
            QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::ExeOwner);
        }
        if (row.named)
            qputenv("KEYSOUND_SOUND_CHECKER", QFile::encodeName(path("elsewhere/checker")));
        const QString found = platform::helperExecutable("keysound-sound-checker", path("bin"));
        qunsetenv("KEYSOUND_SOUND_CHECKER");
        QCOMPARE(QDir::cleanPath(found), path(row.found));
    }

    void commandLine_data()
    {
        QTest::addColumn<CommandLineCase>("row");
        QTest::newRow("nothing") << CommandLineCase{.arguments = {"keysound"}};
        constexpr int usageError = platform::CommandLine::UsageErrorExitCode;
        QTest::newRow("--folder DIR")
            << CommandLineCase{.arguments = {"keysound", "--folder", "/srv/x"}, .folder = "/srv/x"};
        QTest::newRow("--help") << CommandLineCase{.arguments = {"keysound", "--help"}, .endStatus = 0};
        QTest::newRow("an unknown option")
            << CommandLineCase{.arguments = {"keysound", "--fodler", "/srv/x"}, .endStatus = usageError};
        QTest::newRow("a stray argument") << CommandLineCase{.arguments = {"keysound", "db1.mdb"}, .endStatus = usageError};
    }
    void commandLine()
    {
        QFETCH(CommandLineCase, row);
        const platform::CommandLine line = platform::parseCommandLine(row.arguments);
        QCOMPARE(line.folder, row.folder);
        QCOMPARE(line.endStatus, row.endStatus);
    }
};

QTEST_GUILESS_MAIN(tst_appfolder)
#include "tst_appfolder.moc"
