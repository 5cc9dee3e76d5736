#include "store/Recordset.h"

#include "platform/Error.h"
#include "store/RecordsetWriter.h"
#include "store/SqliteSupport.h"

#include <QBitArray>
#include <QRegularExpression>
#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace keysound::store {

struct Recordset::Row {
    qint64 rowid = 0;
    qint64 bookmark = 0;
    bool isNew = false;
    QBitArray changed;          // columns holding a pending value; null while the row is clean
    QList<QVariant> original;   // the row as fetched, kept from its first pending edit

    bool isPending() const { return isNew || !changed.isNull(); }
};

namespace {

// A plain "select * from <table>" is updatable: its rows can be written back by rowid.
QString updatableTable(const QString& sql)
{
    static const QRegularExpression plainSelect(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+("(?:[^"]|"")+"|\[[^\]]+\]|`[^`]+`|\w+)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = plainSelect.match(sql);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString lastEngineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Names the missing table or column when the statement cannot be prepared.
Error openError(sqlite3* db, const Error& error, const QString& sql)
{
    static const QRegularExpression noSuch(QStringLiteral("^no such (table|column): (.+)$"));
    const QRegularExpressionMatch match = noSuch.match(lastEngineMessage(db));
    if (error.number() != ErrorNumber::EngineError || !match.hasMatch())
        return error;
    const QString file = databaseFileName(db);
    if (match.captured(1) == QLatin1String("table"))
        return Error(ErrorNumber::TableNotFound,
                     QStringLiteral("The table '%1' does not exist in '%2' (statement: %3).")
                         .arg(match.captured(2), file, sql));
    return Error(ErrorNumber::ItemNotFound,
                 QStringLiteral("The column '%1' does not exist in '%2' (statement: %3).")
                     .arg(match.captured(2), file, sql));
}

}  // namespace

struct Recordset::Impl {
    enum class Place { BeforeFirst, OnRow, AfterLast, OnDeleted };

    ConnectionPtr connection;
    Statement statement;
    QString table;  // empty for a read-only recordset
    QStringList columns;
    std::vector<Row> rows;
    std::vector<QVariant> cells;  // row after row, columns.size() values each
    Place place = Place::AfterLast;
    int index = -1;  // OnRow: the current row; OnDeleted: the row that followed the deleted one
    qint64 nextBookmark = 1;
    int pendingRows = 0;
    bool open = false;

    int rowCount() const { return int(rows.size()); }
    QVariant* rowCells(int row) { return cells.data() + qsizetype(row) * columns.size(); }
    QVariant& cell(int row, int column) { return rowCells(row)[column]; }

