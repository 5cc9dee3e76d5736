#include "store/RecordsetImpl.h"

#include "platform/Error.h"
#include "store/Bounds.h"
#include "store/DatabaseHandle.h"
#include "store/PreparedStatement.h"
#include "store/RowBudget.h"
#include "store/StoreText.h"

#include <QDir>
#include <QRegularExpression>
#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace keysound::store {

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

// A column may be named rowid, oid or _rowid_ (a legacy table can have one) and then hides the
// real row id under that name; the first of the three names that no column takes still reaches it.
QString freeRowidName(DatabaseHandle& database, const QString& table)
{
    PreparedStatement allColumns(database, QStringLiteral("SELECT * FROM %1").arg(table));
    QStringList taken;
    for (int c = 0; c < allColumns.columnCount(); ++c)
        taken.append(allColumns.columnName(c));
    for (const char* name : {"rowid", "oid", "_rowid_"}) {
        if (!taken.contains(QLatin1String(name), Qt::CaseInsensitive))
            return QLatin1String(name);
    }
    return QString();
}

}  // namespace

DatabaseHandle& Recordset::Impl::database() const
{
    DatabaseHandle& handle = *connection->database();
    handle.clock().setLimit(statement.timeLimit);
    return handle;
}

void Recordset::Impl::fetch()
{
    DatabaseHandle& db = database();
    const QString rowid = table.isEmpty() ? QString() : freeRowidName(db, table);
    const bool withRowid = !rowid.isEmpty();
    const QString sql = withRowid ? QStringLiteral("SELECT %1, * FROM %2").arg(rowid, table) : statement.sql;
    PreparedStatement select(db, sql, PreparedStatement::Reuse::Keep);
    select.bindAll(statement.parameters);
    const int first = withRowid ? 1 : 0;
    QStringList names;
    for (int c = first; c < select.columnCount(); ++c)
        names.append(select.columnName(c));
    std::vector<Row> fetchedRows;
    std::vector<QVariant> fetchedCells;
    qint64 bookmark = 1;
    RowBudget budget(db.path(), table.isEmpty() ? statement.sql : table);
    while (select.nextRow()) {
        budget.addRow();
        fetchedRows.push_back(Row{withRowid ? select.int64(0) : 0, bookmark++, false, {}, {}});
        for (int c = first; c < select.columnCount(); ++c) {
            fetchedCells.push_back(select.value(c));
            budget.addValue(fetchedCells.back());
        }
    }
    rowidName = rowid;
    columns = names;
    rows = std::move(fetchedRows);
    cells = std::move(fetchedCells);
    nextBookmark = bookmark;
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

Recordset::Recordset(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Impl>())
{}

Recordset::~Recordset() = default;

void Recordset::Open(const QString& source, ConnectionPtr activeConnection, int cursorType, int lockType, int options)
{
    Open(Statement{source, {}}, std::move(activeConnection), cursorType, lockType, options);
}

void Recordset::Open(const Statement& statement, ConnectionPtr activeConnection, int, int, int)
{
    if (!activeConnection || !activeConnection->isOpen())
        throw Error(ErrorNumber::OperationNotAllowed,
                    StoreText::tr("Cannot run \"%1\": the connection is not open.").arg(statement.sql));
    load(statement, std::move(activeConnection), adRsnMove);
}

// The rows are replaced only once the new ones are all fetched: a failure leaves them as they were.
void Recordset::load(Statement statement, ConnectionPtr connection, int reason)
{
    auto loaded = std::make_unique<Impl>();
    loaded->connection = std::move(connection);
    loaded->statement = std::move(statement);
    loaded->table = updatableTable(loaded->statement.sql);
    loaded->fetch();
    emit rowsAboutToBeReset();
    d = std::move(loaded);
    emit rowsReset();
    emit MoveComplete(reason, adStatusOK, this);
}

bool Recordset::isOpen() const { return d->open; }

ConnectionPtr Recordset::activeConnection() const { return d->connection; }

void Recordset::requireOpen(const char* operation) const
{
    if (!d->open)
        throw Error(ErrorNumber::OperationNotAllowed,
                    StoreText::tr("Cannot %1: the recordset is not open.").arg(StoreText::tr(operation)));
}

int Recordset::fieldCount() const { return int(d->columns.size()); }

QStringList Recordset::fieldNames() const { return d->columns; }

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
        throw Error(ErrorNumber::ItemNotFound, StoreText::tr("The fields of \"%2\" have no column %1 (its fields: %3).")
                                                   .arg(name, d->statement.sql, d->columns.join(QStringLiteral(", "))));
    return column;
}

QVariant Recordset::Value(const QString& fieldName) const
{
    const int column = requireField(fieldName);
    return d->cell(requireCurrentRow(QT_TRANSLATE_NOOP("StoreText", "read a field")), column);
}

void Recordset::setValue(const QString& fieldName, const QVariant& value)
{
    const int column = requireField(fieldName);
    setValueAt(requireCurrentRow(QT_TRANSLATE_NOOP("StoreText", "change a field")), column, value);
}

QVariant Recordset::valueAt(int row, int column) const
{
    if (row < 0 || row >= d->rowCount() || column < 0 || column >= fieldCount())
        return QVariant();
    return d->cell(row, column);
}

void Recordset::Requery(int)
{
    requireOpen(QT_TRANSLATE_NOOP("StoreText", "read the records again"));
    d->connection->reopenIfChanged();  // as if closed and opened again: a replaced file, a new snapshot
    load(d->statement, d->connection, adRsnRequery);
}

}  // namespace keysound::store
