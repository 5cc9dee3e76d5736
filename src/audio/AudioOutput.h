#pragma once

#include "audio/OutputRest.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace keysound::audio {

struct AudioSettings {
    int frequency = 44100;  // the device may choose another rate; channels and format stay fixed
    int channels = 2;
    int bufferFrames = 256;  // small, so a sound starts within a few milliseconds; at most 128 on PipeWire
};

enum class OutputState {
    Closed,
    Opening,  // on a worker thread; nobody else waits for it
    Open,
    Resting,  // the mixer is open, but its sink may suspend (OutputRest)
    Lost
};  // the device was removed, its server went away, or it stopped mixing

// The process's one sound output: an SDL audio device with the mixer on top. It is open while
// sounds play and typing goes on, and rests or closes when idle, so that an idle program costs the
// machine nothing; without a device it stays closed and nothing is reported to the user.
// main makes it first, before any other thread runs (it may set an environment variable), and
// hands it on; a worker thread that opens it holds a share of it. One per process: the mixer is.
class AudioOutput : public std::enable_shared_from_this<AudioOutput> {
public:
    explicit AudioOutput(AudioSettings settings = {});
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens unless open; false when no driver could open a device. May run on a worker thread while
    // the owner's thread only asks state(). Unless SDL_AUDIODRIVER says otherwise, PipeWire is used
    // natively where it runs (its PulseAudio emulation would enlarge the buffer), then PulseAudio,
    // then ALSA.
    bool open();
    // A few seconds after the last sound: rests or closes, as OutputRest says.
    void closeIdle();
    // A resting output open again at once; false when none rests, it was lost meanwhile, or an open
    // or close is under way (this never waits).
    bool resume();
    // Closes the device and unloads the driver, so that the next open chooses one afresh.
    void close();

    OutputState state() const { return state_; }
    bool isOpen() const { return state_ == OutputState::Open; }
    // Looks for news of a removed device or a stalled mix first.
    bool isLost();
    QString driverName() const;
    int frequency() const { return frequency_; }
    int channels() const { return channels_; }
    int bufferFrames() const { return bufferFrames_; }

    // Sees every mixed buffer (interleaved signed 16-bit) on the audio thread, just before it goes
    // to the device; stays set across closing and reopening. Empty function: no observer.
    using PostMixObserver = std::function<void(const int16_t* samples, int frames)>;
    void setPostMixObserver(PostMixObserver observer);

private:
    bool openDevice();
    bool resumeResting();
    void closeMixer();
    void unloadDriver();
    void closeOverdueRest();
    static void deliverPostMix(void* output, uint8_t* stream, int length);

    const AudioSettings settings_;
    const bool mixerStreamPassive_;
    std::atomic<OutputState> state_ = OutputState::Closed;
    std::unique_ptr<OutputRest> rest_;
    int frequency_ = 0;
    int channels_ = 0;
    int bufferFrames_ = 0;
    std::atomic<quint64> lastMixMs_ = 0;
    std::atomic<quint64> restingSinceMs_ = 0;
    PostMixObserver observer_;
};

}  // namespace keysound::audio