    void fetch(sqlite3* db);
    void appendRow(Row row);
    void removeRow(int row);
    int rowWithBookmark(qint64 bookmark) const;
};

void Recordset::Impl::fetch(sqlite3* db)
{
    const bool withRowid = !table.isEmpty();
    const QString sql = withRowid ? QStringLiteral("SELECT rowid, * FROM %1").arg(table) : statement.sql;
    try {
        PreparedStatement select(db, sql);
        select.bindAll(statement.parameters);
        const int first = withRowid ? 1 : 0;
        QStringList names;
        for (int c = first; c < select.columnCount(); ++c)
            names.append(select.columnName(c));
        std::vector<Row> fetchedRows;
        std::vector<QVariant> fetchedCells;
        qint64 bookmark = 1;
        while (select.nextRow()) {
            fetchedRows.push_back(Row{withRowid ? select.int64(0) : 0, bookmark++, false, {}, {}});
            for (int c = first; c < select.columnCount(); ++c)
                fetchedCells.push_back(select.value(c));
        }
        columns = names;
        rows = std::move(fetchedRows);
        cells = std::move(fetchedCells);
        nextBookmark = bookmark;
    } catch (const Error& error) {
        throw openError(db, error, statement.sql);
    }
    pendingRows = 0;
    place = rows.empty() ? Place::AfterLast : Place::OnRow;
    index = rows.empty() ? -1 : 0;
    open = true;
}

void Recordset::Impl::appendRow(Row row)
{
    rows.push_back(std::move(row));
    cells.resize(cells.size() + columns.size());
}

void Recordset::Impl::removeRow(int row)
{
    rows.erase(rows.begin() + row);
    const auto first = cells.begin() + qsizetype(row) * columns.size();
    cells.erase(first, first + columns.size());
}

// Bookmarks grow with the row order (fetched rows, then added ones), so a binary search finds them.
int Recordset::Impl::rowWithBookmark(qint64 bookmark) const
{
    const auto found = std::lower_bound(rows.begin(), rows.end(), bookmark,
                                        [](const Row& row, qint64 wanted) { return row.bookmark < wanted; });
    return found != rows.end() && found->bookmark == bookmark ? int(found - rows.begin()) : -1;
}

Recordset::Recordset(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

void Recordset::Open(const QString& source, ConnectionPtr activeConnection, int cursorType, int lockType, int options)
{
    Open(Statement{source, {}}, std::move(activeConnection), cursorType, lockType, options);
}

void Recordset::Open(const Statement& statement, ConnectionPtr activeConnection, int, int, int)
{
    if (!activeConnection || !activeConnection->isOpen())
        throw Error(ErrorNumber::OperationNotAllowed,
                    QStringLiteral("Cannot run \"%1\": its connection is not open.").arg(statement.sql));
    auto opened = std::make_unique<Impl>();
    opened->connection = std::move(activeConnection);
    opened->statement = statement;
    opened->table = updatableTable(statement.sql);
    opened->fetch(opened->connection->handle());
    d = std::move(opened);
    emit rowsReset();
    emit MoveComplete(adRsnMove, adStatusOK, this);
}

bool Recordset::isOpen() const
{
    return d->open;
}

ConnectionPtr Recordset::activeConnection() const
{
    return d->connection;
}

// ---- position ----

bool Recordset::BOF() const
{
    return d->place == Impl::Place::BeforeFirst || (d->rows.empty() && d->place != Impl::Place::OnDeleted);
}

bool Recordset::EOF_() const
{
    return d->place == Impl::Place::AfterLast || (d->rows.empty() && d->place != Impl::Place::OnDeleted);
}

int Recordset::RecordCount() const
{
    return d->rowCount();
}

int Recordset::AbsolutePosition() const
{
    if (d->place == Impl::Place::OnRow)
        return d->index + 1;
    if (d->rows.empty() || d->place == Impl::Place::OnDeleted)
        return adPosUnknown;
    return d->place == Impl::Place::BeforeFirst ? adPosBOF : adPosEOF;
}

void Recordset::requireOpen(const char* operation) const
{
    if (!d->open)
        throw Error(ErrorNumber::OperationNotAllowed,
                    QStringLiteral("%1 is not possible: the recordset is not open.").arg(QLatin1String(operation)));
}

void Recordset::requireRows(const char* operation) const
{
    requireOpen(operation);
    if (d->rows.empty())
        throw Error(ErrorNumber::OperationNotAllowed,
                    QStringLiteral("%1 is not possible: the recordset has no rows to move to.")
                        .arg(QLatin1String(operation)));
}

int Recordset::requireCurrentRow(const char* operation) const
{
    requireOpen(operation);
    if (d->place != Impl::Place::OnRow)
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("%1 needs a current row, but the recordset is %2.")
                        .arg(QLatin1String(operation), placeDescription()));
    return d->index;
}

QString Recordset::placeDescription() const
{
    switch (d->place) {
    case Impl::Place::BeforeFirst:
        return QStringLiteral("before its first row (BOF)");
    case Impl::Place::AfterLast:
        return d->rows.empty() ? QStringLiteral("empty (BOF and EOF)") : QStringLiteral("past its last row (EOF)");
    case Impl::Place::OnDeleted:
        return QStringLiteral("on a row that has been deleted");
    case Impl::Place::OnRow:
        break;
    }
    return QStringLiteral("on row %1").arg(d->index + 1);
}

void Recordset::moveTo(int row, int reason)
{
    if (row < 0) {
        d->place = Impl::Place::BeforeFirst;
        d->index = -1;
    } else if (row >= d->rowCount()) {
        d->place = Impl::Place::AfterLast;
        d->index = -1;
    } else {
        d->place = Impl::Place::OnRow;
        d->index = row;
    }
    emit MoveComplete(reason, adStatusOK, this);
}

void Recordset::MoveFirst()
{
    requireRows("MoveFirst");
    moveTo(0, adRsnMoveFirst);
}

void Recordset::MoveLast()
{
    requireRows("MoveLast");
    moveTo(d->rowCount() - 1, adRsnMoveLast);
}

void Recordset::MoveNext()
{
    requireOpen("MoveNext");
    if (EOF_())
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("MoveNext is not possible: the recordset is %1.").arg(placeDescription()));
    switch (d->place) {
    case Impl::Place::BeforeFirst:
        return moveTo(0, adRsnMoveNext);
    case Impl::Place::OnDeleted:
        return moveTo(d->index, adRsnMoveNext);
    default:
        return moveTo(d->index + 1, adRsnMoveNext);
    }
}

