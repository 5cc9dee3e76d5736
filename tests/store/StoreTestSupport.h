#pragma once

#include "RawDatabase.h"
#include "platform/Error.h"
#include "store/Connection.h"

#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>

// Helpers of the store, legacy import and keysound-db tests.
namespace keysound::test {

// A connection opened the way the program opens one, on <folder>\db1.mdb.
store::ConnectionPtr openStore(const QString& folder, int mode = store::adModeUnknown);
// The file names the program's key lookup returns, in order.
QStringList lookUp(const QString& folder, const QString& key);
// The error a call throws, or nothing when it succeeds.
std::optional<Error> errorOf(const std::function<void()>& call);

// A writable copy of a Jet sample of tests/fixtures/jet in folder; returns its path.
QString copySample(const QString& sampleName, const QString& folder, const QString& asName = QString());
// Config(键位, 文件名) as legacy-db1.csv lists it, NULL as an invalid QVariant.
QList<QVariantList> expectedConfigRows();
QByteArray fileBytes(const QString& path);
void overwriteBytes(const QString& path, qint64 offset, const QByteArray& bytes);

}  // namespace keysound::test
