#pragma once

#include <QList>
#include <QString>

struct sqlite3;

namespace keysound::store {

// Key texts compare equal when they have the same code points after case folding. ASCII letters
// fold as the engine's NOCASE collation does (A-Z to a-z); every other code point folds by
// Unicode simple case folding, except that a non-ASCII code point never folds onto an ASCII one
// (KELVIN SIGN, LONG S): that keeps every ASCII key answerable by the NOCASE index alone.
char32_t foldKeyCodePoint(char32_t codePoint);
QString foldKeyText(const QString& text);

// The non-ASCII code points that fold like codePoint, codePoint included (ascending); just
// codePoint when it has no case partner or is ASCII (NOCASE covers those).
QList<char32_t> caseVariants(char32_t codePoint);

// The SQL function that folds a text as foldKeyText does; used only by the lookup statement.
inline constexpr char KeyFoldFunction[] = "keysound_fold";
void registerKeyFolding(sqlite3* db);

}  // namespace keysound::store
