// The file services the windows rely on: the normal-file lookup and the replacing copy.
#include "TestAppFolder.h"

#include "platform/AppFolder.h"
#include "platform/Error.h"
#include "platform/FileServices.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace keysound;

namespace {
QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
}  // namespace

class FileServicesTest : public QObject {
    Q_OBJECT
private slots:
    void normalFile_data();
    void normalFile();
    void copy_data();
    void copy();
    void failedCopyLeavesTheDestinationWhole_data();
    void failedCopyLeavesTheDestinationWhole();
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
}

void FileServicesTest::normalFile()
{
    QFETCH(QString, relative);
    QFETCH(bool, normal);
    test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
    for (const char* name : {"MP3/a.mp3", "MP3/.hidden.mp3"})
        folder.writeFile(QString::fromUtf8(name), "x");
    const QString pathText = relative.isEmpty() ? QString() : folder.path() + QLatin1Char('\\') + relative;
    QCOMPARE(platform::isNormalFile(pathText), normal);
}

// MP3/s.mp3 before the copy: absent, a file, or a link planted to a file outside MP3 or to the
// picked file itself; the copy always leaves a regular file with the picked content.
void FileServicesTest::copy_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("no file of that name") << "";
    QTest::newRow("a file of that name is replaced") << "file";
    QTest::newRow("a link to a file outside MP3 is replaced") << "link outside";
    QTest::newRow("a link to the picked file is replaced") << "link source";
    QTest::newRow("the picked file is the destination") << "same";
}

void FileServicesTest::copy()
{
    QFETCH(QString, before);
    test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
    const QString outside = folder.writeFile("outside/s.mp3", "outside");
    const QString destination = folder.soundFolderPath() + "/s.mp3";
    QString source = folder.writeFile("picked/s.mp3", "picked");
    if (before == "file")
        folder.writeFile("MP3/s.mp3", "old content that is longer");
    else if (before.startsWith("link"))
        QFile::link(before == "link outside" ? outside : source, destination);
    else if (before == "same")
        source = folder.writeFile("MP3/s.mp3", "picked");
    platform::copyFileReplacing(source, folder.path() + "\\MP3\\s.mp3");
    QVERIFY(!QFileInfo(destination).isSymLink());
    QCOMPARE(contentOf(destination), QByteArray("picked"));
    QCOMPARE(contentOf(outside), QByteArray("outside"));
    QCOMPARE(contentOf(source), QByteArray("picked"));
    QCOMPARE(QDir(folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"s.mp3"});
}

void FileServicesTest::failedCopyLeavesTheDestinationWhole_data()
{
    QTest::addColumn<QString>("case_");
    QTest::newRow("source missing") << "source missing";
    QTest::newRow("destination folder missing") << "no folder";
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
    try {
        platform::copyFileReplacing(source, destination);
        QFAIL("the copy should have failed");
    } catch (const Error& error) {
        QCOMPARE(error.number(), ErrorNumber::FileAccess);
        QVERIFY(error.description().contains(QStringLiteral("s.mp3")));
        QVERIFY2(!error.description().contains('\\'), qPrintable(error.description()));  // native paths
    }
    QCOMPARE(contentOf(existing), QByteArray("old"));
    QCOMPARE(QDir(folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden), QStringList{"s.mp3"});
}

QTEST_GUILESS_MAIN(FileServicesTest)
#include "tst_fileservices.moc"
