#include "MixRecorder.h"
#include "audio/AudioOutput.h"
#include "audio/SdlMixerBackend.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

using keysound::audio::AudioOutput;
using keysound::audio::SdlMixerBackend;

namespace {
// The fixtures are tones at half scale; anything this loud is the tone, not noise.
constexpr int loud = 4000;

QString fixture(const QString& name)
{
    return QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/") + name;
}

QByteArray fixtureBytes(const QString& name)
{
    QFile file(fixture(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

// Runs on SDL's disk driver, so every mixed sample is real output that the test can inspect.
class SdlMixerBackendTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", deviceFile().toUtf8());
        QVERIFY(SdlMixerBackend::open());
        QCOMPARE(AudioOutput::driverName(), QStringLiteral("disk"));
        QVERIFY(!AudioOutput::isSilentFallback());
        QCOMPARE(AudioOutput::channels(), 2);
        recorder_ = std::make_unique<MixRecorder>();
        makeBadFiles();
    }

    void cleanupTestCase()
    {
        backend_.reset();
        recorder_.reset();
        AudioOutput::close();
    }

    void init() { backend_ = std::make_unique<SdlMixerBackend>(); }
    void cleanup() { backend_.reset(); }

    void playProducesSound_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("1 s MP3") << fixture("tone-1s.mp3");
        QTest::newRow("60 s MP3") << fixture("tone-60s.mp3");
        QTest::newRow("WAV") << fixture("tone-half-s.wav");
        QTest::newRow("path text with backslashes") << copyFixture("tone-1s.mp3", "MP3/key.mp3").replace('/', '\\');
        QTest::newRow("blanks and non-ASCII in the path") << copyFixture("tone-1s.mp3", "我的 音效/按 键.mp3");
    }

    void playProducesSound()
    {
        QFETCH(QString, path);
        const int from = recorder_->bufferCount();
        backend_->play(path);
        QVERIFY(waitForLoudSince(from));
        QCOMPARE(backend_->playingPath(), path);
    }

    void stopBringsSilence()
    {
        const QString path = fixture("tone-60s.mp3");
        const int from = recorder_->bufferCount();
        backend_->play(path);
        QVERIFY(waitForLoudSince(from));

        backend_->stop(path);
        const int afterStop = recorder_->bufferCount();
        QVERIFY(waitForAudio(0.1));
        QCOMPARE(recorder_->peakSince(afterStop), 0);
        QVERIFY(backend_->playingPath().isEmpty());
    }

    void stopOfAnotherPathKeepsPlaying_data()
    {
        QTest::addColumn<QString>("otherPath");
        QTest::newRow("another sound file") << fixture("tone-1s.mp3");
        QTest::newRow("a missing file") << dir_.filePath("missing.mp3");
        QTest::newRow("empty path") << QString();
        QTest::newRow("the folder of the sound") << QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR);
    }

    void stopOfAnotherPathKeepsPlaying()
    {
        QFETCH(QString, otherPath);
        QVERIFY(startLongTone());
        backend_->stop(otherPath);
        QVERIFY(stillLoud());
        QCOMPARE(backend_->playingPath(), fixture("tone-60s.mp3"));
    }

