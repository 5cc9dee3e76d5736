#pragma once

#include "store/PreparedStatement.h"

#include <QBitArray>
#include <QHash>
#include <QStringList>
#include <memory>

namespace keysound::store {

// Writes rows of one table by their row id, reached under rowidName (a name no column hides). Statements are prepared
// once per set of columns and reused, so a batch of many similar changes costs one prepare per shape.
class RecordsetWriter {
public:
    RecordsetWriter(DatabaseHandle& database, QString table, QString rowidName, QStringList columns);

    // values holds one entry per column; only the columns flagged in `columns` are written.
    qint64 insert(const QBitArray& columns, const QVariant* values);
    void update(qint64 rowid, const QBitArray& columns, const QVariant* values);
    void remove(qint64 rowid);

private:
    PreparedStatement& statement(const QString& sql);
    QStringList namesOf(const QBitArray& columns) const;
    void bindValues(PreparedStatement& statement, const QBitArray& columns, const QVariant* values) const;
    [[noreturn]] void throwRowGone(qint64 rowid) const;

    DatabaseHandle& database_;
    sqlite3* db_;
    QString table_;
    QString rowidName_;
    QStringList columns_;
    QHash<QString, std::shared_ptr<PreparedStatement>> statements_;
};

}  // namespace keysound::store
