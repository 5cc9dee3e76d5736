#include "platform/AppFolder.h"

#include "platform/Error.h"
#include "platform/FileServices.h"
#include "platform/InstallLayout.h"
#include "platform/PlatformText.h"
#include "platform/StagingFolder.h"
#include "platform/TableFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace keysound::platform {

namespace {
QString& chosenFolder()
{
    static QString folder;  // the folder this run works on, decided once before any window opens
    return folder;
}

QString absoluteFolder(const QString& folder) { return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); }

QString namedFolder(const QString& folder, const QString& namedBy)
{
    if (!QFileInfo(folder).isDir())
        throw Error(ErrorNumber::PathNotFound,
                    PlatformText::tr("The folder \"%1\" given by %2 does not exist. Create it, "
                                     "or give a folder that holds db1.mdb and MP3.")
                        .arg(QDir::toNativeSeparators(folder), namedBy));
    return absoluteFolder(folder);
}

bool isPortableFolder(const QString& folder)
{
    const TableFolder table(folder);
    return QFileInfo::exists(table.databaseNativePath()) || QFileInfo(table.soundFolderNativePath()).isDir();
}

[[noreturn]] void throwNotMade(const QString& userFolder, const QString& why)
{
    throw Error(ErrorNumber::FileAccess, PlatformText::tr("Your own keysound folder \"%1\" could not be made: %2")
                                             .arg(QDir::toNativeSeparators(userFolder), why));
}

// Everything below `from`, folders and files alike; an entry that cannot be copied (a dangling
// link, an unreadable file) fails the whole copy rather than leave a table without its sounds.
void copyTree(const QString& from, const QString& to, const QString& userFolder)
{
    const QFileInfoList entries =
        QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString destination = QDir(to).filePath(entry.fileName());
        if (!entry.isDir()) {
            try {
                copyFileReplacing(entry.filePath(), destination);
            } catch (const Error& error) {
                throwNotMade(userFolder, error.description());
            }
        } else if (QDir().mkdir(destination)) {
            copyTree(entry.filePath(), destination, userFolder);
        } else {
            throwNotMade(userFolder, QDir::toNativeSeparators(destination));
        }
    }
}

void seedUserFolder(const QString& defaultsFolder, const QString& userFolder)
{
    if (!QFileInfo(TableFolder(defaultsFolder).databaseNativePath()).isFile())
        throw Error(ErrorNumber::DatabaseNotFound,
                    PlatformText::tr("The default mappings in \"%1\" are missing, so your own keysound "
                                     "folder \"%2\" cannot be made. Install keysound again, or start it "
                                     "with --folder and a folder of your own.")
                        .arg(QDir::toNativeSeparators(defaultsFolder), QDir::toNativeSeparators(userFolder)));
    const QString parent = QFileInfo(userFolder).absolutePath();
    if (!QDir().mkpath(parent))
        throwNotMade(userFolder, QDir::toNativeSeparators(parent));
    const QString stagingPrefix = QStringLiteral(".keysound-new-");
    StagingFolder::removeAbandoned(parent, stagingPrefix);  // of a first start that was killed
    StagingFolder staging(parent, stagingPrefix);
    if (!staging.isValid())
        throwNotMade(userFolder, staging.errorString());
    copyTree(defaultsFolder, staging.path(), userFolder);
    if (!staging.moveInto(userFolder) && !QFileInfo::exists(userFolder))  // else another start made it first
        throwNotMade(userFolder, QDir::toNativeSeparators(staging.path()));
}

// $HOME, else the home folder the password database gives this user (a service or a cron job may
// run without HOME). Never "/": a user folder there would be everyone's.
QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return home;
    std::vector<char> buffer(16 * 1024);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        QDir::isAbsolutePath(QFile::decodeName(found->pw_dir)) && QByteArray(found->pw_dir) != "/")
        return QFile::decodeName(found->pw_dir);
    throw Error(ErrorNumber::PathNotFound, PlatformText::tr("Your home folder is unknown: HOME is not set and the user "
                                                            "database has no home folder for you. Set HOME, or start "
                                                            "keysound with --folder and a folder of your own."));
}

// An XDG base folder: the variable when it holds an absolute path; unset, empty or relative, the
// variable is ignored, as the XDG rules say.
QString xdgFolder(const char* variable, const QString& fallbackBelowHome)
{
    const QString folder = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(folder) ? folder : homeFolder() + fallbackBelowHome;
}

QString dataHome() { return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")); }
}  // namespace

AppFolderInputs AppFolderInputs::ofThisRun(std::optional<QString> commandLineFolder)
{
    return {.commandLineFolder = std::move(commandLineFolder),
            .environmentFolder = qEnvironmentVariable("KEYSOUND_FOLDER"),
            .executableFolder = QCoreApplication::applicationDirPath(),
            .userDataHome = {},  // asked only when no other folder is chosen: a named folder needs no home
            .defaultsFolder = installedDefaultsFolder()};
}

QString chooseAppFolder(const AppFolderInputs& inputs)
{
    if (inputs.commandLineFolder)
        return namedFolder(*inputs.commandLineFolder, QStringLiteral("--folder"));
    if (!inputs.environmentFolder.isEmpty())
        return namedFolder(inputs.environmentFolder, QStringLiteral("KEYSOUND_FOLDER"));
    if (isPortableFolder(inputs.executableFolder))
        return absoluteFolder(inputs.executableFolder);
    const QString home = inputs.userDataHome.isEmpty() ? dataHome() : inputs.userDataHome;
    const QString userFolder = absoluteFolder(QDir(home).filePath(QStringLiteral("keysound")));
    if (!QFileInfo(userFolder).exists() && inputs.mayMakeUserFolder)
        seedUserFolder(inputs.defaultsFolder, userFolder);
    return userFolder;
}

void decideAppFolder(const AppFolderInputs& inputs) { chosenFolder() = chooseAppFolder(inputs); }

QString usersOwnFolder() { return absoluteFolder(QDir(dataHome()).filePath(QStringLiteral("keysound"))); }

QString usersCacheFolder()
{
    const QString cacheHome = xdgFolder("XDG_CACHE_HOME", QStringLiteral("/.cache"));
    return absoluteFolder(QDir(cacheHome).filePath(QStringLiteral("keysound")));
}

QString appFolder()
{
    if (!chosenFolder().isEmpty())
        return chosenFolder();
    return QCoreApplication::applicationDirPath();
}

void setAppFolderOverride(const QString& folder) { chosenFolder() = folder; }

}  // namespace keysound::platform
