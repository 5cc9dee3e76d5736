#include "audio/SdlMixerBackend.h"

#include <QtTest>
#include <atomic>

using namespace keysound::audio;

namespace {
const QString tone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-1s.mp3");
constexpr KeeperTiming quickTiming{300, 200, 100};
}  // namespace

// The real output on SDL's disk driver: opening, closing when idle, coming back at a key.
class AudioOutputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        AudioOutput::setPostMixObserver([this](const int16_t* samples, int frames) {
            for (int i = 0; i < frames * AudioOutput::channels(); ++i)
                peak_ = std::max(peak_.load(), std::abs(int(samples[i])));
        });
    }
    void init() { peak_ = 0; }
    void cleanup() { AudioOutput::close(); }

    void open_data()
    {
        QTest::addColumn<QByteArray>("driver");
        QTest::addColumn<QString>("deviceFile");
        QTest::addColumn<bool>("opens");
        QTest::newRow("impossible driver") << QByteArray("no-such-driver") << QString() << false;
        QTest::newRow("device that cannot open") << QByteArray("disk") << dir_.filePath("none/out.raw") << false;
        QTest::newRow("working disk driver") << QByteArray("disk") << dir_.filePath("out.raw") << true;
        QTest::newRow("first of a list that works") << QByteArray("no-such-driver,disk") << dir_.filePath("out.raw") << true;
    }
    void open()
    {
        QFETCH(QByteArray, driver);
        QFETCH(QString, deviceFile);
        QFETCH(bool, opens);
        useDiskDriver(driver, deviceFile);
        QCOMPARE(AudioOutput::open(), opens);
        QCOMPARE(AudioOutput::driverName(), opens ? QStringLiteral("disk") : QString());
        QCOMPARE(AudioOutput::channels(), opens ? 2 : 0);
        QVERIFY(!AudioOutput::isLost());
    }

    // The observer outlives a close, and a second open keeps the first output.
    void reopenKeepsTheObserver()
    {
        useDiskDriver("disk", dir_.filePath("out.raw"));
        QVERIFY(AudioOutput::open());
        AudioOutput::close();
        QVERIFY(AudioOutput::open());
        useDiskDriver("no-such-driver", {});
        QVERIFY(AudioOutput::open());
        SdlMixerBackend backend;
        backend.play(tone);
        QTRY_VERIFY(peak_ > 4000);
    }

    void closesWhenIdleAndReopensAtTheNextKey()
    {
        useDiskDriver("disk", dir_.filePath("out.raw"));
        SdlMixerBackend backend({}, quickTiming);
        backend.play(tone);
        QVERIFY(AudioOutput::isOpen());
        QTRY_VERIFY(peak_ > 4000);
        backend.stop(tone);
        QTRY_VERIFY_WITH_TIMEOUT(!AudioOutput::isOpen(), 2000);
        peak_ = 0;
        backend.play(tone);
        QVERIFY(AudioOutput::isOpen());
        QCOMPARE(backend.playingPath(), tone);
        QTRY_VERIFY(peak_ > 4000);
    }

    // The device's folder appears only after the first key: a later key opens it and plays.
    void missingDeviceIsRetriedAtALaterKey()
    {
        const QString deviceFile = dir_.filePath("later/out.raw");
        useDiskDriver("disk", deviceFile);
        SdlMixerBackend backend({}, quickTiming);
        backend.play(tone);
        QVERIFY(!AudioOutput::isOpen());
        QVERIFY(QDir().mkpath(QFileInfo(deviceFile).path()));
        backend.play(tone);
        QVERIFY2(!AudioOutput::isOpen(), "retried before its time");
        QTest::qWait(quickTiming.retryAfterFailureMs);
        backend.play(tone);  // starts the retry on a worker thread; this key stays silent
        QTRY_VERIFY(AudioOutput::isOpen());
        backend.play(tone);
        QTRY_VERIFY(peak_ > 4000);
    }

private:
    static void useDiskDriver(const QByteArray& driver, const QString& deviceFile)
    {
        qputenv("SDL_AUDIODRIVER", driver);
        qputenv("SDL_DISKAUDIOFILE", deviceFile.toUtf8());
    }

    QTemporaryDir dir_;
    std::atomic<int> peak_ = 0;
};

QTEST_GUILESS_MAIN(AudioOutputTest)
#include "tst_audiooutput.moc"
