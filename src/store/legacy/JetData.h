#pragma once

#include "store/legacy/LegacyFormat.h"

#include <QList>
#include <QString>
#include <QVariantList>

namespace keysound::store {

// The kinds of column a Jet file can hold, as far as the copy into SQLite cares.
enum class JetColumnKind {
    Boolean,
    Integer,
    Real,
    Currency,
    Decimal,
    DateTime,
    Text,
    Memo,
    Binary,
    LongBinary,
    Guid,
    Other
};

struct JetColumn {
    QString name;
    JetColumnKind kind = JetColumnKind::Other;
    int size = 0;  // bytes as stored (text: bytes, i.e. two per character in Jet 4)
};

struct JetTable {
    QString name;
    QList<JetColumn> columns;
    qint64 declaredRows = 0;  // the row count the table definition records
    int catalogIndex = -1;    // where libmdb lists it
};

// One user table with its rows in stored order. Values: null for NULL, qint64, double,
// QString or QByteArray.
struct JetTableData {
    JetTable table;
    QList<QVariantList> rows;
};

// Everything the import takes from a Jet file, as the reading process hands it over.
struct JetDatabase {
    DatabaseFormat format = DatabaseFormat::Jet4;
    QList<JetTableData> tables;
};

}  // namespace keysound::store
