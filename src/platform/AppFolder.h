#pragma once

#include "platform/PathText.h"  // the conversion every user of the folder needs

#include <QString>
#include <optional>

namespace keysound::platform {

// The folder that holds db1.mdb and MP3/, as the program's own path text (no trailing separator
// unless the folder is the root): the one decideAppFolder() chose at start-up, else the folder that
// holds the executable. Tests point it at a folder of their own.
QString appFolder();
void setAppFolderOverride(const QString& folder);  // empty: back to the executable's folder

// What the choice of the application folder depends on, gathered once so that a test can give
// its own instead of the machine's.
struct AppFolderInputs {
    std::optional<QString> commandLineFolder = std::nullopt;  // --folder DIR
    QString environmentFolder = {};                           // KEYSOUND_FOLDER; empty when unset
    QString executableFolder = {};
    QString userDataHome = {};      // empty: $XDG_DATA_HOME, else ~/.local/share (HOME, else the user database)
    QString defaultsFolder = {};    // the installed default table and sounds
    bool mayMakeUserFolder = true;  // false: a user folder not made yet is named, not made (tools)

    static AppFolderInputs ofThisRun(std::optional<QString> commandLineFolder);
};

// Where the table lives:
//   1. the folder named on the command line, else by KEYSOUND_FOLDER; it must exist;
//   2. the executable's own folder when it holds db1.mdb or MP3/ (a portable folder, even a
//      read-only one);
//   3. else the user's own <data home>/keysound. On the first start it is made as a copy of the
//      defaults folder, in a hidden folder beside it that is renamed into place once complete, so
//      an interrupted start leaves nothing half made, and the next first start removes what a
//      killed one left (see StagingFolder.h); once it exists it is never written here.
// Throws keysound::Error: PathNotFound for a named folder that does not exist or an unknown home
// folder, DatabaseNotFound
// when the defaults are missing, FileAccess when the user's folder cannot be made.
QString chooseAppFolder(const AppFolderInputs& inputs);

// Chooses the application folder for the whole run: appFolder() returns it from then on, whatever
// becomes of the files that led to the choice.
void decideAppFolder(const AppFolderInputs& inputs);

// The user's own keysound folders, for this run's environment: <data home>/keysound, where
// chooseAppFolder() makes the user's own table ($XDG_DATA_HOME, else ~/.local/share), and
// <cache home>/keysound, for copies the program may throw away ($XDG_CACHE_HOME, else ~/.cache).
// Absolute, whether or not they exist yet. Throws keysound::Error PathNotFound when the home folder
// they lie in is unknown (neither HOME nor the user database names one).
QString usersOwnFolder();
QString usersCacheFolder();

}  // namespace keysound::platform
