#pragma once

#include <QtGlobal>
#include <chrono>

// How far the store goes for one table file. A table may come from a folder that others can write
// to (a shared folder, a file sent by mail), so every bound holds for every file, and each says why
// it lies where it does. A table beyond a bound is refused with ErrorNumber::TableRefused, work
// beyond a time limit with ErrorNumber::TimeLimitExceeded.
namespace keysound::store::bounds {

// A recordset holds every row it selects in memory, and the editor's grid shows them all. A
// keyboard has about a hundred keys and a word list for word mode some tens of thousands of words;
// a quarter of a million rows is ten times the largest real table, and loads in about half a
// second, well within the time limit of a whole table's load below.
inline constexpr qint64 MaxRecordsetRows = 250'000;
// The values of those rows as held in memory (text as UTF-16): some 250 bytes a row at the row
// bound, room for a key, a file name and a few further columns of a legacy table.
inline constexpr qint64 MaxRecordsetBytes = 64 * 1024 * 1024;

// A table that cannot be written is read from a copy in the user's cache folder (see Snapshot.h);
// a table within the bounds above takes far less room than this.
inline constexpr qint64 MaxSnapshotBytes = 256 * 1024 * 1024;

// Time the engine's work may take. A key's lookup must not hold up typing: a fraction of a second,
// also for opening the table file at the first key. The editor's load and Update and keysound-db's
// commands read or write the whole table: a few seconds, ten times what a table at the row bound
// needs.
inline constexpr std::chrono::milliseconds KeyLookupTime{250};
inline constexpr std::chrono::milliseconds OpeningTime = KeyLookupTime;
inline constexpr std::chrono::milliseconds WholeTableTime{5000};

// The engine's own limits on every connection (sqlite3_limit), far below its defaults, each above
// what the program's statements and the tables it makes need. They bound what a file's schema and
// values may hold before a statement runs: a value or a row (1 MB), a statement's text, the columns
// of a table (a legacy table has at most 255; the editor selects one more, the row id), the depth of
// an expression, the parts of a compound select (a lookup of a long key joins up to 32 index
// ranges), the statement's program, a function's arguments, LIKE patterns, parameters (an update of
// every column of such a table binds 256), nested triggers; and no attached databases.
inline constexpr int MaxValueBytes = 1'000'000;
inline constexpr int MaxStatementBytes = 100'000;
inline constexpr int MaxColumns = 300;
inline constexpr int MaxExpressionDepth = 100;
inline constexpr int MaxCompoundSelectTerms = 64;
inline constexpr int MaxProgramSteps = 25'000;
inline constexpr int MaxFunctionArguments = 8;
inline constexpr int MaxLikePatternBytes = 50;
inline constexpr int MaxParameters = 300;
inline constexpr int MaxTriggerDepth = 10;

// Memory: the engine keeps at most this much of a file's pages in memory per connection, and
// sorts and temporary tables beyond it go to temporary files, which the time limits bound. The
// engine's heap limit (sqlite3_hard_heap_limit64) is left alone: it holds for the whole process,
// so one hostile file would make every other connection and the legacy import fail with it.
inline constexpr int PageCacheKiB = 2000;

}  // namespace keysound::store::bounds
