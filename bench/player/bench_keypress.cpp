// Measures a key press through the main window, as a user's key reaches it:
//  - key event to the first non-silent samples leaving the mixer (SDL disk driver, 256 frames),
//    for a 1 s and a 60 s MP3 played before, for the first play of new 1 s files decoded ahead in
//    the background, and for new 1 s files whose key comes before any decode (it waits for one);
//  - the UI-thread cost of one key press (lookup, stop, play, log);
//  - that cost with 100k entries already in the log, against the first key.
#include "ScriptedDialogs.h"
#include "TestAppFolder.h"

#include "audio/DecodeProtocol.h"
#include "audio/SoundOutput.h"
#include "audio/MediaCommandService.h"
#include "audio/SoundPlayer.h"
#include "player/TableSounds.h"
#include "player/Form1.h"
#include "player/TextBoxes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace keysound;
using Clock = std::chrono::steady_clock;

namespace {

struct Figures {
    double median;
    double p95;
};

Figures summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, size_t(q * (values.size() - 1) + 0.5))];
    };
    return {at(0.5), at(0.95)};
}

// Arms on the UI thread right before a key; the audio thread stamps the first loud buffer.
class FirstSoundProbe {
public:
    explicit FirstSoundProbe(audio::SoundOutput& output)
        : output_(output)
    {
        output_.setPostMixObserver([this](const int16_t* samples, int frames) {
            if (!armed_.load(std::memory_order_acquire))
                return;
            const int count = frames * audio::decodeprotocol::Channels;
            for (int i = 0; i < count; ++i) {
                if (samples[i] > 64 || samples[i] < -64) {
                    heard_.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
                    armed_.store(false, std::memory_order_release);
                    return;
                }
            }
        });
    }
    ~FirstSoundProbe() { output_.setPostMixObserver({}); }

    void arm()
    {
        heard_.store(0);
        armed_.store(true, std::memory_order_release);
    }
    // Milliseconds from `from` to the first loud buffer, or -1 when nothing was heard in time.
    // A first play starts when the decoder's answer arrives, so the window's events must go on
    // then; elsewhere they would only take the audio thread's processor time on a small machine.
    double waitForSound(Clock::time_point from, bool serviceEvents)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(500);
        while (heard_.load(std::memory_order_acquire) == 0 && Clock::now() < deadline) {
            if (serviceEvents)
                QCoreApplication::processEvents();
            QThread::usleep(100);
        }
        const auto stamp = heard_.load();
        armed_.store(false);
        if (stamp == 0)
            return -1;
        return std::chrono::duration<double, std::milli>(Clock::time_point(Clock::duration(stamp)) - from).count();
    }

private:
    audio::SoundOutput& output_;
    std::atomic<bool> armed_{false};
    std::atomic<Clock::rep> heard_{0};
};

void pressKey(QWidget* box, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &release);
}

