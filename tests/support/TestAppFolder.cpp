#include "TestAppFolder.h"

#include "platform/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <stdexcept>

namespace keysound::test {

namespace {
struct Db {
    sqlite3* handle = nullptr;
    explicit Db(const QString& path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open test database " + path.toStdString());
    }
    ~Db() { sqlite3_close(handle); }
    void exec(const QString& sql) const
    {
        char* message = nullptr;
        if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            throw std::runtime_error("test SQL failed: " + text + " in: " + sql.toStdString());
        }
    }
};

void bindVariant(sqlite3_stmt* statement, int index, const QVariant& value)
{
    if (value.isNull()) {
        sqlite3_bind_null(statement, index);
    } else {
        const QByteArray utf8 = value.toString().toUtf8();
        sqlite3_bind_text(statement, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
    }
}
}  // namespace

void createMappingDatabase(const QString& nativePath)
{
    Db db(nativePath);
    db.exec(QStringLiteral("CREATE TABLE Config (键位 TEXT COLLATE NOCASE, 文件名 TEXT);"
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

QString TestAppFolder::path() const { return dir_.path(); }
QString TestAppFolder::databasePath() const { return dir_.filePath(QStringLiteral("db1.mdb")); }
QString TestAppFolder::soundFolderPath() const { return dir_.filePath(QStringLiteral("MP3")); }

void TestAppFolder::exec(const QString& sql) const
{
    Db(databasePath()).exec(sql);
}

void TestAppFolder::addMapping(const QVariant& key, const QVariant& fileName) const
{
    Db db(databasePath());
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.handle, "INSERT INTO Config (键位, 文件名) VALUES (?1, ?2)", -1, &statement, nullptr);
    bindVariant(statement, 1, key);
    bindVariant(statement, 2, fileName);
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        throw std::runtime_error("cannot insert test mapping");
}

void TestAppFolder::addMappings(int count, const QString& keyPrefix, const QString& filePrefix) const
{
    Db db(databasePath());
    db.exec(QStringLiteral("BEGIN"));
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.handle, "INSERT INTO Config (键位, 文件名) VALUES (?1, ?2)", -1, &statement, nullptr);
    for (int i = 0; i < count; ++i) {
        bindVariant(statement, 1, QStringLiteral("%1%2").arg(keyPrefix).arg(i));
        bindVariant(statement, 2, QStringLiteral("%1%2.mp3").arg(filePrefix).arg(i));
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    db.exec(QStringLiteral("COMMIT"));
}

QString TestAppFolder::addSampleSound(const QString& sampleName, const QString& asName) const
{
    const QString source = QDir(dataDir()).filePath(QStringLiteral("MP3/") + sampleName);
    const QString target = QDir(soundFolderPath()).filePath(asName);
    QFile::remove(target);
    if (!QFile::copy(source, target))
        throw std::runtime_error("cannot copy sample sound " + source.toStdString());
    return target;
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
