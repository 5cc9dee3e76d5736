#pragma once

#include "store/legacy/JetData.h"
#include "store/legacy/JetStream.h"

#include <functional>

namespace keysound::store {

// Reads the user tables of a Jet 3 / Jet 4 file through libmdb. Values come as QVariant:
// null for NULL, qint64 (integers and booleans 0/1), double, QString (text, memo, dates as
// ISO 8601, currency and decimals as exact text, GUIDs) or QByteArray (binary and OLE).
// Every failure throws keysound::Error saying what could not be read.
// libmdb is not safe on damaged files (it may crash or loop): only the reading process runs this.
//
// Limits: text values are decoded here from their stored bytes, so characters outside the BMP
// survive in Jet 4 text and memo values; table and column names come through libmdb, which
// turns such characters into "??" and decodes Jet 3 names in the Windows code page it derives
// from the file's language (1252 when it knows none). Jet 3 text uses the
// code page recorded in the file (1252 when none); bytes it leaves undefined become U+FFFD.
// Only user tables are read: queries, linked tables, indexes, relationships and defaults are not.
// A damaged file is recognised when a table or the catalog yields fewer rows than it records.
class JetReader {
public:
    explicit JetReader(const QString& nativePath);
    ~JetReader();
    JetReader(const JetReader&) = delete;
    JetReader& operator=(const JetReader&) = delete;

    DatabaseFormat format() const;
    const QList<JetTable>& tables() const { return tables_; }

    // Calls onRow once per row, in stored order. Throws when the table cannot be read whole.
    using RowHandler = std::function<void(const QVariantList&)>;
    void readRows(const JetTable& table, const RowHandler& onRow) const;

private:
    [[noreturn]] void fail(const QString& why) const;
    void checkCatalogComplete();
    void readCatalog();
    void close();

    struct Library;  // the libmdb handle; its type cannot be declared ahead
    QString path_;
    Library* library_ = nullptr;
    QList<JetTable> tables_;
};

// The reading process's work: the whole file as a stream (see JetStream.h), ending with 'E'
// or, when the file cannot be read, with 'F' and the reason. Returns whether it was read whole.
bool writeJetStream(const QString& nativePath, const jetstream::Sink& sink);

}  // namespace keysound::store