double timedKey(player::Form1& form, const QString& key)
{
    const auto start = Clock::now();
    pressKey(form.Text1, key);
    QCoreApplication::processEvents();  // layout and paint of the log are part of the key's cost
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int keysPerFigure()
{
    const int keys = qEnvironmentVariableIntValue("BENCH_KEYS");
    return keys > 0 ? keys : 600;
}

// Before each key, `beforeKey` may change what it will play.
void measureLatency(player::Form1& form, audio::SoundOutput& output, const QString& key, const char* label,
                    const std::function<void()>& beforeKey = {})
{
    FirstSoundProbe probe(output);
    std::vector<double> latencies;
    std::vector<double> uiCosts;
    const int keys = keysPerFigure();
    for (int i = 0; i < keys; ++i) {
        pressKey(form.Text1, QStringLiteral("z"));  // unmapped: stops the sound, plays nothing
        if (beforeKey)
            beforeKey();
        QThread::msleep(30);
        QCoreApplication::processEvents();
        probe.arm();
        const auto start = Clock::now();
        pressKey(form.Text1, key);
        uiCosts.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const double latency = probe.waitForSound(start, bool(beforeKey));
        if (latency >= 0)
            latencies.push_back(latency);
        QCoreApplication::processEvents();
    }
    if (latencies.empty()) {
        std::printf("%-34s no sound heard\n", label);
        return;
    }
    const Figures heard = summarise(latencies);
    const Figures ui = summarise(uiCosts);
    std::printf("%-34s key->first sound median %.2f ms, p95 %.2f ms (%zu/%d heard); UI-thread key median %.3f ms\n",
                label, heard.median, heard.p95, latencies.size(), keys, ui.median);
}

void measureLogGrowth(player::Form1& form)
{
    form.Text2->setText(QString());
    std::vector<double> first;
    for (int i = 0; i < 200; ++i) {
        form.Text2->setText(QString());
        first.push_back(timedKey(form, QStringLiteral("a")));
    }
    for (int i = 0; i < 100000; ++i)
        form.Text2->prependText(QStringLiteral("无对应音频记录 ---响应按键 %1\r\n\r\n").arg(i % 10));
    QCoreApplication::processEvents();
    std::vector<double> later;
    for (int i = 0; i < 200; ++i)
        later.push_back(timedKey(form, QStringLiteral("a")));
    const double a = summarise(first).median;
    const double b = summarise(later).median;
    std::printf("key with an empty log: median %.3f ms; with 100k log entries: median %.3f ms; ratio %.2fx\n", a, b,
                b / a);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("KEYSOUND_DECODER", KEYSOUND_DECODER);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", "/dev/null");
    audio::SoundOutput::prepareEnvironment();
    QApplication app(argc, argv);
    const auto output = std::make_unique<audio::SoundOutput>();

    test::TestAppFolder folder;
    const QString fixtures = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR);
    QFile::copy(fixtures + QStringLiteral("/tone-1s.mp3"), folder.soundFolderPath() + QStringLiteral("/one.mp3"));
    QFile::copy(fixtures + QStringLiteral("/tone-60s.mp3"), folder.soundFolderPath() + QStringLiteral("/sixty.mp3"));
    folder.addMapping(QStringLiteral("a"), QStringLiteral("one.mp3"));
    folder.addMapping(QStringLiteral("b"), QStringLiteral("sixty.mp3"));
    folder.addMapping(QStringLiteral("c"), QStringLiteral("new.mp3"));
    const QString newSound = folder.soundFolderPath() + QStringLiteral("/new.mp3");
    // A file the checker has not seen: a fresh copy, renamed into place as an editor's import does.
    const auto replaceNewSound = [&] {
        const QString copy = newSound + QStringLiteral(".copy");
        QFile::copy(fixtures + QStringLiteral("/tone-1s.mp3"), copy);
        QFile::remove(newSound);
        QFile::rename(copy, newSound);
    };

    output->warmUp();
    if (!QTest::qWaitFor([&] { return output->state() == audio::SoundOutput::State::Open; }, 5000))
        std::printf("the audio output did not open\n");
    std::printf("audio: driver %s, %d Hz, %d frames per buffer (half a period: %.2f ms)\n",
                qPrintable(output->driverName()), output->frequency(), output->bufferFrames(),
                500.0 * output->bufferFrames() / output->frequency());
    audio::SoundDecoder decoder;
    audio::SoundPlayer playback(*output, decoder);
    audio::MediaCommandService commands(playback);
    test::ScriptedDialogs dialogs;
    player::Form1 form(commands, dialogs);
    form.show();
    QCoreApplication::processEvents();

    for (const QString& key : {QStringLiteral("a"), QStringLiteral("b")}) {  // sounds played before
        pressKey(form.Text1, key);
        QTest::qWait(300);
    }
    measureLatency(form, *output, QStringLiteral("a"), "1 s MP3:");
    measureLatency(form, *output, QStringLiteral("b"), "60 s MP3:");
    const auto replaceAndDecodeAhead = [&] {
        replaceNewSound();
        playback.decodeAhead(player::tableSoundPaths());
        (void)QTest::qWaitFor([&] { return playback.soundsWaitingToDecode() == 0; }, 5000);
    };
    measureLatency(form, *output, QStringLiteral("c"), "new 1 s MP3 decoded ahead:", replaceAndDecodeAhead);
    measureLatency(form, *output, QStringLiteral("c"), "new 1 s MP3, key before its decode:", replaceNewSound);
    measureLogGrowth(form);
    return 0;
}
