#pragma once

#include <QList>
#include <QString>

namespace keysound::tools {

struct SeedMapping {
    QString key;
    QString fileName;
};

// Reads a seed file: UTF-8, one "key<TAB>file name" per line; lines starting with '#' are
// comments, blank lines are skipped, a trailing CR is ignored. Throws keysound::Error naming the
// file and line of anything else.
QList<SeedMapping> readSeedFile(const QString& path);

}  // namespace keysound::tools
