// A db1.mdb of any bytes, opened as keysound opens a table file and read as a key's lookup and the
// editor's load read it. Whatever the bytes, each must end with a keysound::Error or with a result
// within the recordset's bounds, in its time: no crash, no hang, no unbounded memory. The fuzz
// script keeps each input that breaks this as a damaged sample for the tests.
#include "platform/Error.h"
#include "platform/TableFolder.h"
#include "store/Bounds.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Statements.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

using namespace keysound::store;

// A new file under the name each time, never the old one rewritten: the handle kept for the
// previous input belongs to another file then, and is not taken for this one. What the engine made
// beside the previous input (a WAL file, its index, a journal) goes, so each input is read alone.
void placeTable(const QString& folder, const uint8_t* data, size_t size)
{
    const QString table = QDir(folder).filePath(keysound::platform::TableFolder::DatabaseFileName);
    for (const char* beside : {"-wal", "-shm", "-journal"})
        QFile::remove(table + QLatin1String(beside));
    const QString staged = QDir(folder).filePath(QStringLiteral("db1.mdb.new"));
    QFile file(staged);
    const qint64 length = qint64(size);
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(data), length) != length)
        __builtin_trap();
    file.close();
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(table).constData()) != 0)
        __builtin_trap();
}

void read(const QString& folder, const Statement& statement)
{
    try {
        auto connection = std::make_shared<Connection>();
        connection->Mode = adModeRead;
        connection->Open(connectionStringFor(folder));
        Recordset recordset;
        recordset.Open(statement, connection);
        if (recordset.RecordCount() > bounds::MaxRecordsetRows)
            __builtin_trap();
    } catch (const keysound::Error&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QTemporaryDir folder;
    placeTable(folder.path(), data, size);
    read(folder.path(), keyLookupStatement(QStringLiteral("a")));
    read(folder.path(), editorStatement());
    return 0;
}
