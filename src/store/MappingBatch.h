#pragma once

#include "store/Connection.h"

#include <QString>
#include <memory>

namespace keysound::store {

class PreparedStatement;
class WriteTransaction;

// Rewrites the rows of Config on an open connection in one transaction, for tools that bring in
// a whole table at once (the editor writes through its Recordset, which deletes at once). The
// transaction begins with the batch, commit() keeps it, and a batch destroyed without commit()
// rolls back, so a failure part-way leaves the file as it was. Errors are keysound::Error.
class MappingBatch {
public:
    explicit MappingBatch(ConnectionPtr connection);
    ~MappingBatch();
    MappingBatch(const MappingBatch&) = delete;
    MappingBatch& operator=(const MappingBatch&) = delete;

    void removeAllMappings();
    void appendMapping(const QString& key, const QString& fileName);  // after the last row
    void commit();

private:
    ConnectionPtr connection_;
    std::unique_ptr<WriteTransaction> transaction_;
    std::unique_ptr<PreparedStatement> insert_;  // after the transaction, so it is finalized first
};

}  // namespace keysound::store
