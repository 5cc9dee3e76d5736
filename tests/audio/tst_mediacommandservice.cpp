#include "audio/MediaCommandService.h"

#include <QtTest>

using namespace keysound::audio;

namespace {
struct RecordingBackend : PlaybackBackend {
    void play(const QString& path) override { calls << QStringLiteral("play|") + path; }
    void stop(const QString& path) override { calls << QStringLiteral("stop|") + path; }
    QStringList calls;
};
}  // namespace

class MediaCommandServiceTest : public QObject {
    Q_OBJECT

private slots:
    void command_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("expected");  // "verb|path" reaching the backend; empty: nothing

        QTest::newRow("play") << QByteArray("play /a/x.mp3") << "play|/a/x.mp3";
        QTest::newRow("stop") << QByteArray("stop /a/x.mp3") << "stop|/a/x.mp3";
        QTest::newRow("path with blanks and backslashes")
            << QByteArray("play C:\\my sounds\\x y.mp3") << "play|C:\\my sounds\\x y.mp3";
        QTest::newRow("extra blanks belong to the path") << QByteArray("stop  /a/x.mp3 ") << "stop| /a/x.mp3 ";
        QTest::newRow("non-ASCII path") << QString("play /a/按键音.mp3").toUtf8() << "play|/a/按键音.mp3";
        QTest::newRow("a NUL ends the command") << QByteArray("play /a/x.mp3\0/b", 16) << "play|/a/x.mp3";
        QTest::newRow("play with empty path") << QByteArray("play ") << "";
        QTest::newRow("verb glued to the path") << QByteArray("play/a/x.mp3") << "";
        QTest::newRow("upper-case verb") << QByteArray("PLAY /a/x.mp3") << "";
        QTest::newRow("leading blank") << QByteArray(" play /a/x.mp3") << "";
        QTest::newRow("unknown verb") << QByteArray("open /a/x.mp3") << "";
    }

    void command()
    {
        QFETCH(QByteArray, command);
        QFETCH(QString, expected);
        RecordingBackend backend;
        MediaCommandService(backend).sendString(command);
        QCOMPARE(backend.calls, expected.isEmpty() ? QStringList() : QStringList{expected});
    }
};

QTEST_GUILESS_MAIN(MediaCommandServiceTest)
#include "tst_mediacommandservice.moc"