    void badFilePlaysNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << dir_.filePath("missing.mp3");
        QTest::newRow("missing folder") << dir_.filePath("nowhere/x.mp3");
        QTest::newRow("empty file") << dir_.filePath("bad/empty.mp3");
        QTest::newRow("truncated MP3") << dir_.filePath("bad/truncated.mp3");
        QTest::newRow("text file named .mp3") << dir_.filePath("bad/text.mp3");
        QTest::newRow("random bytes named .mp3") << dir_.filePath("bad/noise.mp3");
        QTest::newRow("folder") << dir_.filePath("bad");
        QTest::newRow("folder named .mp3") << dir_.filePath("bad/folder.mp3");
        QTest::newRow("path ending in a separator") << dir_.filePath("bad") + QLatin1Char('\\');
        QTest::newRow("empty path") << QString();
    }

    void badFilePlaysNothing()
    {
        QFETCH(QString, path);
        const int from = recorder_->bufferCount();
        backend_->play(path);
        QVERIFY(waitForAudio(0.1));
        QCOMPARE(recorder_->peakSince(from), 0);
        QVERIFY(backend_->playingPath().isEmpty());
        backend_->stop(path);
    }

    void badFileLeavesThePlayingSoundAlone_data() { badFilePlaysNothing_data(); }

    void badFileLeavesThePlayingSoundAlone()
    {
        QFETCH(QString, path);
        QVERIFY(startLongTone());
        backend_->play(path);
        QVERIFY(stillLoud());
        QCOMPARE(backend_->playingPath(), fixture("tone-60s.mp3"));
    }

    void cutMp3PlaysWhatItHasThenEnds()
    {
        const QString path = dir_.filePath("bad/half.mp3");
        const int from = recorder_->bufferCount();
        backend_->play(path);
        QVERIFY(waitForLoudSince(from));
        QVERIFY(waitForAudio(1.0));  // the whole tone lasts 1 s; this half ends well before
        QVERIFY(backend_->playingPath().isEmpty());
        QCOMPARE(recorder_->peakSince(recorder_->bufferCount() - 5), 0);
    }

    void playingAgainRestarts()
    {
        const QString path = fixture("tone-1s.mp3");
        const int from = recorder_->bufferCount();
        backend_->play(path);
        QVERIFY(waitForLoudSince(from));
        QVERIFY(waitForAudio(0.7));

        backend_->play(path);
        QVERIFY(waitForAudio(0.7));  // 1.4 s after the first start: only a restarted tone is heard
        QVERIFY(stillLoud());
        QCOMPARE(backend_->playingPath(), path);
    }

    void soundEndsOnItsOwn()
    {
        const QString path = fixture("tone-half-s.wav");
        const int from = recorder_->bufferCount();
        backend_->play(path);
        QVERIFY(waitForLoudSince(from));
        QVERIFY(waitForAudio(0.8));

        QVERIFY(backend_->playingPath().isEmpty());
        const int afterEnd = recorder_->bufferCount();
        backend_->stop(path);
        QVERIFY(waitForAudio(0.05));
        QCOMPARE(recorder_->peakSince(afterEnd), 0);
    }

    void newSoundReplacesThePlayingOne()
    {
        const QString first = fixture("tone-60s.mp3");
        const QString second = fixture("tone-1s.mp3");
        QVERIFY(startLongTone());
        backend_->play(second);
        QCOMPARE(backend_->playingPath(), second);

        backend_->stop(first);
        QVERIFY(stillLoud());
        backend_->stop(second);
        const int afterStop = recorder_->bufferCount();
        QVERIFY(waitForAudio(0.05));
        QCOMPARE(recorder_->peakSince(afterStop), 0);
    }

    void destroyingTheBackendSilencesIt()
    {
        QVERIFY(startLongTone());
        backend_.reset();
        const int afterReset = recorder_->bufferCount();
        QVERIFY(waitForAudio(0.05));
        QCOMPARE(recorder_->peakSince(afterReset), 0);
    }

    // Last: closes the output to flush the device file, then reads what really went out.
    void outputReachesTheDeviceFile()
    {
        const int from = recorder_->bufferCount();
        backend_->play(fixture("tone-1s.mp3"));
        QVERIFY(waitForLoudSince(from));
        QVERIFY(waitForAudio(0.2));
        backend_.reset();
        recorder_.reset();
        AudioOutput::close();

        QFile device(deviceFile());
        QVERIFY(device.open(QIODevice::ReadOnly));
        const QByteArray bytes = device.readAll();
        QVERIFY(bytes.size() > 44100 * 4);  // the tests above ran for seconds of audio
        const auto* samples = reinterpret_cast<const int16_t*>(bytes.constData());
        const qsizetype count = bytes.size() / qsizetype(sizeof(int16_t));
        QVERIFY(std::any_of(samples, samples + count, [](int16_t s) { return std::abs(int(s)) > loud; }));
        QVERIFY(std::count(samples, samples + count, int16_t(0)) > 44100);  // and the silences too
    }

private:
    QString deviceFile() const { return dir_.filePath("device.raw"); }

    QString copyFixture(const QString& name, const QString& relativeTarget)
    {
        const QString target = dir_.filePath(relativeTarget);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        QFile::copy(fixture(name), target);
        return target;
    }

    void writeBadFile(const QString& name, const QByteArray& content)
    {
        QFile file(dir_.filePath("bad/" + name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void makeBadFiles()
    {
        QVERIFY(QDir(dir_.path()).mkpath("bad/folder.mp3"));
        const QByteArray tone = fixtureBytes("tone-1s.mp3");
        QVERIFY(tone.size() > 1000);
        writeBadFile("empty.mp3", {});
        writeBadFile("truncated.mp3", tone.left(200));
        writeBadFile("half.mp3", tone.left(tone.size() / 2));
        writeBadFile("text.mp3", "This is a text file, not a sound.\nplay stop\n");
        QByteArray noise(8000, '\0');
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        writeBadFile("noise.mp3", noise);
    }

    int buffersFor(double seconds) const
    {
        return int(std::ceil(seconds * AudioOutput::frequency() / AudioOutput::bufferFrames()));
    }

    // Waits until that much more audio has been mixed: audio time, not wall time, so a busy
    // machine cannot make a sound look shorter or longer than it is.
    bool waitForAudio(double seconds) const
    {
        const int target = recorder_->bufferCount() + buffersFor(seconds);
        return QTest::qWaitFor([&] { return recorder_->bufferCount() >= target; }, 20000);
    }

    bool waitForLoudSince(int from) const
    {
        return QTest::qWaitFor([&] { return recorder_->peakSince(from) > loud; }, 5000);
    }

    bool stillLoud() const
    {
        const int from = recorder_->bufferCount();
        return waitForAudio(0.05) && recorder_->peakSince(from) > loud;
    }

    bool startLongTone()
    {
        const int from = recorder_->bufferCount();
        backend_->play(fixture("tone-60s.mp3"));
        return waitForLoudSince(from);
    }

    QTemporaryDir dir_;
    std::unique_ptr<MixRecorder> recorder_;
    std::unique_ptr<SdlMixerBackend> backend_;
};

QTEST_GUILESS_MAIN(SdlMixerBackendTest)
#include "tst_sdlmixerbackend.moc"
