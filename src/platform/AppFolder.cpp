#include "platform/AppFolder.h"

#include "platform/Error.h"
#include "platform/FileServices.h"
#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace keysound::platform {

namespace {
QString& chosenFolder()
{
    static QString folder;
    return folder;
}

QString absoluteFolder(const QString& folder) { return QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); }

QString namedFolder(const QString& folder, const QString& namedBy)
{
    if (!QFileInfo(folder).isDir())
        throw Error(ErrorNumber::PathNotFound,
                    QCoreApplication::translate("AppFolder", "The folder \"%1\" given by %2 does not exist. Create it, "
                                                             "or give a folder that holds db1.mdb and MP3.")
                        .arg(QDir::toNativeSeparators(folder), namedBy));
    return absoluteFolder(folder);
}

bool isPortableFolder(const QString& folder)
{
    const QDir dir(folder);
    const bool holdsTable = QFileInfo::exists(dir.filePath(QStringLiteral("db1.mdb")));
    return holdsTable || QFileInfo(dir.filePath(QStringLiteral("MP3"))).isDir();
}

[[noreturn]] void throwNotMade(const QString& userFolder, const QString& why)
{
    throw Error(ErrorNumber::FileAccess,
                QCoreApplication::translate("AppFolder", "Your own keysound folder \"%1\" could not be made: %2")
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
    if (!QFileInfo(QDir(defaultsFolder).filePath(QStringLiteral("db1.mdb"))).isFile())
        throw Error(ErrorNumber::DatabaseNotFound,
                    QCoreApplication::translate("AppFolder",
                                                "The default mappings in \"%1\" are missing, so your own keysound "
                                                "folder \"%2\" cannot be made. Install keysound again, or start it "
                                                "with --folder and a folder of your own.")
                        .arg(QDir::toNativeSeparators(defaultsFolder), QDir::toNativeSeparators(userFolder)));
    const QString parent = QFileInfo(userFolder).absolutePath();
    if (!QDir().mkpath(parent))
        throwNotMade(userFolder, QDir::toNativeSeparators(parent));
    QTemporaryDir staging(parent + QStringLiteral("/.keysound-new-XXXXXX"));
    if (!staging.isValid())
        throwNotMade(userFolder, staging.errorString());
    copyTree(defaultsFolder, staging.path(), userFolder);
    if (QDir().rename(staging.path(), userFolder))
        staging.setAutoRemove(false);
    else if (!QFileInfo::exists(userFolder))  // else a program started at the same time made it first
        throwNotMade(userFolder, QDir::toNativeSeparators(staging.path()));
}

// An XDG base folder: the variable when it holds an absolute path; unset, empty or relative, the
// variable is ignored, as the XDG rules say.
QString xdgFolder(const char* variable, const QString& fallbackBelowHome)
{
    const QString folder = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(folder) ? folder : QDir::homePath() + fallbackBelowHome;
}

QString dataHome() { return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")); }
}  // namespace

AppFolderInputs AppFolderInputs::ofThisRun(std::optional<QString> commandLineFolder)
{
    return {.commandLineFolder = std::move(commandLineFolder),
            .environmentFolder = qEnvironmentVariable("KEYSOUND_FOLDER"),
            .executableFolder = QCoreApplication::applicationDirPath(),
            .userDataHome = dataHome(),
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
    const QString userFolder = absoluteFolder(QDir(inputs.userDataHome).filePath(QStringLiteral("keysound")));
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

QString nativePath(const QString& pathText)
{
    QString native = pathText;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return native;
}

QString programPathText(const QString& nativePath)
{
    QString text = nativePath;
    text.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return text;
}

}  // namespace keysound::platform
