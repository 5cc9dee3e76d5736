#pragma once

#include "store/legacy/JetData.h"

#include <QByteArray>
#include <functional>
#include <optional>

// The framed format in which the reading process hands a Jet file's tables to keysound:
// records of a tag byte and little-endian fields, strings and blobs with a 32-bit length.
//   'J' format(u8: 3|4)   'T' name, declared rows(i64), columns(u32) x [name, kind(u8), size(i32)]
//   'R' values(u32) x [type(u8) payload]   'F' why   'E' (last byte of a complete stream)
// A row belongs to the table before it and has one value per column of that table.
namespace keysound::store::jetstream {

using Sink = std::function<void(const QByteArray&)>;

void writeFormat(const Sink& sink, DatabaseFormat format);
void writeTable(const Sink& sink, const JetTable& table);
void writeRow(const Sink& sink, const QVariantList& values);
void writeFailure(const Sink& sink, const QString& why);
void writeEnd(const Sink& sink);

// What a stream says: the database, or the reader's own account of why it could not read it.
struct Parsed {
    std::optional<JetDatabase> database;
    QString failure;
};

// Parses a complete stream. Returns nothing when the bytes are not a well-formed stream
// (cut short, unknown tag, lengths or counts that do not fit).
std::optional<Parsed> parse(const QByteArray& stream);

}  // namespace keysound::store::jetstream
