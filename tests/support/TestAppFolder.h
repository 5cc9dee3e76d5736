#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <optional>

namespace keysound::test {

// A throw-away application folder for one test: db1.mdb with the Config schema, an MP3 folder,
// and the program's application folder pointed at it for the folder's lifetime.
class TestAppFolder {
public:
    enum Content { WithDatabase, WithoutDatabase };
    // A temporary folder anywhere, or the user's own keysound folder (platform::usersOwnFolder(),
    // one at a time, with the data home moved for its lifetime), the one folder where keysound
    // lets a table have triggers; or a folder inside that one, which is not the user's own table.
    enum Place { Anywhere, UsersOwnFolder, InsideUsersOwnFolder };
    explicit TestAppFolder(Content content = WithDatabase, Place place = Anywhere);
    ~TestAppFolder();  // not copyable, as its QTemporaryDir

    QString path() const { return dir_.path(); }  // native paths
    QString databasePath() const { return dir_.filePath(QStringLiteral("db1.mdb")); }
    QString soundFolderPath() const { return dir_.filePath(QStringLiteral("MP3")); }

    // Runs SQL on db1.mdb (created when missing) through a connection of its own; throws on error.
    void exec(const QString& sql) const;
    // Inserts a mapping; a null QVariant stores NULL.
    void addMapping(const QVariant& key, const QVariant& fileName) const;
    void addMappings(int count) const;  // k0..: f0.mp3.., in one transaction
    QString writeFile(const QString& relativePath, const QByteArray& content) const;

private:
    QTemporaryDir temporary_;
    QDir dir_;
    bool usersOwn_ = false;
    QByteArray dataHomeBefore_;
};

// Folders CMake passes in: the committed data/ folder and the legacy Jet samples.
QString dataDir();
QString jetFixturesDir();

// Creates an empty db1.mdb with the Config schema at a native path.
void createMappingDatabase(const QString& nativePath);

}  // namespace keysound::test
