#pragma once

#include <QString>
#include <QVariantList>

namespace keysound::store {

// A statement with its parameters bound by position (never pasted into the SQL text).
struct Statement {
    QString sql;
    QVariantList parameters;
};

// "select * from Config": every row and column of the mapping table, for the editor.
Statement editorStatement();

// The rows of Config whose 键位 equals keyText ignoring letter case (ASCII and every other
// letter with case), lowest rowid first. Uses the index of 键位 for every key text.
Statement keyLookupStatement(const QString& keyText);

// Whether a key press of one text finds a row keyed by the other: they match ignoring letter case,
// as keyLookupStatement compares them.
bool keysMatch(const QString& a, const QString& b);

// Builds the case tables the lookup of non-ASCII letters needs (about a millisecond), so that the
// program can do it at start and its first such key is as fast as the others.
void prepareKeyLookup();

}  // namespace keysound::store
