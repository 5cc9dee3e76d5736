#include "store/legacy/JetReader.h"

#include "platform/AnsiText.h"
#include "platform/Error.h"
#include "store/legacy/LegacyImportText.h"
#include "store/legacy/LegacyText.h"

#include <QFile>
#include <QtEndian>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <mdbtools.h>
#include <vector>

namespace keysound::store {

namespace {

// Offsets in a row slot carry flag bits above these.
constexpr int RowOffsetMask = 0x1fff;
// The system catalog's table definition is always on this page.
constexpr unsigned long CatalogTablePage = 2;
// A memo/OLE value starts with a 12-byte header: length + flags, then where the data lives.
constexpr quint32 LongValueInline = 0x80000000u;
constexpr quint32 LongValueSinglePage = 0x40000000u;
constexpr quint32 LongValueLengthMask = 0x3fffffffu;
constexpr int MaxLongValuePages = 1 << 20;  // far beyond any real value: stops a looping chain

JetColumnKind kindOf(int columnType)
{
    switch (columnType) {
    case MDB_BOOL: return JetColumnKind::Boolean;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX: return JetColumnKind::Integer;
    case MDB_FLOAT:
    case MDB_DOUBLE: return JetColumnKind::Real;
    case MDB_MONEY: return JetColumnKind::Currency;
    case MDB_NUMERIC: return JetColumnKind::Decimal;
    case MDB_DATETIME: return JetColumnKind::DateTime;
    case MDB_TEXT: return JetColumnKind::Text;
    case MDB_MEMO: return JetColumnKind::Memo;
    case MDB_BINARY: return JetColumnKind::Binary;
    case MDB_OLE: return JetColumnKind::LongBinary;
    case MDB_REPID: return JetColumnKind::Guid;
    default: return JetColumnKind::Other;
    }
}

int fixedSizeOf(int columnType)
{
    switch (columnType) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_FLOAT: return 4;
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_MONEY: return 8;
    case MDB_REPID:
    case MDB_NUMERIC: return 16;
    default: return 0;
    }
}

// A single-precision value keeps the decimal text it was typed as (0.1, not 0.100000001).
double widenFloat(float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text - 1, value);
    *result.ptr = '\0';
    return std::strtod(text, nullptr);
}

QString takeGlibString(char* text)
{
    const QString result = QString::fromUtf8(text ? text : "");
    g_free(text);
    return result;
}

MdbColumn* columnAt(MdbTableDef* table, int index)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, index));
}

// Frees a table definition on every way out of readRows.
struct TableDefinition {
    MdbTableDef* def;
    ~TableDefinition() { mdb_free_tabledef(def); }
};

class RowDecoder {
public:
    RowDecoder(const JetReader& reader, MdbHandle* mdb, MdbTableDef* table, std::function<void(const QString&)> fail)
        : reader_(reader)
        , mdb_(mdb)
        , table_(table)
        , fail_(std::move(fail))
    {}

    QVariant value(const MdbField& field) const
    {
        const MdbColumn* column = columnAt(table_, field.colnum);
        if (column->col_type == MDB_BOOL)
            return qint64(field.is_null ? 0 : 1);  // a Jet boolean lives in the null bit
        if (field.is_null)
            return QVariant();
        checkBounds(column, field);
        return decode(column, field);
    }

private:
    const uchar* bytes(const MdbField& field) const { return mdb_->pg_buf + field.start; }
    QByteArray rawBytes(const MdbField& field) const
    {
        return QByteArray(reinterpret_cast<const char*>(bytes(field)), field.siz);
    }

    void checkBounds(const MdbColumn* column, const MdbField& field) const
    {
        const bool outside = field.start < 0 || field.siz < 0 || field.start + field.siz > mdb_->fmt->pg_size;
        if (outside || field.siz < fixedSizeOf(column->col_type))
            fail_(LegacyImportText::tr("a value of the column \"%1\" lies outside its page")
                      .arg(QString::fromUtf8(column->name)));
    }

