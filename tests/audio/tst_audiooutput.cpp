#include "audio/AudioOutput.h"
#include "audio/SdlMixerBackend.h"

#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

using keysound::audio::AudioOutput;
using keysound::audio::SdlMixerBackend;

namespace {
const QString tone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-1s.mp3");
}

// Opening the output under drivers that work and drivers that cannot: the program must always
// end up with an open output and playback calls that do no harm.
class AudioOutputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void cleanup() { AudioOutput::close(); }

    void open_data()
    {
        QTest::addColumn<QByteArray>("driver");
        QTest::addColumn<QString>("deviceFile");
        QTest::addColumn<QString>("expectedDriver");
        QTest::addColumn<bool>("silentFallback");

        QTest::newRow("working disk driver") << QByteArray("disk") << dir_.filePath("out.raw") << "disk" << false;
        QTest::newRow("dummy driver asked for") << QByteArray("dummy") << QString() << "dummy" << false;
        QTest::newRow("unknown driver") << QByteArray("no-such-driver") << QString() << "dummy" << true;
        QTest::newRow("device that cannot open")
            << QByteArray("disk") << dir_.filePath("missing-folder/out.raw") << "dummy" << true;
    }

    void open()
    {
        QFETCH(QByteArray, driver);
        QFETCH(QString, deviceFile);
        QFETCH(QString, expectedDriver);
        QFETCH(bool, silentFallback);

        qputenv("SDL_AUDIODRIVER", driver);
        qputenv("SDL_DISKAUDIOFILE", deviceFile.toUtf8());

        QVERIFY(SdlMixerBackend::open());
        QVERIFY(AudioOutput::isOpen());
        QCOMPARE(AudioOutput::driverName(), expectedDriver);
        QCOMPARE(AudioOutput::isSilentFallback(), silentFallback);
        QVERIFY(AudioOutput::frequency() > 0);
        QCOMPARE(AudioOutput::channels(), 2);

        SdlMixerBackend backend;
        backend.play(tone);
        QCOMPARE(backend.playingPath(), tone);  // the silent driver still runs the mixer
        backend.stop(tone);
        QVERIFY(backend.playingPath().isEmpty());
    }

    void secondOpenKeepsTheFirstOutput()
    {
        qputenv("SDL_AUDIODRIVER", "dummy");
        QVERIFY(AudioOutput::open());
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", dir_.filePath("second.raw").toUtf8());
        QVERIFY(AudioOutput::open());
        QCOMPARE(AudioOutput::driverName(), QStringLiteral("dummy"));
    }

    void fallbackDoesNotOutliveClose()
    {
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        QVERIFY(AudioOutput::open());
        QVERIFY(AudioOutput::isSilentFallback());
        AudioOutput::close();

        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", dir_.filePath("after-close.raw").toUtf8());
        QVERIFY(AudioOutput::open());
        QCOMPARE(AudioOutput::driverName(), QStringLiteral("disk"));
    }

    void playWithoutOutputDoesNothing()
    {
        QVERIFY(!AudioOutput::isOpen());
        SdlMixerBackend backend;
        backend.play(tone);
        QVERIFY(backend.playingPath().isEmpty());
        backend.stop(tone);
    }

    void observerSeesTheMixOnlyWhileSet()
    {
        qputenv("SDL_AUDIODRIVER", "dummy");
        QVERIFY(AudioOutput::open());
        std::atomic<int> buffers = 0;
        AudioOutput::setPostMixObserver([&](const int16_t*, int frames) {
            if (frames == AudioOutput::bufferFrames())
                ++buffers;
        });
        QTRY_VERIFY(buffers > 3);
        AudioOutput::setPostMixObserver({});
        const int seen = buffers;
        QTest::qWait(100);
        QCOMPARE(buffers.load(), seen);
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(AudioOutputTest)
#include "tst_audiooutput.moc"
