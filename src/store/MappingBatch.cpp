#include "store/MappingBatch.h"

#include "store/DatabaseHandle.h"
#include "store/Schema.h"
#include "store/PreparedStatement.h"

namespace keysound::store {

MappingBatch::MappingBatch(ConnectionPtr connection)
    : connection_(std::move(connection))
    , transaction_(std::make_unique<WriteTransaction>(*connection_->database()))
{}

MappingBatch::~MappingBatch() = default;  // the statement goes first, then the transaction

void MappingBatch::removeAllMappings()
{
    PreparedStatement(*connection_->database(), QStringLiteral("DELETE FROM %1").arg(schema::MappingTable)).run();
}

void MappingBatch::appendMapping(const QString& key, const QString& fileName)
{
    if (!insert_)
        insert_ = std::make_unique<PreparedStatement>(
            *connection_->database(), QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?1, ?2)")
                                          .arg(schema::MappingTable, schema::KeyColumn, schema::FileColumn));
    insert_->reset();
    insert_->bindAll({key, fileName});
    insert_->run();
}

void MappingBatch::commit()
{
    insert_.reset();
    transaction_->commit();
}

}  // namespace keysound::store
