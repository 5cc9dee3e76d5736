#include "audio/ShortPath.h"

#include "TestFiles.h"

#include <QtTest>

using keysound::audio::getShortPathName;
using keysound::test::fileBytes;
using keysound::test::writeFile;

// The caller hands over a 255-byte buffer and tells the call it holds 254.
class ShortPathTest : public QObject {
    Q_OBJECT

private slots:
    void shortForm_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("expected");  // empty: returns 0 and writes nothing

        QVERIFY(root_.isValid());
        const QString root = root_.path();
        const QByteArray file = writeFile(root + "/MP3/a.mp3", {}).toUtf8();
        const int pad = 253 - int(root.toUtf8().size()) - 7;  // '/' + pad + "/f.mp3": 253 bytes in all
        const QByteArray fits = writeFile(root + '/' + QString(pad, 'd') + "/f.mp3", {}).toUtf8();
        QCOMPARE(fits.size(), 253);
        const QByteArray tooLong = writeFile(root + '/' + QString(60, u'音') + '/' + QString(240, 'n'), {}).toUtf8();
        const QByteArray backslashed = root.toUtf8() + "\\MP3\\a.mp3";
        QTest::newRow("backslashes looked up as separators, returned as given") << backslashed << backslashed;
        QTest::newRow("text after a NUL is ignored") << file + QByteArray("\0/x", 3) << file;
        QTest::newRow("missing file") << root.toUtf8() + "/MP3/missing.mp3" << QByteArray();
        QTest::newRow("253 bytes: the longest returned as itself") << fits << fits;
        QTest::newRow("an alias that does not fit gives nothing") << tooLong << QByteArray();
        // clang-format on
    }

    void shortForm()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, expected);
        QByteArray buffer(255, 'x');
        QCOMPARE(getShortPathName(path, buffer.data(), 254), int(expected.size()));
        if (expected.isEmpty())
            QCOMPARE(buffer, QByteArray(255, 'x'));
        else
            QCOMPARE(buffer, expected + '\0' + QByteArray(254 - expected.size(), 'x'));
    }

    // One byte too long to be returned as itself: an alias that fits and opens the same file, the
    // same alias each time, and the new file once another folder of that name has taken the place of
    // the first.
    void longPathGetsAnAliasOfTheSameFile()
    {
        const QString dir = root_.path() + "/long/";
        const QString path = dir + QString(254 - int(dir.toUtf8().size()) - 4, 'f') + ".mp3";
        QCOMPARE(writeFile(path, "the sound").toUtf8().size(), 254);

        const QString alias = aliasOf(path);
        QCOMPARE_GT(alias.toUtf8().size(), 0);
        QCOMPARE_LE(alias.toUtf8().size(), 253);
        QCOMPARE(fileBytes(alias), QByteArray("the sound"));
        QCOMPARE(aliasOf(path), alias);

        QVERIFY(QDir().rename(dir, root_.path() + "/long.old"));
        writeFile(path, "the new sound");
        QCOMPARE(fileBytes(aliasOf(path)), QByteArray("the new sound"));
    }

private:
    static QString aliasOf(const QString& path)
    {
        QByteArray alias(255, '\0');
        return QString::fromUtf8(alias.left(getShortPathName(path.toUtf8(), alias.data(), 254)));
    }

    QTemporaryDir root_;
};

QTEST_GUILESS_MAIN(ShortPathTest)
#include "tst_shortpath.moc"
