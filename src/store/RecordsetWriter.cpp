#include "store/RecordsetWriter.h"

#include "store/DatabaseHandle.h"
#include "store/Schema.h"
#include "store/StoreText.h"

#include <sqlite3.h>

namespace keysound::store {

RecordsetWriter::RecordsetWriter(DatabaseHandle& database, QString table, QString rowidName, QStringList columns)
    : database_(database)
    , db_(database.get())
    , table_(std::move(table))
    , rowidName_(std::move(rowidName))
    , columns_(std::move(columns))
{}

PreparedStatement& RecordsetWriter::statement(const QString& sql)
{
    std::shared_ptr<PreparedStatement>& slot = statements_[sql];
    if (!slot)
        slot = std::make_shared<PreparedStatement>(database_, sql);
    slot->reset();
    return *slot;
}

QStringList RecordsetWriter::namesOf(const QBitArray& columns) const
{
    QStringList names;
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns.testBit(i))
            names.append(schema::quotedIdentifier(columns_[i]));
    }
    return names;
}

void RecordsetWriter::bindValues(PreparedStatement& statement, const QBitArray& columns, const QVariant* values) const
{
    int parameter = 1;
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns.testBit(i))
            statement.bind(parameter++, values[i]);
    }
}

qint64 RecordsetWriter::insert(const QBitArray& columns, const QVariant* values)
{
    const QStringList names = namesOf(columns);
    QString sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table_);
    if (!names.isEmpty()) {
        QStringList placeholders;
        for (int i = 1; i <= names.size(); ++i)
            placeholders.append(QStringLiteral("?%1").arg(i));
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table_, names.join(u','), placeholders.join(u','));
    }
    PreparedStatement& insertion = statement(sql);
    bindValues(insertion, columns, values);
    insertion.run();
    return sqlite3_last_insert_rowid(db_);
}

void RecordsetWriter::update(qint64 rowid, const QBitArray& columns, const QVariant* values)
{
    QStringList assignments;
    const QStringList names = namesOf(columns);
    for (int i = 0; i < names.size(); ++i)
        assignments.append(QStringLiteral("%1 = ?%2").arg(names[i]).arg(i + 1));
    PreparedStatement& update = statement(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4")
                                              .arg(table_, assignments.join(u','), rowidName_)
                                              .arg(names.size() + 1));
    bindValues(update, columns, values);
    update.bind(names.size() + 1, rowid);
    update.run();
    if (sqlite3_changes(db_) == 0)
        throwRowGone(rowid);
}

void RecordsetWriter::remove(qint64 rowid)
{
    PreparedStatement& removal = statement(QStringLiteral("DELETE FROM %1 WHERE %2 = ?1").arg(table_, rowidName_));
    removal.bind(1, rowid);
    removal.run();
}

void RecordsetWriter::throwRowGone(qint64 rowid) const
{
    throw Error(ErrorNumber::EngineError,
                StoreText::tr("The row to update (rowid %1) is no longer in the table %2 of "
                              "\"%3\": another connection deleted it. Refresh, then edit again.")
                    .arg(rowid)
                    .arg(table_, database_.path()));
}

}  // namespace keysound::store
