#pragma once

#include "store/Connection.h"
#include "store/Statements.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

namespace keysound::store {

enum CursorTypeEnum { adOpenStatic = 3 };
enum LockTypeEnum { adLockOptimistic = 3 };
enum CommandTypeEnum { adCmdUnspecified = -1 };
enum AffectEnum { adAffectCurrent = 1, adAffectAll = 3 };
enum ExecuteOptionEnum { adOptionUnspecified = -1 };
enum PositionEnum { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };
enum EventReasonEnum {
    adRsnAddNew = 1,
    adRsnDelete = 2,
    adRsnUpdate = 3,
    adRsnUndoUpdate = 4,
    adRsnUndoAddNew = 5,
    adRsnRequery = 7,
    adRsnFirstChange = 11,
    adRsnMove = 12,
    adRsnMoveFirst = 13,
    adRsnMoveNext = 14,
    adRsnMovePrevious = 15,
    adRsnMoveLast = 16
};
enum EventStatusEnum { adStatusOK = 1 };

// A client-side static cursor over one statement: every selected row is held in memory, with a
// current position (a row, BOF or EOF), bookmarks, and pending changes that UpdateBatch writes
// back in one transaction. Delete writes at once. The recordset holds its connection open.
//
// Errors are thrown as keysound::Error with a description that names what failed.
class Recordset : public QObject {
    Q_OBJECT
public:
    explicit Recordset(QObject* parent = nullptr);
    ~Recordset() override;

    // Runs the statement and fetches every row; the first row (if any) becomes current and
    // MoveComplete is raised. A plain "select * from <table>" is updatable.
    void Open(const QString& source, ConnectionPtr activeConnection, int cursorType = adOpenStatic,
              int lockType = adLockOptimistic, int options = adCmdUnspecified);
    void Open(const Statement& statement, ConnectionPtr activeConnection, int cursorType = adOpenStatic,
              int lockType = adLockOptimistic, int options = adCmdUnspecified);
    bool isOpen() const;
    ConnectionPtr activeConnection() const;

    // Position
    bool BOF() const;
    bool EOF_() const;  // the position after the last row (EOF itself is a C macro)
    int RecordCount() const;
    int AbsolutePosition() const;  // 1-based, or adPosUnknown / adPosBOF / adPosEOF
    void MoveFirst();              // throws OperationNotAllowed when there are no rows
    void MoveLast();               // throws OperationNotAllowed when there are no rows
    void MoveNext();               // throws NoCurrentRecord when already at EOF
    void MovePrevious();           // throws NoCurrentRecord when already at BOF

    // Bookmarks: a row's bookmark is an integer greater than 0 that stays with the row.
    QVariant Bookmark() const;                   // throws NoCurrentRecord without a current row
    void setBookmark(const QVariant& bookmark);  // throws InvalidBookmark for an unknown or deleted row

    // Fields of the current row, by column name (throws ItemNotFound for an unknown name,
    // NoCurrentRecord without a current row). A NULL value is a null QVariant.
    int fieldCount() const;
    QStringList fieldNames() const;
    int fieldIndex(const QString& name) const;  // -1 when unknown
    QVariant Value(const QString& fieldName) const;
    void setValue(const QString& fieldName, const QVariant& value);  // a pending change ("Collect")

    // Changes
    void AddNew();                                    // a new empty row at the end, current, pending
    void CancelUpdate();                              // drops the current row's pending changes / new row
    void UpdateBatch(int affect = adAffectAll);       // writes every pending change in one transaction
    void Delete(int affect = adAffectCurrent);        // deletes the current row from the file at once
    // Reloads as if closed and opened again (see Connection::reopenIfChanged); pending changes are dropped.
    void Requery(int options = adOptionUnspecified);
    bool hasPendingChanges() const;

    // Row access for views (0-based row index over the rows in cursor order).
    QVariant valueAt(int row, int column) const;
    void setValueAt(int row, int column, const QVariant& value);  // a pending change
    int currentRow() const;                                       // -1 at BOF, EOF or on a deleted row
    void setCurrentRow(int row);                                  // moves there (MoveComplete with adRsnMove)
    bool isRowPending(int row) const;

signals:
    // Raised after every change of the current row, whatever caused it.
    void MoveComplete(int adReason, int adStatus, keysound::store::Recordset* pRecordset);
    // Raised before a row's content changes (first edit, AddNew, Delete, UpdateBatch, CancelUpdate).
    void WillChangeRecord(int adReason, int cRecords, int adStatus, keysound::store::Recordset* pRecordset);

    // For model adapters, in pairs: the first before any row is touched, the second after.
    void rowsAboutToBeReset();
    void rowsReset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    // After a row's values changed in place.
    void rowChanged(int row);

private:
    struct Row;
    struct Impl;

    // operation: what was asked, as a verb phrase marked with QT_TRANSLATE_NOOP("StoreText", "add a
    // record"); an error names it in the message's language.
    void requireOpen(const char* operation) const;
    void requireRows(const char* operation) const;
    void requireUpdatable(const char* operation) const;
    int requireCurrentRow(const char* operation) const;
    int requireField(const QString& name) const;
    QString placeDescription() const;
    void load(Statement statement, ConnectionPtr connection, int reason);
    void moveTo(int row, int reason);  // below 0: BOF; past the last row: EOF
    std::vector<int> pendingRowsFor(int affect) const;
    std::vector<qint64> writeRows(const std::vector<int>& pending);

    std::unique_ptr<Impl> d;
};

}  // namespace keysound::store
