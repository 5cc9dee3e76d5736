#include "store/legacy/JetStream.h"

#include "platform/AnsiText.h"

#include <QtEndian>
#include <cstring>

namespace keysound::store::jetstream {

namespace {

enum ValueType : quint8 { Null = 0, Integer = 1, Real = 2, Text = 3, Bytes = 4 };
constexpr int LastColumnKind = int(JetColumnKind::Other);

class Encoder {
public:
    explicit Encoder(char tag) { bytes_.append(tag); }
    Encoder& u8(quint8 v)
    {
        bytes_.append(char(v));
        return *this;
    }
    Encoder& u32(quint32 v) { return raw(qToLittleEndian(v)); }
    Encoder& i64(qint64 v) { return raw(qToLittleEndian(v)); }
    Encoder& real(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        return raw(qToLittleEndian(bits));
    }
    Encoder& blob(const QByteArray& b)
    {
        u32(quint32(b.size()));
        bytes_.append(b);
        return *this;
    }
    Encoder& text(const QString& s) { return blob(s.toUtf8()); }
    void sendTo(const Sink& sink) const { sink(bytes_); }

private:
    template <typename T> Encoder& raw(T v)
    {
        bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    QByteArray bytes_;
};

void encodeValue(Encoder& out, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType: out.u8(Null); break;
    case QMetaType::LongLong: out.u8(Integer).i64(value.toLongLong()); break;
    case QMetaType::Double: out.u8(Real).real(value.toDouble()); break;
    case QMetaType::QByteArray: out.u8(Bytes).blob(value.toByteArray()); break;
    default: out.u8(Text).text(value.toString()); break;
    }
}

// Reads fields off the front of the stream; any field that does not fit makes it malformed.
class Decoder {
public:
    explicit Decoder(const QByteArray& bytes)
        : bytes_(bytes)
    {}
    bool atEnd() const { return at_ == bytes_.size(); }
    bool ok() const { return ok_; }
    quint8 u8()
    {
        const char* p = take(1);
        return p ? quint8(*p) : 0;
    }
    quint32 u32()
    {
        const char* p = take(4);
        return p ? qFromLittleEndian<quint32>(p) : 0;
    }
    qint64 i64()
    {
        const char* p = take(8);
        return p ? qFromLittleEndian<qint64>(p) : 0;
    }
    double real()
    {
        double v = 0;
        const quint64 bits = quint64(i64());
        std::memcpy(&v, &bits, 8);
        return v;
    }
    QByteArray blob()
    {
        const quint32 size = u32();
        const char* p = take(size);
        return p ? QByteArray(p, qsizetype(size)) : QByteArray();
    }
    QString text() { return platform::fromUtf8Exact(blob()); }
    bool fits(quint64 count, int minimumBytesEach) const
    {
        return count <= quint64(bytes_.size() - at_) / minimumBytesEach;
    }
    void fail() { ok_ = false; }

private:
    const char* take(quint64 size)
    {
        if (!ok_ || size > quint64(bytes_.size() - at_)) {
            ok_ = false;
            return nullptr;
        }
        const char* p = bytes_.constData() + at_;
        at_ += qsizetype(size);
        return p;
    }
    const QByteArray& bytes_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

QVariant decodeValue(Decoder& in)
{
    switch (in.u8()) {
    case Null: return QVariant();
    case Integer: return in.i64();
    case Real: return in.real();
    case Text: return in.text();
    case Bytes: return in.blob();
    default: in.fail(); return QVariant();
    }
}

JetTable decodeTable(Decoder& in)
{
    JetTable table;
    table.name = in.text();
    table.declaredRows = in.i64();
    const quint32 columns = in.u32();
    if (!in.fits(columns, 9))
        in.fail();
    for (quint32 i = 0; in.ok() && i < columns; ++i) {
        JetColumn column;
        column.name = in.text();
        const quint8 kind = in.u8();
        column.kind = JetColumnKind(kind);
        column.size = qint32(in.u32());
        if (kind > LastColumnKind)
            in.fail();
        table.columns.append(column);
    }
    return table;
}

void decodeRow(Decoder& in, JetDatabase& database)
{
    const quint32 count = in.u32();
    if (database.tables.isEmpty() || count != quint32(database.tables.last().table.columns.size()) ||
        !in.fits(count, 1)) {
        in.fail();
        return;
    }
    QVariantList values;
    values.reserve(count);
    for (quint32 i = 0; in.ok() && i < count; ++i)
        values.append(decodeValue(in));
    database.tables.last().rows.append(values);
}

}  // namespace

void writeFormat(const Sink& sink, DatabaseFormat format)
{
    Encoder('J').u8(format == DatabaseFormat::Jet3 ? 3 : 4).sendTo(sink);
}

void writeTable(const Sink& sink, const JetTable& table)
{
    Encoder out('T');
    out.text(table.name).i64(table.declaredRows).u32(quint32(table.columns.size()));
    for (const JetColumn& column : table.columns)
        out.text(column.name).u8(quint8(column.kind)).u32(quint32(column.size));
    out.sendTo(sink);
}

void writeRow(const Sink& sink, const QVariantList& values)
{
    Encoder out('R');
    out.u32(quint32(values.size()));
    for (const QVariant& value : values)
        encodeValue(out, value);
    out.sendTo(sink);
}

void writeFailure(const Sink& sink, const QString& why) { Encoder('F').text(why).sendTo(sink); }

void writeEnd(const Sink& sink) { Encoder('E').sendTo(sink); }

std::optional<Parsed> parse(const QByteArray& stream)
{
    Decoder in(stream);
    JetDatabase database;
    bool formatSeen = false;
    while (in.ok() && !in.atEnd()) {
        const quint8 tag = in.u8();
        if (tag == 'F') {  // the reader may give up before it knows the format
            const QString why = in.text();
            return in.ok() && in.atEnd() ? std::optional(Parsed{std::nullopt, why}) : std::nullopt;
        }
        if (tag == 'J' && !formatSeen) {
            const quint8 version = in.u8();
            formatSeen = version == 3 || version == 4;
            database.format = version == 3 ? DatabaseFormat::Jet3 : DatabaseFormat::Jet4;
        } else if (!formatSeen) {
            return std::nullopt;
        } else if (tag == 'T') {
            database.tables.append({decodeTable(in), {}});
        } else if (tag == 'R') {
            decodeRow(in, database);
        } else if (tag == 'E') {
            return in.ok() && in.atEnd() ? std::optional(Parsed{std::move(database), QString()}) : std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;  // cut short: no end record
}

}  // namespace keysound::store::jetstream
