#include "StoreTestSupport.h"

#include "TestAppFolder.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace keysound::test {

store::ConnectionPtr openStore(const QString& folder, int mode)
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Mode = mode;
    connection->Open(store::connectionStringFor(folder), QString(), QString(), store::adConnectUnspecified);
    return connection;
}

QStringList lookUp(const QString& folder, const QString& key)
{
    store::Recordset recordset;
    recordset.Open(store::keyLookupStatement(key), openStore(folder));
    QStringList files;
    for (int row = 0; row < recordset.RecordCount(); ++row)
        files.append(recordset.valueAt(row, recordset.fieldIndex(QStringLiteral("文件名"))).toString());
    return files;
}

std::optional<Error> errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

QString copySample(const QString& sampleName, const QString& folder, const QString& asName)
{
    const QString source = QDir(jetFixturesDir()).filePath(sampleName);
    const QString target = QDir(folder).filePath(asName.isEmpty() ? sampleName : asName);
    if (!QFile::copy(source, target))
        throw std::runtime_error("cannot copy legacy sample " + source.toStdString());
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

QList<QVariantList> expectedConfigRows()
{
    // Lines "row,"键位","文件名","null_columns"": no field holds a comma or a doubled quote.
    QStringList lines = QString::fromUtf8(fileBytes(QDir(jetFixturesDir()).filePath(QStringLiteral("legacy-db1.csv"))))
                            .split(u'\n', Qt::SkipEmptyParts);
    QList<QVariantList> rows;
    for (const QString& line : lines.mid(1)) {
        QStringList fields = line.trimmed().split(u',');
        for (QString& field : fields)
            field = field.mid(1, field.size() - 2);
        const QStringList nulls = fields[3].split(u' ');
        rows.append({nulls.contains(QStringLiteral("键位")) ? QVariant() : QVariant(fields[1]),
                     nulls.contains(QStringLiteral("文件名")) ? QVariant() : QVariant(fields[2])});
    }
    return rows;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void overwriteBytes(const QString& path, qint64 offset, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(offset) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot change " + path.toStdString());
}

}  // namespace keysound::test
