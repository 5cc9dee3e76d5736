// The services the windows rely on: twips, the normal-file lookup and what the replacing copy
// leaves when the disk is full (the rest of the copy is tried through the editor's import).
#include "ErrorOf.h"
#include "TestAppFolder.h"
#include "TestFiles.h"

#include "platform/Error.h"
#include "platform/FileServices.h"
#include "platform/TableFolder.h"
#include "platform/Twips.h"

#include <QtTest>
#include <sys/stat.h>

using namespace keysound;

namespace {

// A copy under a file-size limit and a umask of its own, both put back afterwards.
struct CopyCase {
    qint64 sourceBytes;
    rlim_t sizeLimit = RLIM_INFINITY;  // beyond it write() fails with EFBIG, as on a full disk
    mode_t umask = 022;
    std::optional<QByteArray> old = {};  // the destination before the copy
    int number = 0;                      // the error the copy throws
    int mode = 0;                        // the new sound's, when it is copied
};

// The error the copy throws under the case's file-size limit and umask.
std::optional<Error> copyLimited(const CopyCase& c, const QString& source, const QString& destination)
{
    const test::FileSizeLimit limit(c.sizeLimit);
    const mode_t umaskBefore = ::umask(c.umask);
    const auto error = test::errorOf([&] { platform::copyFileReplacing(source, destination); });
    ::umask(umaskBefore);
    return error;
}

}  // namespace

Q_DECLARE_METATYPE(CopyCase)

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void twips()  // to the nearest pixel, and back
    {
        QCOMPARE(platform::twipsToPixels(345, 96), 23);
        QCOMPARE(platform::twipsToPixels(1440, 120), 120);
        QCOMPARE(platform::twipsToPixels(platform::pixelsToTwips(23, 96), 96), 23);
    }

    // Texts keep the program's '\' inside the folder; native paths have '/' only, and a folder
    // named with its separator gets no second one.
    void tableFolderPaths_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("expected");  // sound text, sound native, database native
        QTest::newRow("plain") << "/t/k" << QStringList{"/t/k\\MP3\\a b.mp3", "/t/k/MP3/a b.mp3", "/t/k/db1.mdb"};
        QTest::newRow("with its separator") << "/t/k/" << QStringList{"/t/k/MP3\\x", "/t/k/MP3/x", "/t/k/db1.mdb"};
        QTest::newRow("the root") << "/" << QStringList{"/MP3\\x", "/MP3/x", "/db1.mdb"};
    }
    void tableFolderPaths()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, expected);
        const platform::TableFolder table(folder);
        const QString name = expected[1].section(u'/', -1);
        QCOMPARE((QStringList{table.soundPathText(name), table.soundNativePath(name), table.databaseNativePath()}),
                 expected);
        QCOMPARE(table.soundFolderNativePath() + u'/' + name, table.soundNativePath(name));
    }

    void normalFile()
    {
        test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
        folder.writeFile("MP3/a.mp3", "x");
        folder.writeFile("MP3/.hidden.mp3", "x");
        QVERIFY(platform::isNormalFile(folder.path() + "/MP3/a.mp3"));
        for (const char* other : {"/MP3", "/MP3/.hidden.mp3", "/MP3/"})  // a folder, a hidden file
            QVERIFY2(!platform::isNormalFile(folder.path() + other), other);
        QVERIFY(!platform::isNormalFile(QString()));
    }

    void copyOfASound_data()
    {
        // clang-format off
        QTest::addColumn<CopyCase>("c");
        const int DiskFull = ErrorNumber::DiskFull;
        QTest::newRow("a new sound gets the mode of any new file") << CopyCase{.sourceBytes = 100, .mode = 0644};
        QTest::newRow("the umask decides it, also for the group")
            << CopyCase{.sourceBytes = 100, .umask = 002, .mode = 0664};
        QTest::newRow("no room for what is still buffered: the old sound stays whole")
            << CopyCase{.sourceBytes = 3000, .sizeLimit = 1000, .old = "old sound", .number = DiskFull};
        // clang-format on
    }
    void copyOfASound()
    {
        QFETCH(CopyCase, c);
        test::TestAppFolder folder(test::TestAppFolder::WithoutDatabase);
        const QByteArray content(c.sourceBytes, 'x');
        const QString source = folder.writeFile("picked/a.mp3", content);
        const QString destination = folder.soundFolderPath() + "/a.mp3";
        if (c.old)
            folder.writeFile("MP3/a.mp3", *c.old);
        const std::optional<Error> error = copyLimited(c, source, destination);
        QCOMPARE(error.value_or(Error(0, {})).number(), c.number);
        if (error) {  // says what could not be written and why; the old sound stays whole
            QVERIFY2(error->description().contains(destination), qPrintable(error->description()));
            QCOMPARE(test::fileBytes(destination), c.old.value_or(QByteArray()));
        } else {
            QCOMPARE(test::fileBytes(destination), content);
            struct stat status;
            QCOMPARE(::stat(QFile::encodeName(destination).constData(), &status), 0);
            QCOMPARE(status.st_mode & 07777, mode_t(c.mode));
        }
        QStringList entries;  // no temporary file left
        if (c.old || !error)
            entries << "a.mp3";
        QCOMPARE(QDir(folder.soundFolderPath()).entryList(QDir::Files | QDir::Hidden), entries);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"
