#pragma once

#include "TablePack.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

// What the commands of keysound-db share: their command line, and the table they work on.
namespace keysound::tools {

class UsageError {
public:
    explicit UsageError(QString message)
        : message(std::move(message))
    {}
    QString message;
};

// One command line, parsed for its command.
struct Invocation {
    const QCommandLineParser& options;
    QStringList arguments;
};

// The folder of the table a command works on (db1.mdb and MP3/): --folder, else KEYSOUND_FOLDER,
// else the folder the program would use.
QString tableFolder(const Invocation& invocation);
QString tableFolder(const QCommandLineParser& options);

QString native(const QString& path);

// The commands that fill a table with sounds and carry it to others. Each returns the exit status.
int speak(const Invocation& invocation, QTextStream& out);
int add(const Invocation& invocation, QTextStream& out);
int pack(const Invocation& invocation, QTextStream& out);
int unpack(const Invocation& invocation, QTextStream& out);

// unpack's half for keyboard sound packs, and what both say of sounds renamed on the way in.
int unpackKeyboardPack(const QString& packPath, const QString& folder, pack::UnpackMode mode, QTextStream& out);
void reportRenamedSounds(const pack::UnpackReport& report, QTextStream& out);

}  // namespace keysound::tools
