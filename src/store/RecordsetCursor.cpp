#include "store/RecordsetImpl.h"

#include "platform/Error.h"
#include "store/StoreText.h"

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

int Recordset::RecordCount() const { return d->rowCount(); }

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
                    StoreText::tr("Cannot %1: the recordset has no rows to move to.").arg(StoreText::tr(operation)));
}

int Recordset::requireCurrentRow(const char* operation) const
{
    requireOpen(operation);
    if (d->place != Impl::Place::OnRow)
        throw Error(ErrorNumber::NoCurrentRecord,
                    StoreText::tr("Cannot %1: there is no current record; the recordset %2.")
                        .arg(StoreText::tr(operation), placeDescription()));
    return d->index;
}

QString Recordset::placeDescription() const
{
    switch (d->place) {
    case Impl::Place::BeforeFirst: return StoreText::tr("is before its first row (BOF)");
    case Impl::Place::AfterLast:
        return d->rows.empty() ? StoreText::tr("is empty (BOF and EOF)") : StoreText::tr("is after its last row (EOF)");
    case Impl::Place::OnDeleted: return StoreText::tr("is on a deleted row");
    case Impl::Place::OnRow: break;
    }
    return StoreText::tr("is on row %1").arg(d->index + 1);
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
    requireRows(QT_TRANSLATE_NOOP("StoreText", "move to the first record"));
    moveTo(0, adRsnMoveFirst);
}

void Recordset::MoveLast()
{
    requireRows(QT_TRANSLATE_NOOP("StoreText", "move to the last record"));
    moveTo(d->rowCount() - 1, adRsnMoveLast);
}

void Recordset::MoveNext()
{
    const char* const operation = QT_TRANSLATE_NOOP("StoreText", "move to the next record");
    requireOpen(operation);
    if (EOF_())
        throw Error(ErrorNumber::NoCurrentRecord,
                    StoreText::tr("Cannot %1: the recordset %2.").arg(StoreText::tr(operation), placeDescription()));
    switch (d->place) {
    case Impl::Place::BeforeFirst: return moveTo(0, adRsnMoveNext);
    case Impl::Place::OnDeleted: return moveTo(d->index, adRsnMoveNext);
    default: return moveTo(d->index + 1, adRsnMoveNext);
    }
}

void Recordset::MovePrevious()
{
    const char* const operation = QT_TRANSLATE_NOOP("StoreText", "move to the previous record");
    requireOpen(operation);
    if (BOF())
        throw Error(ErrorNumber::NoCurrentRecord,
                    StoreText::tr("Cannot %1: the recordset %2.").arg(StoreText::tr(operation), placeDescription()));
    moveTo(d->place == Impl::Place::AfterLast ? d->rowCount() - 1 : d->index - 1, adRsnMovePrevious);
}

void Recordset::setCurrentRow(int row)
{
    requireOpen(QT_TRANSLATE_NOOP("StoreText", "select a row"));
    if (row < 0 || row >= d->rowCount())
        throw Error(ErrorNumber::InvalidArgument,
                    StoreText::tr("There is no row %1: the recordset's row count is %2.").arg(row).arg(d->rowCount()));
    if (d->place == Impl::Place::OnRow && d->index == row)
        return;
    moveTo(row, adRsnMove);
}

int Recordset::currentRow() const { return d->place == Impl::Place::OnRow ? d->index : -1; }

QVariant Recordset::Bookmark() const
{
    return QVariant::fromValue<qint64>(
        d->rows[requireCurrentRow(QT_TRANSLATE_NOOP("StoreText", "read the bookmark"))].bookmark);
}

void Recordset::setBookmark(const QVariant& bookmark)
{
    requireOpen(QT_TRANSLATE_NOOP("StoreText", "set the bookmark"));
    bool isNumber = false;
    const qint64 wanted = bookmark.toLongLong(&isNumber);
    const int row = isNumber && wanted > 0 ? d->rowWithBookmark(wanted) : -1;
    if (row < 0)
        throw Error(
            ErrorNumber::InvalidBookmark,
            StoreText::tr("The bookmark \"%1\" names no row of this recordset: its row was deleted, or the bookmark "
                          "comes from elsewhere.")
                .arg(bookmark.toString()));
    moveTo(row, adRsnMove);
}

}  // namespace keysound::store
