// The file services the windows rely on: the normal-file lookup and the replacing copy.
#include "TestAppFolder.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/FileServices.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace keysound;

class FileServicesTest : public QObject {
    Q_OBJECT
private slots:
    void normalFile_data();
    void normalFile();
    void copyReplacesTheDestination();
    void copyOntoItselfLeavesTheFileUntouched();
    void failedCopyLeavesTheDestinationWhole_data();
    void failedCopyLeavesTheDestinationWhole();
    void nativePathTurnsBackslashesIntoSlashes();
};

void FileServicesTest::normalFile_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("normal");
    QTest::newRow("existing file") << "MP3\\a.mp3" << true;
    QTest::newRow("missing file") << "MP3\\missing.mp3" << false;
    QTest::newRow("folder") << "MP3" << false;
    QTest::newRow("path ending in a separator") << "MP3\\" << false;
    QTest::newRow("hidden file") << "MP3\\.hidden.mp3" << false;
    QTest::newRow("empty path") << "" << false;
    QTest::newRow("file with blanks") << "MP3\\with blanks.mp3" << true;
}

void FileServicesTest::normalFile()
{
    QFETCH(QString, relative);
    QFETCH(bool, normal);
    test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
    for (const char* name : {"MP3/a.mp3", "MP3/.hidden.mp3", "MP3/with blanks.mp3"})
        folder.writeFile(QString::fromUtf8(name), "x");
    const QString pathText = relative.isEmpty() ? QString() : folder.path() + QLatin1Char('\\') + relative;
    QCOMPARE(platform::isNormalFile(pathText), normal);
}

void FileServicesTest::copyReplacesTheDestination()
{
    test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
    const QString source = folder.writeFile(QStringLiteral("elsewhere/new.mp3"), "new content");
    folder.writeFile(QStringLiteral("MP3/new.mp3"), "old content that is longer");
    platform::copyFileReplacing(source, folder.path() + QStringLiteral("\\MP3\\new.mp3"));
    QFile copied(folder.soundFolderPath() + QStringLiteral("/new.mp3"));
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("new content"));
    QCOMPARE(QDir(folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden), QStringList{"new.mp3"});
}

void FileServicesTest::copyOntoItselfLeavesTheFileUntouched()
{
    test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
    const QString file = folder.writeFile(QStringLiteral("MP3/same.mp3"), "precious");
    const QDateTime modified = QFileInfo(file).lastModified();
    platform::copyFileReplacing(file, folder.path() + QStringLiteral("\\MP3\\same.mp3"));
    QFile same(file);
    QVERIFY(same.open(QIODevice::ReadOnly));
    QCOMPARE(same.readAll(), QByteArray("precious"));
    QCOMPARE(QFileInfo(file).lastModified(), modified);
}

void FileServicesTest::failedCopyLeavesTheDestinationWhole_data()
{
    QTest::addColumn<QString>("case_");
    QTest::newRow("source missing") << "source missing";
    QTest::newRow("destination folder missing") << "no folder";
    QTest::newRow("destination folder read-only") << "read-only folder";
}

void FileServicesTest::failedCopyLeavesTheDestinationWhole()
{
    QFETCH(QString, case_);
    test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
    QString source = folder.writeFile(QStringLiteral("elsewhere/s.mp3"), "new");
    QString destination = folder.path() + QStringLiteral("\\MP3\\s.mp3");
    const QString existing = folder.writeFile(QStringLiteral("MP3/s.mp3"), "old");
    if (case_ == QLatin1String("source missing"))
        source += QStringLiteral(".gone");
    if (case_ == QLatin1String("no folder"))
        destination = folder.path() + QStringLiteral("\\NoSuchFolder\\s.mp3");
    if (case_ == QLatin1String("read-only folder")) {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QFile::setPermissions(folder.soundFolderPath(), QFile::ReadOwner | QFile::ExeOwner);
    }
    try {
        platform::copyFileReplacing(source, destination);
        QFAIL("the copy should have failed");
    } catch (const Error& error) {
        QCOMPARE(error.number(), ErrorNumber::FileAccess);
        QVERIFY(error.description().contains(QStringLiteral("s.mp3")));
    }
    QFile::setPermissions(folder.soundFolderPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile old(existing);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    QCOMPARE(QDir(folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden), QStringList{"s.mp3"});
}

void FileServicesTest::nativePathTurnsBackslashesIntoSlashes()
{
    QCOMPARE(platform::nativePath(QStringLiteral("/app\\MP3\\sub\\a.mp3")), QStringLiteral("/app/MP3/sub/a.mp3"));
}

QTEST_GUILESS_MAIN(FileServicesTest)
#include "tst_fileservices.moc"
