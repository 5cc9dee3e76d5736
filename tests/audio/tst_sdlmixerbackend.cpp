#include "audio/SdlMixerBackend.h"

#include <QtTest>

using namespace keysound::audio;

namespace {
constexpr int loud = 4000;  // the fixtures are half-scale tones: this loud is the tone, not noise
const QString longTone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-60s.mp3");
const QString shortTone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-1s.mp3");
}  // namespace

// Runs on SDL's disk driver and keeps the peak of every mixed buffer, so the tests judge real output.
class SdlMixerBackendTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QFile tone(shortTone);
        QVERIFY(dir_.isValid() && tone.open(QIODevice::ReadOnly));
        tone_ = tone.readAll();
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", dir_.filePath("device.raw").toUtf8());
        QVERIFY(SdlMixerBackend::open());
        QCOMPARE(AudioOutput::driverName(), QStringLiteral("disk"));
        AudioOutput::setPostMixObserver([this](const int16_t* samples, int frames) {
            int peak = 0;
            for (int i = 0; i < frames * AudioOutput::channels(); ++i)
                peak = std::max(peak, std::abs(int(samples[i])));
            QMutexLocker lock(&mutex_);
            peaks_.append(peak);
        });
    }
    void cleanupTestCase() { AudioOutput::close(); }
    // Each test starts from silence, which also shows that destroying a backend halts its sound.
    void init() { QCOMPARE(loudness(0.05), 0); backend_.reset(new SdlMixerBackend); }
    void cleanup() { backend_.reset(); }

    void play_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("sounds");
        QTest::newRow("MP3") << shortTone << true;
        QTest::newRow("path text with backslashes") << writeFile("MP3/key.mp3", tone_).replace('/', '\\') << true;
        QTest::newRow("blanks and non-ASCII in the path") << writeFile("我的 音效/按 键.mp3", tone_) << true;
        QTest::newRow("missing file") << dir_.filePath("missing.mp3") << false;
        QTest::newRow("empty file") << writeFile("empty.mp3", {}) << false;
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
        QVERIFY(loudness(0.7) > loud);
        QVERIFY(loudness(0.05) > loud);  // 1.5 s after the first start: only a restarted tone is heard
        QCOMPARE(backend_->playingPath(), shortTone);
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
        if (!QTest::qWaitFor([&] { return mixed() >= to; }, 20000))
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
