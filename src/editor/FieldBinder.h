#pragma once

#include "store/Recordset.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QLineEdit;

namespace keysound::editor {

// Binds a text box to one column of a recordset's current row: the box shows the value after
// every move and change of that row (NULL and "no current row" show as empty), from its start,
// and what the user types goes back into the row as a pending change.
class FieldBinder : public QObject {
    Q_OBJECT
public:
    FieldBinder(QLineEdit* box, QString dataField, QObject* parent = nullptr);

    const QString& dataField() const { return dataField_; }
    // nullptr unbinds; the box keeps its text. Throws keysound::Error (ItemNotFound) when the
    // recordset has no column of that name.
    void setDataSource(store::Recordset* recordset);
    store::Recordset* dataSource() const { return recordset_; }

private:
    void showRowFromStart();
    void showCurrentValue();
    void showIfCurrent(int row);
    void writeTypedText(const QString& text);

    QLineEdit* box_;
    QString dataField_;
    QPointer<store::Recordset> recordset_;
};

}  // namespace keysound::editor
