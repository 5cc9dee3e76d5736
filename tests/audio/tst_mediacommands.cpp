#include "audio/MediaCommandService.h"
#include "audio/SdlMixerBackend.h"

#include "TestFiles.h"

#include <QLocalServer>
#include <QtTest>
#include <SDL.h>
#include <ctime>
#include <unistd.h>

using namespace keysound::audio;
using keysound::test::fileBytes;
using keysound::test::writeFile;

namespace {
constexpr int loud = 4000;  // the fixtures are half-scale tones: this loud is the tone, not noise
const QString longTone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-60s.mp3");
const QString shortTone = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/tone-1s.mp3");
const QString soundFixtures = QStringLiteral(KEYSOUND_SOUND_FIXTURES_DIR);
// The window's thread may run a little for a key, and never waits on anything: a wait for a
// sound server or a check lasts seconds, and the wait allowed is as long as a key's sound may be late.
constexpr qint64 windowMayRunMs = 50;
constexpr qint64 windowMayWaitMs = 500;
constexpr qint64 growthPerFileBytes = 16 << 20;
constexpr KeeperTiming quickTiming{300, 200, 100};
enum Loss { ClosedWhenIdle, DeviceRemoved, MixingStalled, MissingAtFirstKey };

void useDriver(const QByteArray& driver, const QString& deviceFile)
{
    qputenv("SDL_AUDIODRIVER", driver);
    qputenv("SDL_DISKAUDIOFILE", deviceFile.toUtf8());
}

// What a call costs the calling thread: the time it runs there, and the time it takes in all,
// waits included. The machine's load stretches the second, never the first by much.
struct Cost {
    qint64 runningMs = 0;
    qint64 takenMs = 0;
};
qint64 threadRunningNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}
Cost costOf(const std::function<void()>& call)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 runningBefore = threadRunningNs();
    call();
    return {.runningMs = (threadRunningNs() - runningBefore) / 1000000, .takenMs = clock.elapsed()};
}

struct Step {  // a command sent, or a time the test listens
    QByteArray command = {};
    double listenSeconds = 0;
};
using Steps = QList<Step>;
Step play(const QString& path) { return {.command = "play " + path.toUtf8()}; }
Step stop(const QString& path) { return {.command = "stop " + path.toUtf8()}; }
Step listen(double seconds) { return {.listenSeconds = seconds}; }

qint64 residentBytes()
{
    return fileBytes("/proc/self/statm").split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

void addRowPerFile(const QString& folder)
{
    QTest::addColumn<QString>("file");
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(file.fileName())) << file.filePath();
}

struct RecordingBackend : PlaybackBackend {
    void play(const QString& path) override { calls << QStringLiteral("play|") + path; }
    void stop(const QString& path) override { calls << QStringLiteral("stop|") + path; }
    QStringList calls;
};
}  // namespace
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Loss)

