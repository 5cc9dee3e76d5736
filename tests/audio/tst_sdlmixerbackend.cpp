#include "audio/SdlMixerBackend.h"

#include <QtTest>
#include <SDL.h>

using namespace keysound::audio;

namespace {
constexpr int loud = 4000;  // the fixtures are half-scale tones: this loud is the tone, not noise
const QString longTone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-60s.mp3");
const QString shortTone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-1s.mp3");
constexpr KeeperTiming quickTiming{300, 200, 100};

void useDriver(const QByteArray& driver, const QString& deviceFile = {})
{
    qputenv("SDL_AUDIODRIVER", driver);
    qputenv("SDL_DISKAUDIOFILE", deviceFile.toUtf8());
}
}  // namespace

// Each test starts on a freshly opened disk driver whose mixed buffers are kept as peaks, so the
// tests judge real output.
class SdlMixerBackendTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QFile tone(shortTone);
        QVERIFY(dir_.isValid() && tone.open(QIODevice::ReadOnly));
        tone_ = tone.readAll();
        AudioOutput::setPostMixObserver([this](const int16_t* samples, int frames) {
            int peak = 0;
            for (int i = 0; i < frames * AudioOutput::channels(); ++i)
                peak = std::max(peak, std::abs(int(samples[i])));
            QMutexLocker lock(&mutex_);
            peaks_.append(peak);
        });
    }
    void init()
    {
        useDriver("disk", dir_.filePath("device.raw"));
        QVERIFY(AudioOutput::open());
        backend_.reset(new SdlMixerBackend);
    }
    void cleanup()
    {
        backend_.reset();
        AudioOutput::close();
    }

    // Each attempt is "driver|device file"; the output keeps the driver of the first that opens.
    void open_data()
    {
        QTest::addColumn<QStringList>("attempts");
        QTest::addColumn<QString>("driver");
        QTest::newRow("impossible driver") << QStringList{"no-such-driver|"} << "";
        QTest::newRow("device that cannot open") << QStringList{"disk|none/out.raw"} << "";
        QTest::newRow("first of a list that works") << QStringList{"no-such-driver,disk|out.raw"} << "disk";
        QTest::newRow("a failed device unloads its driver") << QStringList{"disk|none/out.raw", "dummy|"} << "dummy";
    }
    void open()
    {
        QFETCH(QStringList, attempts);
        QFETCH(QString, driver);
        AudioOutput::close();
        for (const QString& attempt : attempts) {
            const QStringList parts = attempt.split('|');
            useDriver(parts[0].toUtf8(), parts[1].isEmpty() ? QString() : dir_.filePath(parts[1]));
            AudioOutput::open();
        }
        QCOMPARE(AudioOutput::driverName(), driver);
        QCOMPARE(AudioOutput::channels(), driver.isEmpty() ? 0 : 2);
    }

    void play_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("sounds");
        QTest::newRow("MP3") << shortTone << true;
        QTest::newRow("path text with backslashes") << writeFile("MP3/key.mp3", tone_).replace('/', '\\') << true;
        QTest::newRow("blanks and non-ASCII in the path") << writeFile("我的 音效/按 键.mp3", tone_) << true;
        QTest::newRow("missing file") << dir_.filePath("missing.mp3") << false;
        QTest::newRow("truncated MP3") << writeFile("truncated.mp3", tone_.left(200)) << false;
        QTest::newRow("text file named .mp3") << writeFile("text.mp3", "This is text, not a sound.\n") << false;
        QTest::newRow("folder") << dir_.path() << false;
    }
    void play()
    {
        QFETCH(QString, path);
        QFETCH(bool, sounds);
        backend_->play(path);
        const int level = loudness(0.1);
        QVERIFY2(sounds ? level > loud : level == 0, qPrintable(QString::number(level)));
        QCOMPARE(backend_->playingPath(), sounds ? path : QString());

        QVERIFY(startLongTone());
        backend_->play(path);  // a sound replaces the long tone, a bad file leaves it alone
        QVERIFY(loudness(0.05) > loud);
        QCOMPARE(backend_->playingPath(), sounds ? path : longTone);
    }

    void stop_data()
    {
        QTest::addColumn<QString>("replacement");  // played after the long tone when not empty
        QTest::addColumn<QString>("stopPath");
        QTest::addColumn<QString>("playing");  // what plays on afterwards; empty: silence
        QTest::newRow("the playing path") << QString() << longTone << QString();
        QTest::newRow("another sound file") << QString() << shortTone << longTone;
        QTest::newRow("empty path") << QString() << QString() << longTone;
        QTest::newRow("the path of a replaced sound") << shortTone << longTone << shortTone;
        QTest::newRow("the path of the replacing sound") << shortTone << shortTone << QString();
    }
    void stop()
    {
        QFETCH(QString, replacement);
        QFETCH(QString, stopPath);
        QFETCH(QString, playing);
        QVERIFY(startLongTone());
        if (!replacement.isEmpty())
            backend_->play(replacement);
        backend_->stop(stopPath);
        const int level = loudness(0.1);
        QVERIFY2(playing.isEmpty() ? level == 0 : level > loud, qPrintable(QString::number(level)));
        QCOMPARE(backend_->playingPath(), playing);
    }

    void playingAgainRestarts()
    {
        backend_->play(shortTone);
        QVERIFY(loudness(0.8) > loud);
        backend_->play(shortTone);
        QVERIFY(loudness(0.7) > loud && loudness(0.05) > loud);  // 1.5 s on: only a restarted tone sounds
    }

    void closesWhenIdleAndSoundsAtTheNextKey()
    {
        backend_.reset(new SdlMixerBackend({}, quickTiming));
        QVERIFY(startLongTone());
        backend_->stop(longTone);
        QTRY_VERIFY_WITH_TIMEOUT(!AudioOutput::isOpen(), 2000);
        QVERIFY(startLongTone());
    }

    // A removed or stalled device is given up at the next key, which opens the output afresh.
    void lostOutputIsReopenedAtTheNextKey_data()
    {
        QTest::addColumn<bool>("stall");
        QTest::newRow("device removed") << false;
        QTest::newRow("mixing stalled") << true;
    }
    void lostOutputIsReopenedAtTheNextKey()
    {
        QFETCH(bool, stall);
        QVERIFY(startLongTone());
        SDL_Event removed;
        SDL_zero(removed);
        removed.type = SDL_AUDIODEVICEREMOVED;
        if (stall)
            SDL_PauseAudioDevice(2, 1), QTest::qWait(1200);  // the mixer's device: the first after the legacy one
        else
            QCOMPARE(SDL_PushEvent(&removed), 1);
        useDriver("dummy");
        backend_->play(shortTone);
        QCOMPARE(AudioOutput::driverName(), QStringLiteral("dummy"));
    }

    // The device's folder appears only after the first key: a later key opens it and plays.
    void missingDeviceIsRetriedAtALaterKey()
    {
        AudioOutput::close();
        const QString deviceFile = dir_.filePath("later/out.raw");
        useDriver("disk", deviceFile);
        backend_.reset(new SdlMixerBackend({}, quickTiming));
        backend_->play(shortTone);
        QVERIFY(!AudioOutput::isOpen());
        QVERIFY(QDir().mkpath(QFileInfo(deviceFile).path()));
        QTest::qWait(quickTiming.retryAfterFailureMs);
        backend_->play(shortTone);  // starts the retry on a worker thread; this key stays silent
        QTRY_VERIFY(AudioOutput::isOpen());
        QVERIFY(startLongTone());
    }

private:
    QString writeFile(const QString& name, const QByteArray& content)
    {
        QFile file(dir_.filePath(name));
        QDir().mkpath(QFileInfo(file).path());
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() ? file.fileName() : QString();
    }

    // Peak of the next `seconds` of mixed audio (audio time: a busy machine cannot stretch a
    // sound); -1 when the mixer stalls.
    int loudness(double seconds)
    {
        const int from = mixed();
        const int to = from + 1 + int(seconds * AudioOutput::frequency() / AudioOutput::bufferFrames());
        if (!QTest::qWaitFor([&] { return mixed() >= to; }, 5000))
            return -1;
        QMutexLocker lock(&mutex_);
        return *std::max_element(peaks_.begin() + from, peaks_.end());
    }
    int mixed() { QMutexLocker lock(&mutex_); return int(peaks_.size()); }

    bool startLongTone()
    {
        backend_->play(longTone);
        return loudness(0.1) > loud;
    }

    QTemporaryDir dir_;
    QByteArray tone_;
    QMutex mutex_;
    QList<int> peaks_;
    QScopedPointer<SdlMixerBackend> backend_;
};

QTEST_GUILESS_MAIN(SdlMixerBackendTest)
#include "tst_sdlmixerbackend.moc"
