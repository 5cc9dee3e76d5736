#include "SoundFixtures.h"
#include "audio/MediaCommandService.h"
#include "audio/SoundPlayer.h"

#include <QLocalServer>
#include <QProcess>
#include <QtTest>
#include <SDL.h>
#include <ctime>
#include <unistd.h>

using namespace keysound::audio;
using namespace keysound::test;

namespace {
constexpr int loud = 4000;  // the fixtures are half-scale tones: this loud is the tone, not noise
const QString longTone = audioFixtures + "/tone-60s.mp3";
const QString shortTone = audioFixtures + "/tone-1s.mp3";
// A hung sound server holds an open for half a minute: a call that returns well within that did not
// wait for it, however busy the machine.
constexpr qint64 windowNeverWaitsMs = 10000;
constexpr qint64 growthPerFileBytes = 16 << 20;
constexpr OutputTiming quickTiming{300, 1000, 100};
constexpr int busyMachineMs = 30000;  // how long a wait may last on a machine busy with other work
enum Loss { ClosedWhenIdle, DeviceRemoved, MixingStalled, MissingAtFirstKey };

void useDriver(const QByteArray& driver, const QString& deviceFile)
{
    qputenv("SDL_AUDIODRIVER", driver);
    qputenv("SDL_DISKAUDIOFILE", deviceFile.toUtf8());
}

qint64 millisecondsTakenBy(const std::function<void()>& call)
{
    QElapsedTimer clock;
    clock.start();
    call();
    return clock.elapsed();
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

// A PipeWire server and session manager of the test's own, with one null sink, found through
// XDG_RUNTIME_DIR for as long as the object lives.
struct PrivatePipeWire {
    explicit PrivatePipeWire(const QString& dir)
    {
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("PIPEWIRE_PROPS");
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME"})
            environment.insert(name, dir);
        const QString busAddress = "unix:path=" + dir + "/bus";  // wireplumber wants a session bus
        environment.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        const auto start = [&](QProcess& process, const QString& program, const QStringList& arguments = {}) {
            process.setProcessEnvironment(environment);
            process.start(program, arguments);
            return process.waitForStarted() && process.state() == QProcess::Running;
        };
        const auto succeeds = [&](const QString& program, const QStringList& arguments) {
            QProcess process;  // quiet: wpctl reports every try that finds no default sink yet
            return start(process, program, arguments) && process.waitForFinished() &&
                   process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        };
        // The session manager links streams once it has made the sink the default.
        const auto sinkIsDefault = [&] { return succeeds("wpctl", {"inspect", "@DEFAULT_AUDIO_SINK@"}); };
        const QString nullSink = "{ factory.name=support.null-audio-sink node.name=test media.class=Audio/Sink "
                                 "object.linger=true }";
        running = start(bus, "dbus-daemon", {"--session", "--nofork", "--nopidfile", "--address=" + busAddress}) &&
                  start(server, "pipewire") &&
                  QTest::qWaitFor([&] { return QFile::exists(dir + "/pipewire-0"); }, busyMachineMs) &&
                  start(sessionManager, "wireplumber") &&
                  succeeds("pw-cli", {"create-node", "adapter", nullSink}) &&
                  QTest::qWaitFor(sinkIsDefault, busyMachineMs);
    }
    ~PrivatePipeWire()
    {
        for (QProcess* process : {&sessionManager, &server, &bus}) {
            process->kill();
            process->waitForFinished();
        }
        qputenv("XDG_RUNTIME_DIR", savedRuntimeDir);
    }
    const QByteArray savedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
    QProcess bus, server, sessionManager;
    bool running = false;
};

struct RecordingBackend : PlaybackBackend {
    void play(const QString& path) override { calls << QStringLiteral("play|") + path; }
    void stop(const QString& path) override { calls << QStringLiteral("stop|") + path; }
    QStringList calls;
};
}  // namespace
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Loss)
Q_DECLARE_METATYPE(SoundOutput::State)