    QVariant decode(const MdbColumn* column, const MdbField& field) const
    {
        const uchar* p = bytes(field);
        switch (column->col_type) {
        case MDB_BYTE: return qint64(p[0]);
        case MDB_INT: return qint64(qFromLittleEndian<qint16>(p));
        case MDB_LONGINT:
        case MDB_COMPLEX: return qint64(qFromLittleEndian<qint32>(p));
        case MDB_FLOAT: return widenFloat(qFromLittleEndian<float>(p));
        case MDB_DOUBLE: return qFromLittleEndian<double>(p);
        case MDB_DATETIME: return legacy::jetDateTimeToIso(qFromLittleEndian<double>(p));
        case MDB_MONEY: return legacy::jetCurrencyToText(qFromLittleEndian<qint64>(p));
        case MDB_NUMERIC:
            return takeGlibString(mdb_numeric_to_string(mdb_, field.start, column->col_scale, column->col_prec));
        case MDB_REPID: return takeGlibString(mdb_uuid_to_string(mdb_->pg_buf, field.start));
        case MDB_TEXT: return text(rawBytes(field));
        case MDB_MEMO: return text(longValue(field));
        case MDB_OLE: return longValue(field);
        default: return rawBytes(field);
        }
    }

    QString text(const QByteArray& stored) const
    {
        if (reader_.format() == DatabaseFormat::Jet3)
            return legacy::decodeJet3Text(stored, mdb_->f->code_page);
        return legacy::decodeJet4Text(stored);
    }

    // Memo and OLE data: inline after the header, in one row of another page, or in a chain
    // of rows on other pages, each starting with the page/row of the next.
    QByteArray longValue(const MdbField& field) const
    {
        if (field.siz < MDB_MEMO_OVERHEAD)
            return QByteArray();
        const uchar* header = bytes(field);
        const quint32 lengthAndFlags = qFromLittleEndian<quint32>(header);
        const quint32 length = lengthAndFlags & LongValueLengthMask;
        if (lengthAndFlags & LongValueInline)
            return rawBytes(field).mid(MDB_MEMO_OVERHEAD);
        const qint32 firstPageRow = qFromLittleEndian<qint32>(header + 4);
        if (lengthAndFlags & LongValueSinglePage)
            return rowOfOtherPage(firstPageRow).left(length);
        if ((lengthAndFlags & 0xff000000u) != 0)
            fail_(LegacyImportText::tr("a memo or OLE value has an unknown kind of storage"));
        return pageChain(firstPageRow, length);
    }

    QByteArray pageChain(qint32 pageRow, quint32 length) const
    {
        QByteArray data;
        for (int pages = 0; pageRow != 0 && data.size() < qsizetype(length); ++pages) {
            if (pages == MaxLongValuePages)
                fail_(LegacyImportText::tr("the page chain of a memo or OLE value has no end"));
            const QByteArray row = rowOfOtherPage(pageRow);
            if (row.size() < 4)
                fail_(LegacyImportText::tr("the page chain of a memo or OLE value is broken"));
            pageRow = qFromLittleEndian<qint32>(row.constData());
            data.append(row.mid(4));
        }
        if (data.size() < qsizetype(length))
            fail_(LegacyImportText::tr("a memo or OLE value is shorter than its recorded length"));
        return data.left(length);
    }

    QByteArray rowOfOtherPage(qint32 pageRow) const
    {
        void* page = nullptr;
        int offset = 0;
        size_t size = 0;
        if (mdb_find_pg_row(mdb_, pageRow, &page, &offset, &size) != 0)
            fail_(LegacyImportText::tr("a memo or OLE value points to a page that cannot be read"));
        return QByteArray(static_cast<const char*>(page) + offset, qsizetype(size));
    }

    const JetReader& reader_;
    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::function<void(const QString&)> fail_;
};

}  // namespace

struct JetReader::Library {
    MdbHandle* mdb = nullptr;
};

JetReader::JetReader(const QString& nativePath)
    : path_(nativePath)
    , library_(new Library)
{
    try {
        library_->mdb = mdb_open(QFile::encodeName(nativePath).constData(), MDB_NOFLAGS);
        if (!library_->mdb)
            fail(LegacyImportText::tr("libmdb cannot open it"));
        const auto version = library_->mdb->f->jet_version;
        if (version != MDB_VER_JET3 && version != MDB_VER_JET4)
            fail(LegacyImportText::tr("it is not a Jet 3 or Jet 4 database"));
        readCatalog();
    } catch (...) {
        close();
        throw;
    }
}

JetReader::~JetReader() { close(); }

void JetReader::close()
{
    if (library_ && library_->mdb)
        mdb_close(library_->mdb);
    delete library_;
    library_ = nullptr;
}

DatabaseFormat JetReader::format() const
{
    return library_->mdb->f->jet_version == MDB_VER_JET3 ? DatabaseFormat::Jet3 : DatabaseFormat::Jet4;
}

