#include "audio/ShortPath.h"

#include <QtTest>

using keysound::audio::getShortPathName;

// The caller hands over a 255-byte buffer and tells the call it holds 254.
class ShortPathTest : public QObject {
    Q_OBJECT

private slots:
    void shortForm_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("expected");  // empty: returns 0 and writes nothing

        QVERIFY(root_.isValid());
        const QString root = root_.path();
        const QByteArray file = create(root + "/MP3/a.mp3"), nonAscii = create(root + "/MP3/按键音.mp3");
        const int pad = 253 - int(root.toUtf8().size()) - 7;  // '/' + pad + "/f.mp3": 253 bytes in all
        const QByteArray fits = create(root + '/' + QString(pad, 'd') + "/f.mp3");
        const QByteArray tooLong = create(root + '/' + QString(pad + 1, 'd') + "/f.mp3");
        const QByteArray wide = create(root + '/' + QString(80, QChar(0x97F3)) + "/f.mp3");
        QVERIFY(fits.size() == 253 && tooLong.size() == 254);
        QVERIFY(wide.size() > 254 && QString::fromUtf8(wide).size() < 254);

        QTest::newRow("existing file") << file << file;
        QTest::newRow("non-ASCII name, length in bytes") << nonAscii << nonAscii;
        QTest::newRow("backslashes looked up as separators, returned as given")
            << root.toUtf8() + "\\MP3\\a.mp3" << root.toUtf8() + "\\MP3\\a.mp3";
        QTest::newRow("text after a NUL is ignored") << file + QByteArray("\0/x", 3) << file;
        QTest::newRow("missing file") << root.toUtf8() + "/MP3/missing.mp3" << QByteArray();
        QTest::newRow("253 bytes: the longest that fits") << fits << fits;
        QTest::newRow("254 bytes: no room for the NUL") << tooLong << QByteArray();
        QTest::newRow("fewer characters than bytes: bytes count") << wide << QByteArray();
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

private:
    static QByteArray create(const QString& path)
    {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) ? path.toUtf8() : QByteArray();
    }

    QTemporaryDir root_;
};

QTEST_GUILESS_MAIN(ShortPathTest)
#include "tst_shortpath.moc"
