#pragma once

#include "platform/StagedFile.h"

#include <QString>
#include <QVariantList>
#include <memory>

struct sqlite3;

namespace keysound::store {

class PreparedStatement;

// A new SQLite file, written under a temporary name beside its destination and moved there
// only by commit(): an interruption or an error never leaves a half-written database at the
// destination. A new file gets the mode any new file gets (see StagedFile), one that replaces
// another that file's permissions. Every failure throws keysound::Error naming the destination.
class SchemaWriter {
public:
    explicit SchemaWriter(const QString& nativeDestinationPath);
    ~SchemaWriter();
    SchemaWriter(const SchemaWriter&) = delete;
    SchemaWriter& operator=(const SchemaWriter&) = delete;

    void exec(const QString& sql);

    // One prepared INSERT, run once per row with values bound by position.
    class Insert {
    public:
        Insert(SchemaWriter& writer, const QString& sql);
        ~Insert();
        Insert(const Insert&) = delete;
        Insert& operator=(const Insert&) = delete;
        void run(const QVariantList& values);

    private:
        SchemaWriter& writer_;
        std::unique_ptr<PreparedStatement> statement_;
    };

    enum class Placement { KeepExisting, ReplaceExisting };
    // Closes the database and renames it into place. KeepExisting fails rather than
    // overwrite a file that is already at the destination.
    void commit(Placement placement);

    const QString& destination() const { return destination_; }

private:
    [[noreturn]] void failWithEngineError(const QString& doing, int code) const;
    void close();

    QString destination_;
    platform::StagedFile staged_;
    sqlite3* db_ = nullptr;
};

// Whether anything at all has this name: a file, a folder, a link (dangling ones too).
bool isNameTaken(const QString& nativePath);

// Moves a finished file into place without ever overwriting destination; false when the name
// is taken in any way. Throws keysound::Error for any other failure.
bool moveIntoPlaceIfFree(const QString& nativeSource, const QString& nativeDestination);

}  // namespace keysound::store
