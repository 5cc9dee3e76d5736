#include "audio/ShortPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using keysound::audio::getShortPathName;

namespace {
// The caller's buffer: 255 characters, of which the platform call is told 254.
constexpr int bufferSize = 255;
constexpr int toldLength = 254;

// Makes a file under <root> whose whole path text is exactly `length` bytes, padding with nested
// folders because one name may not exceed 255 bytes.
QString fileOfPathLength(const QString& root, int length)
{
    const QString name = QStringLiteral("/f.mp3");
    QString folder = root;
    while (folder.toUtf8().size() + name.size() < length) {
        const int missing = length - int(folder.toUtf8().size() + name.size());
        // Never leave exactly one byte to fill: a folder needs a separator and a character.
        const int step = missing > 101 ? (missing == 102 ? 50 : 100) : missing - 1;
        folder += QLatin1Char('/') + QString(step, QLatin1Char('d'));
    }
    QDir().mkpath(folder);
    const QString path = folder + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

QByteArray callAsTheWindowDoes(const QByteArray& path, int* returned = nullptr)
{
    QByteArray buffer(bufferSize, '\0');
    const int result = getShortPathName(path, buffer.data(), toldLength);
    if (returned)
        *returned = result;
    return QByteArray(buffer.constData());  // up to the first NUL
}
}  // namespace

class ShortPathTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        QDir(root_.path()).mkpath(QStringLiteral("MP3"));
        writeFile(QStringLiteral("MP3/a.mp3"));
        writeFile(QStringLiteral("MP3/with blank.mp3"));
        writeFile(QStringLiteral("MP3/按键音.mp3"));
        // The buffer arithmetic below needs room under the limit for the padding folder.
        QVERIFY(root_.path().toUtf8().size() < 150);
    }

    void shortForm_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<bool>("exists");

        QTest::newRow("existing file") << "/MP3/a.mp3" << true;
        QTest::newRow("file name with a blank") << "/MP3/with blank.mp3" << true;
        QTest::newRow("non-ASCII file name") << "/MP3/按键音.mp3" << true;
        QTest::newRow("backslash separators") << "\\MP3\\a.mp3" << true;
        QTest::newRow("existing folder") << "/MP3" << true;
        QTest::newRow("folder with trailing backslash") << "\\MP3\\" << true;
        QTest::newRow("missing file") << "/MP3/missing.mp3" << false;
        QTest::newRow("missing folder") << "/nowhere/a.mp3" << false;
        QTest::newRow("file used as a folder") << "/MP3/a.mp3/x" << false;
    }

    void shortForm()
    {
        QFETCH(QString, relativePath);
        QFETCH(bool, exists);

        const QByteArray path = (root_.path() + relativePath).toUtf8();
        int returned = -1;
        const QByteArray shortForm = callAsTheWindowDoes(path, &returned);

        QCOMPARE(shortForm, exists ? path : QByteArray());
        QCOMPARE(returned, exists ? int(path.size()) : 0);
    }

    void emptyPathGivesNothing()
    {
        int returned = -1;
        QCOMPARE(callAsTheWindowDoes(QByteArray(), &returned), QByteArray());
        QCOMPARE(returned, 0);
    }

    void textAfterEmbeddedNulIsIgnored()
    {
        const QByteArray file = (root_.path() + QStringLiteral("/MP3/a.mp3")).toUtf8();
        QCOMPARE(callAsTheWindowDoes(file + QByteArray("\0/more", 6)), file);
    }

    void lengthLimit_data()
    {
        QTest::addColumn<int>("pathLength");
        QTest::addColumn<bool>("fits");

        QTest::newRow("252 bytes") << 252 << true;
        QTest::newRow("253 bytes: the longest that fits") << 253 << true;
        QTest::newRow("254 bytes: no room for the terminator") << 254 << false;
        QTest::newRow("255 bytes") << 255 << false;
        QTest::newRow("300 bytes") << 300 << false;
    }

    void lengthLimit()
    {
        QFETCH(int, pathLength);
        QFETCH(bool, fits);

        const QByteArray path = fileOfPathLength(root_.path(), pathLength).toUtf8();
        QCOMPARE(path.size(), pathLength);
        QVERIFY(QFile::exists(QString::fromUtf8(path)));

        int returned = -1;
        QCOMPARE(callAsTheWindowDoes(path, &returned), fits ? path : QByteArray());
        QCOMPARE(returned, fits ? pathLength : 0);
    }

    void failureWritesNothing_data()
    {
        QTest::addColumn<bool>("pathExists");
        QTest::newRow("missing path") << false;
        QTest::newRow("path too long") << true;
    }

    void failureWritesNothing()
    {
        QFETCH(bool, pathExists);
        const QByteArray path = pathExists ? fileOfPathLength(root_.path(), 260).toUtf8()
                                           : (root_.path() + QStringLiteral("/none")).toUtf8();
        QByteArray buffer(bufferSize, 'x');
        QCOMPARE(getShortPathName(path, buffer.data(), toldLength), 0);
        QCOMPARE(buffer, QByteArray(bufferSize, 'x'));
    }

    void multiByteCharactersCountAsBytes()
    {
        // 3 bytes per character in UTF-8: a path of 85 such characters does not fit in 254 bytes
        // although it has far fewer than 254 characters.
        const QString folder = root_.path() + QLatin1Char('/') + QString(80, QChar(0x97F3));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray path = folder.toUtf8();
        QVERIFY(path.size() > toldLength);
        QVERIFY(folder.size() < toldLength);
        QCOMPARE(callAsTheWindowDoes(path), QByteArray());
    }

private:
    void writeFile(const QString& relativePath)
    {
        QFile file(QDir(root_.path()).filePath(relativePath));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir root_;
};

QTEST_GUILESS_MAIN(ShortPathTest)
#include "tst_shortpath.moc"
