// Key-press latency of the audio layer: for each key, "stop <previous>" then "play <file>" go
// through the command service exactly as the key handler sends them, and the mixer's post-mix hook
// notes when the first loud samples of the new sound leave the mixer.
// Runs on SDL's disk driver (written to /dev/null) with the program's 256-frame buffer.

#include "audio/MediaCommandService.h"
#include "audio/SoundOutput.h"
#include "audio/SoundPlayer.h"

#include <QCoreApplication>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace keysound::audio;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int keyCount = 50;
constexpr auto keySpacing = std::chrono::milliseconds(120);
constexpr int loud = 1000;

int64_t nowNs() { return Clock::now().time_since_epoch().count(); }

// Shared with the audio thread: the send time of the armed key, and the onset seen for it.
std::atomic<int64_t> armedAt{0};
std::atomic<int64_t> onsetAt{0};
// The disk driver paces itself by sleeping, so its real mix period is worth printing.
std::atomic<int64_t> firstMixAt{0};
std::atomic<int64_t> mixCount{0};
int outputChannels = 2;

void watchForOnset(const int16_t* samples, int frames)
{
    if (mixCount++ == 0)
        firstMixAt.store(nowNs());
    if (armedAt.load() == 0)
        return;
    const int count = frames * outputChannels;
    if (std::any_of(samples, samples + count, [](int16_t s) { return std::abs(int(s)) > loud; })) {
        onsetAt.store(nowNs());
        armedAt.store(0);
    }
}

struct Figures {
    double median = 0, p95 = 0, max = 0;
};

Figures summarise(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[size_t(q * double(values.size() - 1) + 0.5)]; };
    return {at(0.5), at(0.95), values.back()};
}

struct KeyRun {
    std::vector<double> latencyMs;
    std::vector<double> callMs;
    int missed = 0;
};

KeyRun pressKeys(CommandService& service, const QString& path)
{
    const QByteArray stop = "stop " + path.toUtf8();
    const QByteArray play = "play " + path.toUtf8();
    KeyRun run;
    for (int key = 0; key < keyCount; ++key) {
        onsetAt.store(0);
        const int64_t sent = nowNs();
        service.sendString(stop);
        // From here on the old sound is halted, so any loud buffer belongs to the new one.
        armedAt.store(sent);
        service.sendString(play);
        const int64_t returned = nowNs();
        std::this_thread::sleep_for(keySpacing);

        run.callMs.push_back(double(returned - sent) / 1e6);
        if (onsetAt.load() == 0)
            ++run.missed;
        else
            run.latencyMs.push_back(double(onsetAt.load() - sent) / 1e6);
        armedAt.store(0);
    }
    return run;
}

void report(const char* name, const KeyRun& run)
{
    const Figures latency = summarise(run.latencyMs);
    const Figures call = summarise(run.callMs);
    std::printf("%-14s send->first loud mix: median %6.2f ms  p95 %6.2f ms  max %6.2f ms  (%d keys, %d missed)\n", name,
                latency.median, latency.p95, latency.max, int(run.latencyMs.size()), run.missed);
    std::printf("%-14s stop+play call on the caller's thread: median %6.3f ms  p95 %6.3f ms  max %6.3f ms\n", name,
                call.median, call.p95, call.max);
}
}  // namespace

int main(int argc, char** argv)
{
    qputenv("KEYSOUND_DECODER", KEYSOUND_DECODER);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    SoundOutput::prepareEnvironment();
    QCoreApplication application(argc, argv);
    const auto output = std::make_unique<SoundOutput>();
    output->warmUp();
    const auto opening = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (output->state() != SoundOutput::State::Open && std::chrono::steady_clock::now() < opening)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (output->state() != SoundOutput::State::Open) {
        std::fprintf(stderr, "the disk audio driver could not be opened\n");
        return 1;
    }
    std::printf("driver %s, %d Hz, %d channels, %d-frame buffer (%.2f ms per mix; half: %.2f ms)\n",
                qPrintable(output->driverName()), output->frequency(), outputChannels, output->bufferFrames(),
                1000.0 * output->bufferFrames() / output->frequency(),
                500.0 * output->bufferFrames() / output->frequency());

    SoundDecoder decoder;
    SoundPlayer backend(*output, decoder);
    MediaCommandService service(backend);
    output->setPostMixObserver(watchForOnset);
    for (const char* name : {"tone-1s.mp3", "tone-60s.mp3"}) {
        const QString sound = QStringLiteral(KEYSOUND_AUDIO_FIXTURES_DIR "/") + QLatin1String(name);
        backend.decodeAhead({sound});  // keys of sounds decoded before
        while (backend.soundsWaitingToDecode() > 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        report(name, pressKeys(service, sound));
    }
    output->setPostMixObserver({});
    std::printf("measured mix period: %.2f ms\n", double(nowNs() - firstMixAt.load()) / 1e6 / double(mixCount.load()));
    return 0;
}
