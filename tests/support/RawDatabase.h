#pragma once

#include <QVariantList>
#include <memory>

struct sqlite3;

namespace keysound::test {

// Rows of a query as SQLite returns them: NULL invalid, INTEGER qint64, REAL double, TEXT, BLOB.
// Parameters bind as text, a null QVariant as NULL. Throws std::runtime_error on any failure.
QList<QVariantList> queryRows(sqlite3* db, const QString& sql, const QVariantList& parameters = {});

// Direct access to a database file (created when missing), independent of the code under test.
class RawDatabase {
public:
    explicit RawDatabase(const QString& path);
    void exec(const QString& sql) const;  // one or more statements
    QList<QVariantList> rows(const QString& sql, const QVariantList& parameters = {}) const
    {
        return queryRows(db_.get(), sql, parameters);
    }

private:
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db_;
};

}  // namespace keysound::test