void JetReader::fail(const QString& why) const { throw Error(ErrorNumber::UnrecognizedFormat, why); }

// libmdb lists whatever rows of the system catalog it can read; a catalog that lost rows
// would silently hide tables, so its rows are counted against its own definition first.
void JetReader::checkCatalogComplete()
{
    MdbCatalogEntry catalog{};
    catalog.mdb = library_->mdb;
    std::strcpy(catalog.object_name, "MSysObjects");
    catalog.object_type = MDB_TABLE;
    catalog.table_pg = CatalogTablePage;
    TableDefinition def{mdb_read_table(&catalog)};
    if (!def.def || !mdb_read_columns(def.def))
        fail(LegacyImportText::tr("its table catalog cannot be read"));
    mdb_rewind_table(def.def);
    qint64 rows = 0;
    while (mdb_fetch_row(def.def))
        ++rows;
    if (rows != def.def->num_rows)
        fail(LegacyImportText::tr("its table catalog records %1 entries, but only %2 can be read")
                 .arg(def.def->num_rows)
                 .arg(rows));
}

void JetReader::readCatalog()
{
    MdbHandle* mdb = library_->mdb;
    checkCatalogComplete();
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        fail(LegacyImportText::tr("its table catalog cannot be read"));
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (!mdb_is_user_table(entry))
            continue;
        MdbTableDef* def = mdb_read_table(entry);
        if (!def || !mdb_read_columns(def))
            fail(LegacyImportText::tr("the definition of the table \"%1\" cannot be read")
                     .arg(QString::fromUtf8(entry->object_name)));
        TableDefinition owner{def};
        JetTable table{platform::fromUtf8Exact(def->name), {}, def->num_rows, int(i)};
        for (unsigned c = 0; c < def->num_cols; ++c) {
            const MdbColumn* column = columnAt(def, c);
            table.columns.append({platform::fromUtf8Exact(column->name), kindOf(column->col_type), column->col_size});
        }
        tables_.append(table);
    }
}

void JetReader::readRows(const JetTable& table, const RowHandler& onRow) const
{
    MdbHandle* mdb = library_->mdb;
    const auto failInTable = [&](const QString& why) {
        fail(LegacyImportText::tr("table \"%1\": %2").arg(table.name, why));
    };
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, table.catalogIndex));
    TableDefinition def{mdb_read_table(entry)};
    if (!def.def || !mdb_read_columns(def.def) || int(def.def->num_cols) != table.columns.size())
        failInTable(LegacyImportText::tr("its definition cannot be read"));
    mdb_rewind_table(def.def);
    const RowDecoder decoder(*this, mdb, def.def, failInTable);
    std::vector<MdbField> fields(def.def->num_cols);
    qint64 rows = 0;
    while (mdb_fetch_row(def.def)) {
        // The fetch leaves the row's page loaded; crack the row again to see its null flags,
        // which the bound values lose (an empty text and NULL both bind as "").
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, int(def.def->cur_row) - 1, &start, &size) != 0)
            failInTable(LegacyImportText::tr("row %1 is not on its data page").arg(rows + 1));
        const int count = mdb_crack_row(def.def, start & RowOffsetMask, size, fields.data());
        if (count != table.columns.size())
            failInTable(LegacyImportText::tr("row %1 cannot be decoded").arg(rows + 1));
        QVariantList values(count);
        for (int i = 0; i < count; ++i) {
            if (fields[i].colnum < 0 || fields[i].colnum >= count)
                failInTable(LegacyImportText::tr("row %1 refers to a column that does not exist").arg(rows + 1));
            values[fields[i].colnum] = decoder.value(fields[i]);
        }
        onRow(values);
        ++rows;
    }
    if (rows != table.declaredRows)
        failInTable(
            LegacyImportText::tr("it records %1 rows, but only %2 can be read").arg(table.declaredRows).arg(rows));
}

bool writeJetStream(const QString& nativePath, const jetstream::Sink& sink)
{
    try {
        const JetReader reader(nativePath);
        jetstream::writeFormat(sink, reader.format());
        for (const JetTable& table : reader.tables()) {
            jetstream::writeTable(sink, table);
            reader.readRows(table, [&](const QVariantList& row) { jetstream::writeRow(sink, row); });
        }
        jetstream::writeEnd(sink);
        return true;
    } catch (const Error& error) {
        jetstream::writeFailure(sink, error.description());
        return false;
    }
}

}  // namespace keysound::store
