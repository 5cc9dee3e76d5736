// Key-to-sink latency as a listener would hear it: sends keys through the X server (XTest) and
// reads the sound server's sink monitor in 1 ms fragments, stamping each on arrival.
//   sink_probe calibrate SINK COUNT GAP_MS   the capture's own delay: a tone's arrival at the
//                                            monitor after the moment it was due to play
//   sink_probe keys SINK COUNT GAP_MS        key -> first loud fragment at the monitor (capture
//                                            delay included)
// Prints one figure in milliseconds a line; -1: nothing heard within a second.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <pulse/simple.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

namespace {
constexpr int rate = 48000;
constexpr int fragmentFrames = rate / 1000;
constexpr int loud = 3000;

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

std::atomic<long long> lastLoudNs{0};
std::atomic<bool> running{true};

pa_simple* openStream(const std::string& device, pa_stream_direction_t direction, int bufferBytes)
{
    const pa_sample_spec spec{PA_SAMPLE_S16LE, rate, 2};
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = attr.fragsize = uint32_t(bufferBytes);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    int error = 0;
    pa_simple* stream =
        pa_simple_new(nullptr, "sink_probe", direction, device.c_str(), "probe", &spec, nullptr, &attr, &error);
    if (!stream)
        std::fprintf(stderr, "sink_probe: cannot open %s\n", device.c_str());
    return stream;
}

// Keeps the arrival time of the latest fragment whose first loud sample it holds.
void capture(pa_simple* monitor)
{
    int16_t samples[fragmentFrames * 2];
    bool wasLoud = false;
    while (running) {
        if (pa_simple_read(monitor, samples, sizeof samples, nullptr) < 0)
            return;
        const long long arrived = nowNs();
        bool isLoud = false;
        for (int16_t s : samples)
            isLoud = isLoud || std::abs(int(s)) > loud;
        if (isLoud && !wasLoud) {
            lastLoudNs = arrived;
            if (std::getenv("PROBE_DEBUG"))
                std::fprintf(stderr, "onset at %.1f ms\n", double(arrived % 100000000000LL) / 1e6);
        }
        wasLoud = isLoud;
    }
}

// The first loud onset after `since`, or -1 after a second of silence.
double waitForOnsetMs(long long since)
{
    for (int i = 0; i < 1000; ++i) {
        if (lastLoudNs > since)
            return double(lastLoudNs - since) / 1e6;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The capture's own delay: a tone goes into a playback stream that is kept fed with silence (so no
// restart after an underrun moves it), and is due to play when what the server already holds has
// played; the tone's arrival at the monitor after that moment is the capture's delay.
std::vector<double> calibrate(pa_simple* playback, int count, int gapMs)
{
    std::vector<int16_t> tone(rate / 20 * 2);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(16000 * std::sin(2 * M_PI * 440 * double(i / 2) / rate));
    const std::vector<int16_t> silence(fragmentFrames * 2);
    std::vector<double> figures;
    for (int i = 0; i < count; ++i) {
        for (int ms = 0; ms < gapMs; ++ms)
            pa_simple_write(playback, silence.data(), silence.size() * sizeof(int16_t), nullptr);
        const double heldMs = double(pa_simple_get_latency(playback, nullptr)) / 1000.0;
        const long long written = nowNs();
        pa_simple_write(playback, tone.data(), tone.size() * sizeof(int16_t), nullptr);
        const double arrivalMs = waitForOnsetMs(written);
        figures.push_back(arrivalMs < 0 ? arrivalMs : arrivalMs - heldMs);
    }
    return figures;
}

double pressKeyOnce(Display* display, KeyCode key)
{
    const long long sent = nowNs();
    XTestFakeKeyEvent(display, key, True, 0);
    XTestFakeKeyEvent(display, key, False, 0);
    XFlush(display);
    return waitForOnsetMs(sent);
}

void report(const std::vector<double>& figures)
{
    for (double f : figures)
        std::printf("%.2f\n", f);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: sink_probe calibrate|keys SINK COUNT GAP_MS\n");
        return 2;
    }
    const std::string mode = argv[1], sink = argv[2];
    const int count = std::atoi(argv[3]);
    const int gapMs = std::atoi(argv[4]);
    pa_simple* monitor = openStream(sink + ".monitor", PA_STREAM_RECORD, fragmentFrames * 4);
    if (!monitor)
        return 1;
    std::thread reader(capture, monitor);
    sleepMs(300);

    if (mode == "calibrate") {
        pa_simple* playback = openStream(sink, PA_STREAM_PLAYBACK, fragmentFrames * 4 * 5);
        if (!playback)
            return 1;
        calibrate(playback, 1, gapMs);  // wakes a suspended sink; not a figure
        report(calibrate(playback, count, gapMs));
    } else {
        Display* display = XOpenDisplay(nullptr);
        const KeyCode key = display ? XKeysymToKeycode(display, XK_a) : 0;
        std::vector<double> figures;
        for (int i = 0; display && i < count; ++i) {
            sleepMs(gapMs);
            figures.push_back(pressKeyOnce(display, key));
        }
        report(figures);
    }
    running = false;
    std::fflush(stdout);
    std::_Exit(0);  // the reader may sit in a blocking read
}
