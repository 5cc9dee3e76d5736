#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
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

// A seed text read piece by piece as it arrives, holding no more than one line of it: for a text
// from elsewhere, whose lines are bounded (maxLineBytes, the line end not counted) so that one
// endless line is refused before it fills the memory. Each mapping goes to onMapping in order.
// Throws keysound::Error as parseSeedText does, and for a line that is too long.
class SeedTextReader {
public:
    SeedTextReader(QString path, qsizetype maxLineBytes, std::function<void(SeedMapping)> onMapping);
    void add(const char* data, qsizetype size);
    void finish();  // the last line, which needs no line end

private:
    void takeLine(QByteArray line);

    QString path_;
    qsizetype maxLineBytes_;
    std::function<void(SeedMapping)> onMapping_;
    QByteArray pending_;  // the line begun so far
    int lineNumber_ = 0;
};

// The lines of a seed file that reads back as exactly these mappings, in order.
QByteArray seedFileText(const QList<SeedMapping>& mappings);

}  // namespace keysound::tools
