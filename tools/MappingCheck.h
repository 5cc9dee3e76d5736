#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace keysound::tools {

struct Mapping {
    int row = 0;        // 1-based, in the table's order (the order lookups see)
    QVariant key;       // invalid: NULL
    QVariant fileName;  // invalid: NULL
};

// The rows of Config in db1.mdb. A legacy Jet file is read as it is, without converting it.
// Throws keysound::Error.
QList<Mapping> readMappings(const QString& databasePath);

// One line per problem: sound files missing or not playable, keys that occur more than once
// ignoring case, empty keys. appFolder holds MP3/, where the program looks for the sounds.
QStringList checkMappings(const QList<Mapping>& mappings, const QString& appFolder);

}  // namespace keysound::tools
