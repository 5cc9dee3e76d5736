#include "audio/ShortPath.h"

#include <QtTest>

using keysound::audio::getShortPathName;

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
        const QByteArray file = create(root + "/MP3/a.mp3");
        const int pad = 253 - int(root.toUtf8().size()) - 7;  // '/' + pad + "/f.mp3": 253 bytes in all
        const QByteArray fits = create(root + '/' + QString(pad, 'd') + "/f.mp3");
        QVERIFY(fits.size() == 253);
        const QByteArray tooLong = create(root + '/' + QString(60, QChar(0x97F3)) + '/' + QString(240, 'n'));
        QTest::newRow("existing file") << file << file;
        QTest::newRow("backslashes looked up as separators, returned as given")
            << root.toUtf8() + "\\MP3\\a.mp3" << root.toUtf8() + "\\MP3\\a.mp3";
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
        const QByteArray written = expected.isEmpty() ? QByteArray() : expected + '\0';
        QCOMPARE(buffer, written + QByteArray(255 - written.size(), 'x'));
    }

    // One byte too long to be returned as itself: an alias that fits and opens the same file, the
    // same alias each time, and the new file once another folder of that name has taken the place of
    // the first.
    void longPathGetsAnAliasOfTheSameFile()
    {
        const QString dir = root_.path() + "/long/";
        const QString path = dir + QString(254 - int(dir.toUtf8().size()) - 4, 'f') + ".mp3";
        QCOMPARE(create(path, "the sound").size(), 254);

        QByteArray alias(255, '\0');
        const int length = getShortPathName(path.toUtf8(), alias.data(), 254);
        QVERIFY2(length > 0 && length <= 253, qPrintable(QString::number(length)));
        QFile aliased(QString::fromUtf8(alias.left(length)));
        QVERIFY(aliased.open(QIODevice::ReadOnly));
        QCOMPARE(aliased.readAll(), QByteArray("the sound"));
        QByteArray again(255, '\0');
        getShortPathName(path.toUtf8(), again.data(), 254);
        QCOMPARE(again, alias);

        QVERIFY(QDir().rename(dir, root_.path() + "/long.old"));
        create(path, "the new sound");
        QByteArray replaced(255, '\0');
        QFile aliasedAgain(QString::fromUtf8(replaced.left(getShortPathName(path.toUtf8(), replaced.data(), 254))));
        QVERIFY(aliasedAgain.open(QIODevice::ReadOnly));
        QCOMPARE(aliasedAgain.readAll(), QByteArray("the new sound"));
    }

private:
    static QByteArray create(const QString& path, const QByteArray& content = {})
    {
        QFile file(path);
        QDir().mkpath(QFileInfo(path).path());
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path.toUtf8();
    }

    QTemporaryDir root_;
};

QTEST_GUILESS_MAIN(ShortPathTest)
#include "tst_shortpath.moc"