// The play and stop commands from their text to the sound. Each test starts on a freshly opened
// disk driver whose mixed buffers are kept as peaks, so the tests judge real output.
class SoundPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        SoundOutput::prepareEnvironment();
    }
    void init()
    {
        useDriver("disk", dir_.filePath("device.raw"));
        makePlayer();
        output_->warmUp();  // again: decoding ahead on a busy machine may outlast the idle close
        QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Open, busyMachineMs);
    }
    void cleanup()
    {
        player_.reset();
        decoder_.reset();
        output_.reset();
        qputenv("KEYSOUND_DECODER", realDecoder_);
        qunsetenv("PIPEWIRE_PROPS");
        SoundOutput::prepareEnvironment();
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
        MediaCommandService service(*player_);
        for (const Step& step : steps) {
            if (step.command.isEmpty())
                loudness(step.listenSeconds);
            else
                service.sendString(step.command);
        }
        QTRY_VERIFY_WITH_TIMEOUT(decoder_->decodesRunning() == 0, busyMachineMs);
        if (playing.isEmpty())
            QCOMPARE(loudness(0.1), 0);
        else
            QCOMPARE_GT(loudness(0.1), loud);
        QCOMPARE(player_->playingPath(), playing);
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
        if (loss == MissingAtFirstKey) {
            player_.reset();
            output_.reset();
            useDriver("disk", dir_.filePath("none/out.raw"));
        }
        makePlayer(quickTiming);
        player_->play(longTone);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), longTone, busyMachineMs);
        if (loss != MissingAtFirstKey)
            QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Open, busyMachineMs);
        SDL_Event removed{SDL_AUDIODEVICEREMOVED};
        switch (loss) {
        case ClosedWhenIdle:
            player_->stop(longTone);
            QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Closed, busyMachineMs);
            break;
        case DeviceRemoved:
            QCOMPARE(SDL_PushEvent(&removed), 1);
            QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Closed, busyMachineMs);  // seen by the look while it sounds
            break;
        case MixingStalled:
            for (SDL_AudioDeviceID device = 1; device < 16; ++device)  // the output's one device
                if (SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_PLAYING)
                    SDL_PauseAudioDevice(device, 1);
            QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Closed, busyMachineMs);
            break;
        case MissingAtFirstKey:
            QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Closed, busyMachineMs);  // its open failed
            QTest::qWait(quickTiming.retryAfterFailureMs);
            break;
        }
        // Only a driver loaded afresh takes this up; an idle close keeps the driver for a quick reopen.
        useDriver("dummy", dir_.filePath("after.raw"));
        player_->play(longTone);  // opens on a worker, then sounds
        QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Open, busyMachineMs);
        QCOMPARE_GT(loudness(0.1), loud);
        QCOMPARE(output_->driverName(), driver);
    }

    // Idle on PipeWire, the output rests only when its stream is passive: one that is not would keep
    // the sink running for as long as it rested. After a rest or a close, a key sounds.
    void restsOnPipeWireOnlyWhenPassive_data()
    {
        QTest::addColumn<QByteArray>("usersStreamProperties");
        QTest::addColumn<SoundOutput::State>("idle");
        QTest::newRow("none: passive, rests") << QByteArray() << SoundOutput::State::Resting;
        QTest::newRow("the user's own: closes") << QByteArray("node.latency=256/48000") << SoundOutput::State::Closed;
    }
    void restsOnPipeWireOnlyWhenPassive()
    {
        QFETCH(QByteArray, usersStreamProperties);
        QFETCH(SoundOutput::State, idle);
        for (const char* program : {"dbus-daemon", "pipewire", "wireplumber", "pw-cli", "wpctl"}) {
            if (QStandardPaths::findExecutable(program).isEmpty())
                QSKIP(qPrintable(QStringLiteral("needs a PipeWire of its own; %1 is not installed").arg(program)));
        }
        const QTemporaryDir runtime(dir_.filePath("pipewire-XXXXXX"));  // a row's sockets are its own
        const PrivatePipeWire pipewire(runtime.path());
        QVERIFY2(pipewire.running, "the test's own PipeWire server and session manager did not start");
        player_.reset();
        output_.reset();
        if (!usersStreamProperties.isEmpty())
            qputenv("PIPEWIRE_PROPS", usersStreamProperties);  // cleanup() puts ours back
        SoundOutput::prepareEnvironment();
        useDriver("pipewire", {});
        makePlayer(quickTiming);
        for (int key = 0; key < 2; ++key) {
            player_->play(longTone);
            QTRY_VERIFY_WITH_TIMEOUT((output_->warmUp(), output_->state() == SoundOutput::State::Open), busyMachineMs);
            QCOMPARE(output_->driverName(), "pipewire");
            QCOMPARE_GT(loudness(0.1), loud);
            player_->stop(longTone);
            QTRY_VERIFY_WITH_TIMEOUT(output_->state() != SoundOutput::State::Open, busyMachineMs);
            QCOMPARE(output_->state(), idle);
        }
        player_.reset();
        output_.reset();
    }

    // A server that takes the connection and never answers holds an open for half a minute; keys
    // and the end of the program must not wait for it.
    void aHungServerHoldsUpNothing()
    {
        QLocalServer server;  // takes the connection and never answers
        QVERIFY(server.listen(dir_.filePath("pulse-native")));
        player_.reset();
        output_.reset();
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(dir_.filePath("pulse-native")));
        useDriver("pulseaudio", {});
        // Only the calls count: the wait between them is the test's own.
        const qint64 first = millisecondsTakenBy([&] {
            makePlayer(quickTiming);
            player_->play(shortTone);
        });
        QTRY_VERIFY(server.hasPendingConnections());
        QTest::qWait(quickTiming.retryAfterFailureMs);
        const qint64 second = millisecondsTakenBy([&] {
            player_->play(shortTone);  // the retry finds the first open still under way
            player_.reset();
            output_.reset();
        });
        qunsetenv("PULSE_SERVER");
        QCOMPARE_LT(first + second, windowNeverWaitsMs);
    }

    // A damaged file sounds as much of it as decodes, or nothing; it never takes the program down
    // or grows it, and the next key sounds at once.
    void damagedFileTakesNothingDown_data() { addRowPerFile(soundFixtures + "/damaged"); }
    void damagedFileTakesNothingDown()
    {
        QFETCH(QString, file);
        const qint64 residentBefore = residentBytes();
        player_->play(file);
        QTRY_VERIFY_WITH_TIMEOUT(decoder_->decodesRunning() == 0, busyMachineMs);
        player_->play(longTone);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), longTone, busyMachineMs);
        QCOMPARE_GT(loudness(0.1), loud);
        QCOMPARE_LT(residentBytes() - residentBefore, growthPerFileBytes);
    }

    // Loop points in a file's metadata are no reason to go on: one key, one play.
    void eachKeyPlaysOnce_data() { addRowPerFile(soundFixtures + "/loops"); }
    void eachKeyPlaysOnce()
    {
        QFETCH(QString, file);
        player_->play(file);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), file, busyMachineMs);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), QString(), busyMachineMs);  // the sound lasts 0.3 s
        QCOMPARE(loudness(0.2), 0);
    }

    // A key whose sound is not decoded yet sounds once it is, however late: unless a newer key came,
    // or its own sound was stopped.
    void aLateKeySoundsUnlessOvertaken_data()
    {
        QTest::addColumn<QString>("then");  // what comes while the late sound decodes
        QTest::addColumn<QString>("playing");
        const QString slow = writeFile(dir_.filePath("slow.wav"), wavCommitting("slow"));
        QTest::newRow("nothing: it sounds") << QString() << slow;
        QTest::newRow("a newer key") << "play " + longTone << longTone;
        QTest::newRow("its stop") << "stop " + slow << QString();
    }
    void aLateKeySoundsUnlessOvertaken()
    {
        QFETCH(QString, then);
        QFETCH(QString, playing);
        qputenv("KEYSOUND_DECODER", KEYSOUND_MISBEHAVING_DECODER);
        makePlayer();  // its own sounds decode as ever: only the slow file is slow
        const QString slow = dir_.filePath("slow.wav");
        output_->warmUp();
        QTRY_COMPARE_WITH_TIMEOUT(output_->state(), SoundOutput::State::Open, busyMachineMs);
        player_->play(slow);
        if (!then.isEmpty())
            MediaCommandService(*player_).sendString(then.toUtf8());
        QTRY_VERIFY_WITH_TIMEOUT(decoder_->decodesRunning() == 0, busyMachineMs);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), playing, busyMachineMs);
        QCOMPARE_GT(loudness(0.05), playing.isEmpty() ? -1 : loud);
    }

    // The table's sounds decode one at a time, in the order given, at the lowest priority.
    void decodeAheadOneAtATimeInOrder()
    {
        QStringList files;
        for (int i = 0; i < 4; ++i)
            files << writeFile(dir_.filePath(QString("ahead-%1.wav").arg(i)), wavOf(rampSamples(4410, int16_t(i + 1))));
        player_->decodeAhead(files);
        QStringList decoded;
        int mostAtOnce = 0;
        const auto allDecoded = [&] {
            mostAtOnce = std::max(mostAtOnce, decoder_->decodesRunning());
            for (const QString& file : files)
                if (!decoded.contains(file) && player_->cache().find(*keysound::platform::identityOf(file)))
                    decoded << file;
            return decoded.size() == files.size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(allDecoded(), busyMachineMs);
        QCOMPARE(decoded, files);
        QCOMPARE(mostAtOnce, 1);
    }

    // A file changed after its decode is decoded again at its next key: what plays is always one
    // whole decoded version, the new one.
    void aChangedFileIsDecodedAgain()
    {
        const QString file = writeFile(dir_.filePath("changing.wav"), fileBytes(audioFixtures + "/tone-half-s.wav"));
        player_->play(file);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), file, busyMachineMs);
        QCOMPARE_GT(loudness(0.1), loud);
        writeFile(file, wavOf(std::vector<int16_t>(44100 * 2, 1)));  // rewritten in place: near silence
        player_->play(file);
        QTRY_VERIFY_WITH_TIMEOUT(decoder_->decodesRunning() == 0, busyMachineMs);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), file, busyMachineMs);
        QCOMPARE_LT(loudness(0.1), 2);
    }

    // The PCM held stays within its budget: the sound played least recently goes first.
    void theBudgetKeepsTheLastPlayed()
    {
        const qint64 sound = 4410 * decodeprotocol::BytesPerFrame;
        PcmCache cache(2 * sound + sound / 2);
        SoundDecoder decoder;
        std::vector<keysound::platform::FileIdentity> identities;
        for (int i = 0; i < 3; ++i) {
            const QString path = writeFile(dir_.filePath(QString("budget-%1.wav").arg(i)), wavOf(rampSamples(4410)));
            identities.push_back(*keysound::platform::identityOf(path));
            cache.keep(identities.back(), decoder.decodeNow(path));
            if (i == 1)
                cache.markPlayed(identities[0]);  // the first sound is played again: the second is oldest
        }
        QCOMPARE_LE(cache.heldBytes(), 2 * sound + sound / 2);
        QVERIFY(cache.find(identities[0]) && cache.find(identities[2]));
        QVERIFY(!cache.find(identities[1]));
    }

    // A sound too long to hold streams from its decoder as it plays, with little memory.
    void aLongSoundStreams()
    {
        player_.reset();
        SoundDecoder smallDecoder(decodeprotocol::Frequency * decodeprotocol::BytesPerFrame);  // one second held
        player_ = std::make_unique<SoundPlayer>(*output_, smallDecoder);
        const qint64 residentBefore = residentBytes();
        player_->play(longTone);
        QTRY_COMPARE_WITH_TIMEOUT(player_->playingPath(), longTone, busyMachineMs);
        QCOMPARE_GT(loudness(2.5), loud);  // well past the second held
        QCOMPARE(player_->playingPath(), longTone);
        QCOMPARE(player_->cache().heldBytes(), 0);
        QCOMPARE_LT(residentBytes() - residentBefore, growthPerFileBytes);
        player_.reset();
    }

