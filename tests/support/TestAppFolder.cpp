#include "TestAppFolder.h"

#include "RawDatabase.h"
#include "platform/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace keysound::test {

void createMappingDatabase(const QString& nativePath)
{
    RawDatabase(nativePath, RawDatabase::CreateIfMissing)
        .exec(QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT);"
                             "CREATE INDEX Config_键位 ON Config (键位);"));
}

TestAppFolder::TestAppFolder(Content content)
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    QDir(dir_.path()).mkdir(QStringLiteral("MP3"));
    if (content == WithDatabase)
        createMappingDatabase(databasePath());
    platform::setAppFolderOverride(dir_.path());
}

TestAppFolder::~TestAppFolder()
{
    platform::setAppFolderOverride(QString());
}

void TestAppFolder::exec(const QString& sql) const
{
    RawDatabase(databasePath(), RawDatabase::CreateIfMissing).exec(sql);
}

void TestAppFolder::addMapping(const QVariant& key, const QVariant& fileName) const
{
    RawDatabase(databasePath()).rows(QStringLiteral("INSERT INTO Config (键位, 文件名) VALUES (?1, ?2)"), {key, fileName});
}

void TestAppFolder::addMappings(int count, const QString& keyPrefix, const QString& filePrefix) const
{
    QStringList values;
    for (int i = 0; i < count; ++i)
        values.append(QStringLiteral("('%1%3', '%2%3.mp3')").arg(keyPrefix, filePrefix).arg(i));
    if (count > 0)
        exec("INSERT INTO Config (键位, 文件名) VALUES " + values.join(u','));
}

QString TestAppFolder::writeFile(const QString& relativePath, const QByteArray& content) const
{
    const QString target = dir_.filePath(relativePath);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw std::runtime_error("cannot write test file " + target.toStdString());
    return target;
}

QString dataDir() { return QStringLiteral(KEYSOUND_DATA_DIR); }
QString jetFixturesDir() { return QStringLiteral(KEYSOUND_JET_FIXTURES_DIR); }

}  // namespace keysound::test
