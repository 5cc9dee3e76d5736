#include "store/RecordsetImpl.h"

#include "platform/Error.h"

// Position of the cursor: BOF, a row, EOF or a deleted row; the moves between them and bookmarks.
namespace keysound::store {

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

void Recordset::requireRows(const char* operation) const
{
    requireOpen(operation);
    if (d->rows.empty())
        throw Error(ErrorNumber::OperationNotAllowed,
                    QStringLiteral("无法执行 %1：记录集里没有可移到的行。")
                        .arg(QLatin1String(operation)));
}

int Recordset::requireCurrentRow(const char* operation) const
{
    requireOpen(operation);
    if (d->place != Impl::Place::OnRow)
        throw Error(ErrorNumber::NoCurrentRecord,
                    QStringLiteral("%1 需要当前记录，但记录集%2。")
                        .arg(QLatin1String(operation), placeDescription()));
    return d->index;
}

QString Recordset::placeDescription() const
{
    switch (d->place) {
    case Impl::Place::BeforeFirst:
        return QStringLiteral("位于第一行之前（BOF）");
    case Impl::Place::AfterLast:
        return d->rows.empty() ? QStringLiteral("为空（BOF 且 EOF）") : QStringLiteral("位于最后一行之后（EOF）");
    case Impl::Place::OnDeleted:
        return QStringLiteral("位于已删除的行上");
    case Impl::Place::OnRow:
        break;
    }
    return QStringLiteral("位于第 %1 行").arg(d->index + 1);
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
                    QStringLiteral("无法执行 MoveNext：记录集%1。").arg(placeDescription()));
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
                    QStringLiteral("无法执行 MovePrevious：记录集%1。").arg(placeDescription()));
    moveTo(d->place == Impl::Place::AfterLast ? d->rowCount() - 1 : d->index - 1, adRsnMovePrevious);
}

void Recordset::setCurrentRow(int row)
{
    requireOpen("Selecting a row");
    if (row < 0 || row >= d->rowCount())
        throw Error(ErrorNumber::InvalidArgument,
                    QStringLiteral("第 %1 行不存在：记录集只有 %2 行。").arg(row).arg(d->rowCount()));
    if (d->place == Impl::Place::OnRow && d->index == row)
        return;
    moveTo(row, adRsnMove);
}

int Recordset::currentRow() const
{
    return d->place == Impl::Place::OnRow ? d->index : -1;
}

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
                    QStringLiteral("书签“%1”不指向此记录集中的任何行：该行已被删除，或书签来自别处。").arg(bookmark.toString()));
    moveTo(row, adRsnMove);
}

}  // namespace keysound::store