// The play and stop commands from their text to the sound. Each test starts on a freshly opened
// disk driver whose mixed buffers are kept as peaks, so the tests judge real output.
class MediaCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        // The program checks a sound once, when it first plays it: these rows play checked sounds.
        for (const QString& tone : {shortTone, longTone})
            QVERIFY(checker_.verdictNow(tone).isPlayable());
    }
    void init()
    {
        useDriver("disk", dir_.filePath("device.raw"));
        output_ = std::make_shared<AudioOutput>();
        output_->setPostMixObserver([this, output = output_.get()](const int16_t* samples, int frames) {
            const auto [low, high] = std::minmax_element(samples, samples + frames * output->channels());
            QMutexLocker lock(&mutex_);
            peaks_.append(std::max(-int(*low), int(*high)));
        });
        QVERIFY(output_->open());
        backend_.reset(new SdlMixerBackend(output_, checker_));
    }
    void cleanup()
    {
        backend_.reset();
        output_.reset();
    }

    void grammar_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QStringList>("calls");  // "verb|path" reaching the backend
        QTest::newRow("stop; blanks and backslashes belong to the path")
            << QByteArray("stop  C:\\my sounds\\x.mp3 ") << QStringList{"stop| C:\\my sounds\\x.mp3 "};
        QTest::newRow("play a non-ASCII path") << QString("play /a/按键音.mp3").toUtf8() << QStringList{"play|/a/按键音.mp3"};
        QTest::newRow("a NUL ends the command") << QByteArray("play /a/x.mp3\0/b", 16) << QStringList{"play|/a/x.mp3"};
        QTest::newRow("an incomplete last character stays in the path")
            << QByteArray("play a\xCC") << QStringList{"play|a\uFFFD"};
        QTest::newRow("play with empty path") << QByteArray("play ") << QStringList();
        QTest::newRow("verb glued to the path") << QByteArray("play/a/x.mp3") << QStringList();
        QTest::newRow("upper-case verb") << QByteArray("PLAY /a/x.mp3") << QStringList();
        // clang-format on
    }
    void grammar()
    {
        QFETCH(QByteArray, command);
        QFETCH(QStringList, calls);
        RecordingBackend recorder;
        MediaCommandService(recorder).sendString(command);
        QCOMPARE(recorder.calls, calls);
    }

    // Commands sent one after another, the test listening between them; then the path reported
    // playing, which sounds (none: silence).
    void commands_data()
    {
        // clang-format off
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("playing");
        const QString backslashed = writeFile(dir_.filePath("MP3/key.mp3"), fileBytes(shortTone)).replace('/', '\\');
        const QString missing = dir_.filePath("missing.mp3");
        const QString text = writeFile(dir_.filePath("text.mp3"), "not a sound");
        QTest::newRow("a sound replaces the playing one, its path text with backslashes")
            << Steps{play(longTone), play(backslashed)} << backslashed;
        QTest::newRow("a missing file or a text file named .mp3 leaves it alone")
            << Steps{play(longTone), play(missing), play(text)} << longTone;
        QTest::newRow("stop the playing path") << Steps{play(longTone), stop(longTone)} << QString();
        QTest::newRow("stop another sound file") << Steps{play(longTone), stop(shortTone)} << longTone;
        QTest::newRow("a sound ends by itself") << Steps{play(shortTone), listen(1.1)} << QString();
        QTest::newRow("playing again restarts: 1.5 s on, the 1 s tone sounds")
            << Steps{play(shortTone), listen(0.8), play(shortTone), listen(0.7)} << shortTone;
        // clang-format on
    }
    void commands()
    {
        QFETCH(Steps, steps);
        QFETCH(QString, playing);
        MediaCommandService service(*backend_);
        for (const Step& step : steps) {
            if (step.command.isEmpty())
                loudness(step.listenSeconds);
            else
                service.sendString(step.command);
        }
        QTRY_VERIFY(!checker_.isChecking());
        if (playing.isEmpty())
            QCOMPARE(loudness(0.1), 0);
        else
            QCOMPARE_GT(loudness(0.1), loud);
        QCOMPARE(backend_->playingPath(), playing);
    }

    // However the output went away or never came, a later key opens it again and sounds; a lost
    // or missing device also loads its driver afresh, so a sound server that moved is found.
    void reopensAtALaterKey_data()
    {
        QTest::addColumn<Loss>("loss");
        QTest::addColumn<QString>("driver");  // after: an idle close keeps the driver for a quick reopen
        QTest::newRow("closed when idle") << ClosedWhenIdle << "disk";
        QTest::newRow("device removed") << DeviceRemoved << "dummy";
        QTest::newRow("stalled") << MixingStalled << "dummy";
        QTest::newRow("missing at first key") << MissingAtFirstKey << "dummy";
    }
    void reopensAtALaterKey()
    {
        QFETCH(Loss, loss);
        QFETCH(QString, driver);
        backend_.reset(new SdlMixerBackend(output_, checker_, quickTiming));
        if (loss == MissingAtFirstKey) {
            output_->close();
            useDriver("disk", dir_.filePath("none/out.raw"));
        }
        backend_->play(longTone);
        QCOMPARE(output_->isOpen(), loss != MissingAtFirstKey);
        SDL_Event removed{SDL_AUDIODEVICEREMOVED};
        switch (loss) {
        case ClosedWhenIdle:
            backend_->stop(longTone);
            QTRY_VERIFY(!output_->isOpen());
            break;
        case DeviceRemoved: QCOMPARE(SDL_PushEvent(&removed), 1); break;
        case MixingStalled:
            SDL_PauseAudioDevice(2, 1);  // 2: the mixer's device
            QTest::qWait(1200);
            break;
        case MissingAtFirstKey: QTest::qWait(quickTiming.retryAfterFailureMs); break;
        }
        // Only a driver loaded afresh takes this up; an idle close keeps the driver for a quick reopen.
        useDriver("dummy", dir_.filePath("after.raw"));
        backend_->play(longTone);  // opens on a worker, then sounds
        QTRY_VERIFY(output_->isOpen());
        QCOMPARE_GT(loudness(0.1), loud);
        QCOMPARE(output_->driverName(), driver);
    }

    // A server that takes the connection and never answers holds an open for half a minute; keys
    // and the end of the program must not wait for it.
    void aHungServerHoldsUpNothing()
    {
        QLocalServer server;  // takes the connection and never answers
        QVERIFY(server.listen(dir_.filePath("pulse-native")));
        output_->close();
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(dir_.filePath("pulse-native")));
        useDriver("pulseaudio", {});
        // Only the calls count: the wait between them is the test's own.
        const Cost first = costOf([&] {
            backend_.reset(new SdlMixerBackend(output_, checker_, quickTiming));
            backend_->warmUp();
            backend_->play(shortTone);
        });
        QTRY_VERIFY(server.hasPendingConnections());
        QTest::qWait(quickTiming.retryAfterFailureMs);
        const Cost second = costOf([&] {
            backend_->play(shortTone);  // the retry finds the first open still under way
            backend_.reset();
        });
        qunsetenv("PULSE_SERVER");
        QCOMPARE_LT(first.runningMs + second.runningMs, windowMayRunMs);
        QCOMPARE_LT(first.takenMs + second.takenMs, windowMayWaitMs);
        // Leaving closes the server, so the open under way fails and cleanup can close the output.
    }

    // A damaged file sounds as much of it as decodes, or nothing; it never takes the program down,
    // holds up the window, or grows the program; and the next key sounds at once.
    void damagedFileTakesNothingDown_data() { addRowPerFile(soundFixtures + "/damaged"); }
    void damagedFileTakesNothingDown()
    {
        QFETCH(QString, file);
        const qint64 residentBefore = residentBytes();
        verifyWindowIsNotHeldUpBy([&] { backend_->play(file); });
        QTRY_VERIFY_WITH_TIMEOUT(!checker_.isChecking(), 35000);
        backend_->play(shortTone);
        QCOMPARE_GT(loudness(0.1), loud);
        QCOMPARE_LT(residentBytes() - residentBefore, growthPerFileBytes);
    }

    // Loop points in a file's metadata are no reason to go on: one key, one play.
    void eachKeyPlaysOnce_data() { addRowPerFile(soundFixtures + "/loops"); }
    void eachKeyPlaysOnce()
    {
        QFETCH(QString, file);
        backend_->play(file);
        QTRY_COMPARE(backend_->playingPath(), file);
        QTRY_COMPARE_WITH_TIMEOUT(backend_->playingPath(), QString(), 2000);  // the sound lasts 0.3 s
        QCOMPARE(loudness(0.2), 0);
    }

    // A key waits for the first check of a new file for as long as a sound still belongs to it,
    // and never holds up the window meanwhile; when the check takes longer, the key is dropped.
    void aNewFileSoundsOnceChecked_data()
    {
        QTest::addColumn<bool>("checkerHangs");
        QTest::newRow("checked in time") << false;
        QTest::newRow("the check takes too long") << true;
    }
    void aNewFileSoundsOnceChecked()
    {
        QFETCH(bool, checkerHangs);
        const QByteArray realChecker = qgetenv("KEYSOUND_SOUND_CHECKER");
        if (checkerHangs) {
            const QString program = writeFile(dir_.filePath("silent-checker"), "#!/bin/sh\nexec sleep 10\n");
            QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
            qputenv("KEYSOUND_SOUND_CHECKER", QFile::encodeName(program));
        }
        SoundChecker freshChecker;
        backend_.reset(new SdlMixerBackend(output_, freshChecker));
        const QString file = writeFile(dir_.filePath("new.mp3"), fileBytes(shortTone));
        verifyWindowIsNotHeldUpBy([&] { backend_->play(file); });
        qputenv("KEYSOUND_SOUND_CHECKER", realChecker);
        if (checkerHangs)
            QCOMPARE(loudness(0.6), 0);
        else
            QCOMPARE_GT(loudness(0.5), loud);
        backend_.reset();
    }

