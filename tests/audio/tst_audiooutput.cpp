#include "audio/SdlMixerBackend.h"

#include <QtTest>
#include <atomic>

using namespace keysound::audio;

// Whatever driver is asked for, the program ends up with an open output that plays.
class AudioOutputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void cleanup() { AudioOutput::close(); }

    // In this order on purpose: the disk row also shows that neither a fallback nor a second open
    // outlives close().
    void open_data()
    {
        QTest::addColumn<QByteArray>("driver");
        QTest::addColumn<QString>("deviceFile");
        QTest::addColumn<QString>("expectedDriver");
        QTest::newRow("impossible driver") << QByteArray("no-such-driver") << QString() << "dummy";
        QTest::newRow("device that cannot open") << QByteArray("disk") << dir_.filePath("none/out.raw") << "dummy";
        QTest::newRow("working disk driver") << QByteArray("disk") << dir_.filePath("out.raw") << "disk";
    }
    void open()
    {
        QFETCH(QByteArray, driver);
        QFETCH(QString, deviceFile);
        QFETCH(QString, expectedDriver);
        qputenv("SDL_AUDIODRIVER", driver);
        qputenv("SDL_DISKAUDIOFILE", deviceFile.toUtf8());
        QVERIFY(SdlMixerBackend::open());
        QCOMPARE(AudioOutput::driverName(), expectedDriver);
        QCOMPARE(AudioOutput::isSilentFallback(), expectedDriver == "dummy");
        QCOMPARE(AudioOutput::channels(), 2);

        // The post-mix observer sees whole buffers of the tone, on the silent driver too.
        std::atomic<int> buffers = 0, peak = 0;
        AudioOutput::setPostMixObserver([&](const int16_t* samples, int frames) {
            if (frames != AudioOutput::bufferFrames())
                return;
            ++buffers;
            for (int i = 0; i < 2 * frames; ++i)
                peak = std::max(peak.load(), std::abs(int(samples[i])));
        });
        const QString tone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-1s.mp3");
        SdlMixerBackend backend;
        backend.play(tone);
        QCOMPARE(backend.playingPath(), tone);
        QTRY_VERIFY(peak > 4000);
        backend.stop(tone);
        QVERIFY(backend.playingPath().isEmpty());

        AudioOutput::setPostMixObserver({});  // and nothing more once it is unset
        const int seen = buffers;
        QTest::qWait(50);
        QCOMPARE(buffers.load(), seen);

        qputenv("SDL_AUDIODRIVER", "no-such-driver");  // a second open keeps the first output
        QVERIFY(AudioOutput::open());
        QVERIFY(AudioOutput::isOpen());
        QCOMPARE(AudioOutput::driverName(), expectedDriver);
        QCOMPARE(AudioOutput::isSilentFallback(), expectedDriver == "dummy");
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(AudioOutputTest)
#include "tst_audiooutput.moc"