void Recordset::MovePrevious()
{
    requireOpen("MovePrevious");
    if (BOF())
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("MovePrevious is not possible: the recordset is %1.").arg(placeDescription()));
    moveTo(d->place == Impl::Place::AfterLast ? d->rowCount() - 1 : d->index - 1, adRsnMovePrevious);
}

void Recordset::setCurrentRow(int row)
{
    requireOpen("Selecting a row");
    if (row < 0 || row >= d->rowCount())
        throw Error(ErrorNumber::InvalidArgument,
                    QStringLiteral("Row %1 does not exist: the recordset has %2 rows.").arg(row).arg(d->rowCount()));
    if (d->place == Impl::Place::OnRow && d->index == row)
        return;
    moveTo(row, adRsnMove);
}

int Recordset::currentRow() const
{
    return d->place == Impl::Place::OnRow ? d->index : -1;
}

// ---- bookmarks ----

QVariant Recordset::Bookmark() const
{
    return QVariant::fromValue<qint64>(d->rows[requireCurrentRow("Reading the bookmark")].bookmark);
}

void Recordset::setBookmark(const QVariant& bookmark)
{
    requireOpen("Setting the bookmark");
    bool isNumber = false;
    const qint64 wanted = bookmark.toLongLong(&isNumber);
    const int row = isNumber && wanted > 0 ? d->rowWithBookmark(wanted) : -1;
    if (row < 0)
        throw Error(ErrorNumber::InvalidBookmark,
                    QStringLiteral("The bookmark '%1' names no row of this recordset: the row was deleted or the "
                                   "bookmark comes from elsewhere.").arg(bookmark.toString()));
    moveTo(row, adRsnMove);
}

// ---- fields ----

int Recordset::fieldCount() const
{
    return int(d->columns.size());
}

QStringList Recordset::fieldNames() const
{
    return d->columns;
}

