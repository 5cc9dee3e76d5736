#include "store/RowBudget.h"

#include "platform/Error.h"
#include "store/Bounds.h"
#include "store/StoreText.h"

#include <QDir>

namespace keysound::store {

namespace {

// Text as UTF-16, as a recordset holds it.
qint64 heldBytes(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString: return qint64(value.toString().size()) * qint64(sizeof(QChar));
    case QMetaType::QByteArray: return value.toByteArray().size();
    default: return qint64(sizeof(QVariant));
    }
}

}  // namespace

RowBudget::RowBudget(QString nativeFilePath, QString table)
    : file_(QDir::toNativeSeparators(nativeFilePath))
    , table_(std::move(table))
{}

void RowBudget::addRow()
{
    if (++rows_ > bounds::MaxRecordsetRows)
        throw Error(ErrorNumber::TableRefused,
                    StoreText::tr("The table %1 in \"%2\" has more than %3 rows, the most keysound holds in "
                                  "memory; a keyboard or a word list needs far fewer. Check where the file "
                                  "came from, or split the table.")
                        .arg(table_, file_)
                        .arg(bounds::MaxRecordsetRows));
}

void RowBudget::addValue(const QVariant& value)
{
    bytes_ += heldBytes(value);
    if (bytes_ > bounds::MaxRecordsetBytes)
        throw Error(ErrorNumber::TableRefused,
                    StoreText::tr("The table %1 in \"%2\" holds more than %3 MB of values, the most keysound "
                                  "holds in memory; key texts and file names need far less. Check where the "
                                  "file came from.")
                        .arg(table_, file_)
                        .arg(bounds::MaxRecordsetBytes / (1024 * 1024)));
}

}  // namespace keysound::store