private:
    void makePlayer(OutputTiming timing = {})
    {
        player_.reset();
        output_ = std::make_unique<SoundOutput>(timing);
        output_->setPostMixObserver([this](const int16_t* samples, int frames) {
            const auto [low, high] = std::minmax_element(samples, samples + frames * decodeprotocol::Channels);
            QMutexLocker lock(&mutex_);
            peaks_.append(std::max(-int(*low), int(*high)));
        });
        decoder_ = std::make_unique<SoundDecoder>();  // its spare decoder is the one KEYSOUND_DECODER names now
        player_ = std::make_unique<SoundPlayer>(*output_, *decoder_);
        player_->warmUp();
        // Keys of sounds played before. (Decoding ahead runs at the lowest priority, which a machine
        // busy with other work may starve for as long as it likes: the tests do not wait for it.)
        for (const QString& tone : {shortTone, longTone}) {
            player_->play(tone);
            QTRY_VERIFY_WITH_TIMEOUT(player_->cache().find(*keysound::platform::identityOf(tone)), busyMachineMs);
            player_->stop(tone);
        }
    }

    // Peak of the next `seconds` of mixed audio (audio time: a busy machine cannot stretch a
    // sound); -1 when the output stalls.
    int loudness(double seconds)
    {
        const int from = mixed();
        const int buffer = std::max(output_->bufferFrames(), 1);
        const int to = from + 1 + int(seconds * decodeprotocol::Frequency / buffer);
        if (!QTest::qWaitFor([&] { return mixed() >= to; }, busyMachineMs))
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
    const QByteArray realDecoder_ = qgetenv("KEYSOUND_DECODER");
    std::unique_ptr<SoundDecoder> decoder_;
    QMutex mutex_;
    QList<int> peaks_;
    std::unique_ptr<SoundOutput> output_;
    std::unique_ptr<SoundPlayer> player_;
};

QTEST_GUILESS_MAIN(SoundPlayerTest)
#include "tst_soundplayer.moc"