private:
    static void verifyWindowIsNotHeldUpBy(const std::function<void()>& call)
    {
        const Cost cost = costOf(call);
        QCOMPARE_LT(cost.runningMs, windowMayRunMs);
        QCOMPARE_LT(cost.takenMs, windowMayWaitMs);
    }

    // Peak of the next `seconds` of mixed audio (audio time: a busy machine cannot stretch a
    // sound); -1 when the mixer stalls.
    int loudness(double seconds)
    {
        const int from = mixed();
        const int to = from + 1 + int(seconds * output_->frequency() / output_->bufferFrames());
        if (!QTest::qWaitFor([&] { return mixed() >= to; }, 5000))
            return -1;
        return peakSince(from);
    }
    int peakSince(int mix)
    {
        QMutexLocker lock(&mutex_);
        const auto since = peaks_.begin() + std::min(mix, int(peaks_.size()));
        if (since == peaks_.end())
            return 0;
        return *std::max_element(since, peaks_.end());
    }
    int mixed()
    {
        QMutexLocker lock(&mutex_);
        return int(peaks_.size());
    }

    QTemporaryDir dir_;
    SoundChecker checker_;
    QMutex mutex_;
    QList<int> peaks_;
    std::shared_ptr<AudioOutput> output_;
    QScopedPointer<SdlMixerBackend> backend_;
};

QTEST_GUILESS_MAIN(MediaCommandsTest)
#include "tst_mediacommands.moc"
