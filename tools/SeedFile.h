#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace keysound::tools {

struct SeedMapping {
    QString key;
    QString fileName;
};

// The seed format: UTF-8, one "key<TAB>file name" per line; lines starting with '#' are
// comments, blank lines without a tab are skipped, a trailing CR is ignored. In both fields a backslash
// starts an escape: \t tab, \n line feed, \r carriage return, \\ backslash, \# '#' (needed
// only for a key that starts with '#'), \uFEFF U+FEFF (needed only for a key that starts with
// it); any other backslash is an error. One byte-order mark at the very start of the file is
// the file's own and is dropped.
QString escapeSeedField(const QString& text, bool leadsLine);
// The text of an escaped field, or nothing when an escape is not one of the above.
std::optional<QString> unescapeSeedField(const QString& field);

// Reads a seed file. Throws keysound::Error naming the file and line of anything else, or of
// a mapping with no file name.
QList<SeedMapping> readSeedFile(const QString& path);
// The same for the bytes of a seed file; path only names them in errors.
QList<SeedMapping> parseSeedText(const QByteArray& bytes, const QString& path);

// The lines of a seed file that reads back as exactly these mappings, in order.
QByteArray seedFileText(const QList<SeedMapping>& mappings);

}  // namespace keysound::tools
