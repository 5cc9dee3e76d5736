#pragma once

#include "platform/Error.h"
#include "store/Connection.h"
#include "store/Recordset.h"

#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>

struct sqlite3;

namespace keysound::test {

// A connection opened the way the program opens one, on <folder>\db1.mdb.
store::ConnectionPtr openStore(const QString& folder, int mode = store::adModeUnknown);

// The error a call throws, or nothing when it succeeds.
std::optional<Error> errorOf(const std::function<void()>& call);

// Runs sql with its parameters on a handle and returns every row; NULL is a null QVariant.
QList<QVariantList> queryRows(sqlite3* db, const QString& sql, const QVariantList& parameters = {});

// Direct access to a database file, independent of the code under test.
class RawDatabase {
public:
    explicit RawDatabase(const QString& nativePath);
    ~RawDatabase();
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    void exec(const QString& sql) const;
    QList<QVariantList> rows(const QString& sql) const;
    // 键位|文件名 of every row in rowid order, NULL shown as <null>.
    QStringList mappings() const;

private:
    sqlite3* db_ = nullptr;
};

// The recordset's notifications in the order they were raised, e.g. "MoveComplete(12)".
class RecordsetEvents {
public:
    explicit RecordsetEvents(store::Recordset& recordset);
    QStringList take();

private:
    QStringList events_;
};

}  // namespace keysound::test
