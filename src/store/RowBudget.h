#pragma once

#include <QString>
#include <QVariant>

namespace keysound::store {

// What a recordset of a table holds in memory, counted as it grows: a row or a value that would take
// it past bounds::MaxRecordsetRows or bounds::MaxRecordsetBytes throws ErrorNumber::TableRefused,
// naming the table and its file. Whatever adds rows to a table counts them the same way first, so
// that it never makes a table the program then refuses to load.
class RowBudget {
public:
    RowBudget(QString nativeFilePath, QString table);

    void addRow();
    void addValue(const QVariant& value);

private:
    QString file_;
    QString table_;
    qint64 rows_ = 0;
    qint64 bytes_ = 0;
};

}  // namespace keysound::store
