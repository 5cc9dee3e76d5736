#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Helpers of the legacy import tests: private copies of the shared Jet samples and a way to
// read back what an import wrote.
namespace keysound::test::legacy {

// Copies a sample from the shared legacy folder into folder (writable) and returns its path.
QString copySample(const QString& sampleName, const QString& folder, const QString& asName = QString());

// The rows legacy-db1.csv lists for Config(键位, 文件名): NULL as an invalid QVariant.
QList<QVariantList> expectedConfigRows();

// Every row of a query on an SQLite file, each value as SQLite returns it (NULL: invalid
// QVariant, INTEGER: qint64, REAL: double, TEXT: QString, BLOB: QByteArray).
// The texts of testUnicodeCompV2003.mdb's rows 1..8 as its README describes them.
QStringList expectedUnicodeSampleTexts();

QList<QVariantList> queryRows(const QString& databasePath, const QString& sql, const QVariantList& parameters = {});

QByteArray fileBytes(const QString& path);

// Overwrites part of a file in place, to make damaged copies.
void overwriteBytes(const QString& path, qint64 offset, const QByteArray& bytes);

}  // namespace keysound::test::legacy
