#pragma once

#include "audio/Pcm.h"
#include "audio/SoundDecoder.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace keysound::audio {

class SinkWaker;

struct OutputTiming {
    int retryAfterFailureMs = 1000;  // a missing device is tried again at most this often
    int closeAfterSilenceMs = 3000;  // lets the sound server suspend its sink soon after typing stops
    int soundingRecheckMs = 1000;    // while a long sound plays, one look a second is enough
};

// The process's one sound output: an SDL audio device that plays one voice, the current sound, as
// PCM (held whole, or streamed from its decoder). It opens at a key, on a worker thread so that a
// slow or hung sound server never holds up the window, and a sound given meanwhile starts as soon
// as it is open. A few seconds after the last sound it rests or closes, so that an idle program costs
// the machine nothing:
// - PipeWire, with the device's stream passive: the output rests. A passive stream sounds whenever
//   its sink runs but never makes it run; our own silent stream (SinkWaker) runs the sink while
//   keys sound and goes inactive at rest, and the server suspends the sink. An inactive stream made
//   active again plays within 1 to 5 ms; a new one needs the session manager, 13 to 36 ms.
// - A rest that another program's sound keeps mixing for a minute closes after all: the device's
//   128-frame period would hold the whole graph at that period.
// - ALSA without a server: the device closes and the driver is unloaded too, because SDL's ALSA
//   driver looks for new devices ten times a second for as long as it is loaded.
// - Anywhere else: the device closes and the driver stays loaded, so the next open is quick.
// A lost device (server gone, device removed, mixing stalled) is closed and opened again at the next
// key; a failed open is tried again at a key at most once a second. Nothing is reported to the user.
class SoundOutput : public QObject {
public:
    enum class State { Closed, Opening, Open, Resting, Lost };
    using Clock = std::function<qint64()>;  // milliseconds, monotonic

    // First thing in main, before any thread starts: the environment and hints SDL reads.
    static void prepareEnvironment();

    explicit SoundOutput(OutputTiming timing = {}, Clock clock = {});
    ~SoundOutput() override;

    // Opens (in the background) unless open, ahead of the first key.
    void warmUp();
    // Replaces whatever sounds by this sound, from its start; it sounds as soon as the output is open.
    void play(std::shared_ptr<const Pcm> pcm, const QString& tag);
    void play(std::unique_ptr<PcmStream> stream, const QString& tag);
    // Silences the current sound.
    void stop();
    // The tag of the sound playing or about to play; empty once it has ended or been stopped.
    QString currentTag() const;

    State state() const;
    QString driverName() const;
    int frequency() const;
    int bufferFrames() const;

    // The periodic look after sounds: closes an idle or lost output. The delay until the next look,
    // or -1 when none is needed (the output is closed).
    int checkIdle();

    // Sees every mixed buffer (interleaved signed 16-bit) on the audio thread; for benchmarks.
    using PostMixObserver = std::function<void(const int16_t* samples, int frames)>;
    void setPostMixObserver(PostMixObserver observer);

private:
    struct Voice;
    struct Device;
    void setVoice(std::unique_ptr<Voice> voice);
    bool isSounding() const;
    bool prepareToPlay();
    bool reopenWhenLost();
    void openInBackground();
    void finishOpening();
    bool resumeResting();
    void closeIdle();
    bool isLost();
    void scheduleIdleCheck();

    const OutputTiming timing_;
    const Clock clock_;
    // What the audio thread and the opening worker share with this object. A worker still waiting
    // for a hung server keeps it, and closes what it opens late once this object has gone.
    std::shared_ptr<Device> device_;
    std::optional<qint64> silentSince_;
    std::optional<qint64> lastFailedOpen_;
    QTimer idleTimer_;
};

}  // namespace keysound::audio
