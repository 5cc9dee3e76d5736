#include "RecordingBackend.h"
#include "audio/MediaCommandService.h"

#include <QtTest>

using keysound::audio::MediaCommandService;

class MediaCommandServiceTest : public QObject {
    Q_OBJECT

private slots:
    void command_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QStringList>("expectedCalls");  // "verb|path", empty: nothing reaches the backend

        const QStringList none;
        QTest::newRow("play") << QByteArray("play /a/MP3/x.mp3") << QStringList{"play|/a/MP3/x.mp3"};
        QTest::newRow("stop") << QByteArray("stop /a/MP3/x.mp3") << QStringList{"stop|/a/MP3/x.mp3"};
        QTest::newRow("backslash path text kept as is")
            << QByteArray("play C:\\app\\MP3\\x.mp3") << QStringList{"play|C:\\app\\MP3\\x.mp3"};
        QTest::newRow("path with blanks") << QByteArray("play /a/my sounds/x y.mp3")
                                          << QStringList{"play|/a/my sounds/x y.mp3"};
        QTest::newRow("extra blanks belong to the path") << QByteArray("stop  /a/x.mp3 ")
                                                         << QStringList{"stop| /a/x.mp3 "};
        QTest::newRow("path of one blank") << QByteArray("play  ") << QStringList{"play| "};
        QTest::newRow("quotes are part of the path") << QByteArray("play \"/a/x.mp3\"")
                                                     << QStringList{"play|\"/a/x.mp3\""};
        QTest::newRow("non-ASCII path") << QString("play /a/MP3/按键音.mp3").toUtf8()
                                        << QStringList{"play|/a/MP3/按键音.mp3"};
        QTest::newRow("text after a NUL never arrives") << QByteArray("play /a/x.mp3\0/b", 16)
                                                        << QStringList{"play|/a/x.mp3"};
        QTest::newRow("play with empty path") << QByteArray("play ") << none;
        QTest::newRow("stop with empty path") << QByteArray("stop ") << none;
        QTest::newRow("verb without blank") << QByteArray("play") << none;
        QTest::newRow("verb glued to path") << QByteArray("play/a/x.mp3") << none;
        QTest::newRow("tab instead of blank") << QByteArray("play\t/a/x.mp3") << none;
        QTest::newRow("upper-case verb") << QByteArray("PLAY /a/x.mp3") << none;
        QTest::newRow("mixed-case verb") << QByteArray("Stop /a/x.mp3") << none;
        QTest::newRow("leading blank") << QByteArray(" play /a/x.mp3") << none;
        QTest::newRow("unknown verb") << QByteArray("open /a/x.mp3") << none;
        QTest::newRow("longer verb") << QByteArray("plays /a/x.mp3") << none;
        QTest::newRow("empty command") << QByteArray() << none;
    }

    void command()
    {
        QFETCH(QByteArray, command);
        QFETCH(QStringList, expectedCalls);

        RecordingBackend backend;
        MediaCommandService service(backend);
        service.sendString(command);

        QCOMPARE(backend.calls, expectedCalls);
    }

    void keyPressSequenceKeepsOrder()
    {
        RecordingBackend backend;
        MediaCommandService service(backend);
        service.sendString("stop ");
        service.sendString("play /a/1.mp3");
        service.sendString("stop /a/1.mp3");
        service.sendString("play /a/2.mp3");

        QCOMPARE(backend.calls, (QStringList{"play|/a/1.mp3", "stop|/a/1.mp3", "play|/a/2.mp3"}));
    }
};

QTEST_GUILESS_MAIN(MediaCommandServiceTest)
#include "tst_mediacommandservice.moc"
