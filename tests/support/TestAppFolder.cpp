#include "TestAppFolder.h"

#include "RawDatabase.h"
#include "TestFiles.h"
#include "platform/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace keysound::test {

void createMappingDatabase(const QString& nativePath)
{
    RawDatabase(nativePath)
        .exec(QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT);"
                             "CREATE INDEX Config_键位 ON Config (键位);"));
}

TestAppFolder::TestAppFolder(Content content, Place place)
    : dir_(temporary_.path())
    , usersOwn_(place != Anywhere)
{
    if (usersOwn_) {  // the data home moves into the temporary folder: no real one is touched
        dataHomeBefore_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(temporary_.path()));
        dir_.setPath(platform::usersOwnFolder() + (place == InsideUsersOwnFolder ? QStringLiteral("/shared") : QString()));
        dir_.mkpath(QStringLiteral("."));
    }
    dir_.mkdir(QStringLiteral("MP3"));
    if (content == WithDatabase)
        createMappingDatabase(databasePath());
    platform::setAppFolderOverride(path());
}

TestAppFolder::~TestAppFolder()
{
    platform::setAppFolderOverride(QString());
    if (usersOwn_)
        qputenv("XDG_DATA_HOME", dataHomeBefore_);
}

void TestAppFolder::exec(const QString& sql) const { RawDatabase(databasePath()).exec(sql); }

void TestAppFolder::addMapping(const QVariant& key, const QVariant& fileName) const
{
    RawDatabase(databasePath())
        .rows(QStringLiteral("INSERT INTO Config (键位, 文件名) VALUES (?1, ?2)"), {key, fileName});
}

void TestAppFolder::addMappings(int count) const
{
    exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1) "
                        "INSERT INTO Config (键位, 文件名) SELECT 'k' || i, 'f' || i || '.mp3' FROM n WHERE i < %1")
             .arg(count));
}

QString TestAppFolder::writeFile(const QString& relativePath, const QByteArray& content) const
{
    return keysound::test::writeFile(dir_.filePath(relativePath), content);
}

QString dataDir() { return QStringLiteral(KEYSOUND_DATA_DIR); }
QString jetFixturesDir() { return QStringLiteral(KEYSOUND_JET_FIXTURES_DIR); }

}  // namespace keysound::test
