#pragma once

#include "ErrorOf.h"
#include "RawDatabase.h"
#include "TestAppFolder.h"
#include "TestFiles.h"
#include "platform/Error.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <functional>
#include <optional>

// Helpers of the store, legacy import and keysound-db tests.
namespace keysound::test {

// A connection opened the way the program opens one, on <folder>\db1.mdb.
store::ConnectionPtr openStore(const QString& folder, int mode = store::adModeUnknown);
// The file names the program's key lookup returns, in order.
QStringList lookUp(const QString& folder, const QString& key);
// Runs a script on a recordset over folder's Config, step after step up to the first that fails,
// and returns that step's error number (0 when none fails). The steps carry the names the
// editor's tests give the commands that make the same calls: First, Last, Next, Previous; Go<n>
// makes the n-th row current; Add, Update, Cancel, Delete, Refresh (Requery); Key:<text> types
// text after the current row's key; Outside adds a mapping through another connection, Rename
// moves the table away, Replace puts a copy with one row more ("replaced") in db1.mdb's place by
// rename, Reload opens the recordset anew. Only here: Bookmark<n> goes to the n-th
// of bookmarks, Bookmark:<text> to a bookmark of that text.
int runRecordsetScript(store::Recordset& recordset, const TestAppFolder& folder, const QString& script,
                       const QList<QVariant>& bookmarks = {});
// Config's (键位, 文件名) rows in rowid order, NULL as an invalid QVariant.
QList<QVariantList> mappingsIn(const QString& databasePath);
// The same rows as "key=file name" texts.
QStringList mappingTexts(const QString& databasePath);

// Files below a folder by relative path; a folder listed by filesBelow as "name/" with no bytes.
using Files = QMap<QString, QByteArray>;
// Adds the (key, file name) mappings to folder's Config and writes the files below its MP3/.
void fill(const TestAppFolder& folder, const QList<QVariantList>& mappings, const Files& sounds);
Files filesBelow(const QString& folder);
// The table and the sound folder as they are on the disk, byte for byte.
inline std::pair<QByteArray, Files> stateOf(const TestAppFolder& folder)
{
    return {fileBytes(folder.databasePath()), filesBelow(folder.soundFolderPath())};
}

// A writable copy of a Jet sample of tests/fixtures/jet in folder; returns its path.
QString copySample(const QString& sampleName, const QString& folder, const QString& asName = QStringLiteral("db1.mdb"));
// Config's rows as legacy-db1.csv lists them.
QList<QVariantList> expectedConfigRows();
QStringList filesIn(const QString& folder);  // plain and hidden files, by name

}  // namespace keysound::test