int Recordset::fieldIndex(const QString& name) const
{
    for (int i = 0; i < d->columns.size(); ++i) {
        if (d->columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Recordset::requireField(const QString& name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw Error(ErrorNumber::ItemNotFound,
                    QStringLiteral("The column '%1' is not among the fields of \"%2\" (fields: %3).")
                        .arg(name, d->statement.sql, d->columns.join(QStringLiteral(", "))));
    return column;
}

QVariant Recordset::Value(const QString& fieldName) const
{
    const int column = requireField(fieldName);
    return d->cell(requireCurrentRow("Reading a field"), column);
}

void Recordset::setValue(const QString& fieldName, const QVariant& value)
{
    const int column = requireField(fieldName);
    setValueAt(requireCurrentRow("Changing a field"), column, value);
}

QVariant Recordset::valueAt(int row, int column) const
{
    if (row < 0 || row >= d->rowCount() || column < 0 || column >= fieldCount())
        return QVariant();
    return d->cell(row, column);
}

namespace {
bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isValid() != b.isValid())
        return false;
    return !a.isValid() || (a.metaType() == b.metaType() && a == b);
}
}  // namespace

void Recordset::setValueAt(int row, int column, const QVariant& value)
{
    requireUpdatable("Changing a field");
    if (row < 0 || row >= d->rowCount() || column < 0 || column >= fieldCount())
        throw Error(ErrorNumber::InvalidArgument,
                    QStringLiteral("Cell (%1, %2) does not exist: the recordset has %3 rows and %4 columns.")
                        .arg(row).arg(column).arg(d->rowCount()).arg(fieldCount()));
    if (sameValue(d->cell(row, column), value))
        return;
    Row& target = d->rows[row];
    if (!target.isPending()) {
        emit WillChangeRecord(adRsnFirstChange, 1, adStatusOK, this);
        target.original = QList<QVariant>(d->rowCells(row), d->rowCells(row) + fieldCount());
        target.changed = QBitArray(fieldCount());
        ++d->pendingRows;
    }
    d->cell(row, column) = value;
    target.changed.setBit(column);
    emit rowChanged(row);
}

bool Recordset::isRowPending(int row) const
{
    return row >= 0 && row < d->rowCount() && d->rows[row].isPending();
}

bool Recordset::hasPendingChanges() const
{
    return d->pendingRows > 0;
}

// ---- changes ----

void Recordset::requireUpdatable(const char* operation) const
{
    requireOpen(operation);
    if (d->table.isEmpty())
        throw Error(ErrorNumber::OperationNotAllowed,
                    QStringLiteral("%1 is not possible: the rows of \"%2\" are read-only; only a plain "
                                   "\"select * from <table>\" can be changed.")
                        .arg(QLatin1String(operation), d->statement.sql));
}

void Recordset::AddNew()
{
    requireUpdatable("AddNew");
    emit WillChangeRecord(adRsnAddNew, 1, adStatusOK, this);
    d->appendRow(Row{0, d->nextBookmark++, true, QBitArray(fieldCount()), {}});
    ++d->pendingRows;
    emit rowInserted(d->rowCount() - 1);
    moveTo(d->rowCount() - 1, adRsnMove);
}

void Recordset::CancelUpdate()
{
    requireOpen("CancelUpdate");
    if (d->place != Impl::Place::OnRow || !d->rows[d->index].isPending())
        return;
    const int row = d->index;
    Row& target = d->rows[row];
    if (target.isNew) {
        emit WillChangeRecord(adRsnUndoAddNew, 1, adStatusOK, this);
        d->removeRow(row);
        --d->pendingRows;
        d->place = Impl::Place::AfterLast;
        emit rowRemoved(row);
        moveTo(d->rowCount() - 1, adRsnMove);  // the last row, or BOF and EOF when none is left
        return;
    }
    emit WillChangeRecord(adRsnUndoUpdate, 1, adStatusOK, this);
    std::copy(target.original.begin(), target.original.end(), d->rowCells(row));
    target.original.clear();
    target.changed = QBitArray();
    --d->pendingRows;
    emit rowChanged(row);
}

std::vector<int> Recordset::pendingRowsFor(int affect) const
{
    std::vector<int> pending;
    if (affect == adAffectCurrent) {
        if (d->place == Impl::Place::OnRow && d->rows[d->index].isPending())
            pending.push_back(d->index);
        return pending;
    }
    for (int row = 0; row < d->rowCount(); ++row) {
        if (d->rows[row].isPending())
            pending.push_back(row);
    }
    return pending;
}

std::vector<qint64> Recordset::writeRows(const std::vector<int>& pending)
{
    sqlite3* db = d->connection->handle();
    RecordsetWriter writer(db, d->table, d->columns);
    WriteTransaction transaction(db);
    std::vector<qint64> rowids;
    rowids.reserve(pending.size());
    for (int row : pending) {
        const Row& source = d->rows[row];
        if (source.isNew) {
            rowids.push_back(writer.insert(source.changed, d->rowCells(row)));
        } else {
            writer.update(source.rowid, source.changed, d->rowCells(row));
            rowids.push_back(source.rowid);
        }
    }
    transaction.commit();
    return rowids;
}

void Recordset::UpdateBatch(int affect)
{
    requireOpen("UpdateBatch");
    if (affect != adAffectAll && affect != adAffectCurrent)
        throw Error(ErrorNumber::InvalidArgument,
                    QStringLiteral("UpdateBatch cannot write the rows chosen by %1.").arg(affect));
    const std::vector<int> pending = pendingRowsFor(affect);
    if (pending.empty())
        return;
    requireUpdatable("UpdateBatch");
    emit WillChangeRecord(adRsnUpdate, int(pending.size()), adStatusOK, this);
    std::vector<qint64> rowids;
    try {
        rowids = writeRows(pending);
    } catch (const Error& error) {
        throw Error(error.number(), QStringLiteral("The changes were not saved: %1 Nothing was written; the %2 "
                                                   "changed rows are kept as they were.")
                                        .arg(error.description()).arg(pending.size()));
    }
    for (size_t k = 0; k < pending.size(); ++k) {
        Row& written = d->rows[pending[k]];
        written.rowid = rowids[k];
        written.isNew = false;
        written.changed = QBitArray();
        written.original.clear();
    }
    d->pendingRows -= int(pending.size());
    for (int row : pending)
        emit rowChanged(row);
}

void Recordset::Delete(int affect)
{
    if (affect != adAffectCurrent)
        throw Error(ErrorNumber::InvalidArgument,
                    QStringLiteral("Delete can only remove the current row, not the rows chosen by %1.").arg(affect));
    const int row = requireCurrentRow("Delete");
    const Row& target = d->rows[row];
    if (!target.isNew)
        requireUpdatable("Delete");
    emit WillChangeRecord(adRsnDelete, 1, adStatusOK, this);
    if (!target.isNew)
        RecordsetWriter(d->connection->handle(), d->table, d->columns).remove(target.rowid);
    if (target.isPending())
        --d->pendingRows;
    d->removeRow(row);
    d->place = Impl::Place::OnDeleted;
    d->index = row;
    emit rowRemoved(row);
}

void Recordset::Requery(int)
{
    requireOpen("Requery");
    d->fetch(d->connection->handle());
    emit rowsReset();
    emit MoveComplete(adRsnRequery, adStatusOK, this);
}

}  // namespace keysound::store
