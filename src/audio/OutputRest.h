#pragma once

#include <QtGlobal>
#include <memory>

namespace keysound::audio {

class SinkWaker;

// What becomes of the output a few seconds after the last sound, so that an idle program costs
// the machine nothing and the first key after idle still sounds at once. The whole rule:
// - PipeWire, with the mixer's stream passive: the output rests. A passive stream sounds whenever
//   its sink runs but never makes it run; our own silent stream (SinkWaker) runs the sink while
//   keys sound and goes inactive at rest, and the server suspends the sink. Measured: a new stream
//   needs the session manager to link it, 13 to 36 ms; an inactive one made active again plays
//   within 1 to 5 ms. (SDL 2 can neither pause its PipeWire stream so that the sink suspends, nor
//   reopen one that quickly.)
// - A rest that another program's sound keeps mixing for a minute closes after all: a passive
//   stream is mixed whenever the sink runs, and its 128-frame period then holds the whole graph
//   at that period. Closing after 1 s instead made every first key after a pause take the slow
//   way (58 ms at the sink, in server_bench), because a capturing program keeps sinks running.
// - ALSA without a server: the device closes and the driver is unloaded too, because SDL's ALSA
//   driver looks for new devices ten times a second for as long as it is loaded.
// - Anywhere else (PulseAudio, a passive stream the user's PIPEWIRE_PROPS did not allow): the
//   device closes and the driver stays loaded; its threads only wait for device news, and the
//   next open takes a few milliseconds.
class OutputRest {
public:
    enum class WhenIdle { Rest, CloseDevice, UnloadDriver };

    // Before any thread runs (it sets an environment variable): makes the mixer's PipeWire stream
    // passive, unless the user set stream properties of their own. True when it did.
    static bool makeMixerStreamPassive();

    // For the driver SDL chose: whether an idle output rests, closes, or unloads its driver.
    static WhenIdle whenIdle(const char* driver, bool mixerStreamPassive);
    // A rest that has lasted this long while its stream is mixed closes.
    static constexpr quint64 CloseMixedRestAfterMs = 60000;

    // Connects the stream that runs the sink while the output is in use: null when the driver
    // does not rest, or PipeWire does not link the stream within a second.
    static std::unique_ptr<OutputRest> connect(int frequency, int bufferFrames);
    ~OutputRest();

    void rest();
    bool wake();  // false when the server or the stream was lost meanwhile
    bool isLost() const;

private:
    explicit OutputRest(std::unique_ptr<SinkWaker> waker);
    std::unique_ptr<SinkWaker> waker_;
};

}  // namespace keysound::audio
