#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace keysound::audio {

struct AudioSettings {
    int frequency = 44100;  // the device may choose another rate; channels and format stay fixed
    int channels = 2;
    int bufferFrames = 256;  // small, so a sound starts within a few milliseconds; at most 128 on PipeWire
    // A resting output is mixed all the same while another program's sound runs its sink, at our
    // small period for the whole graph: once it has rested this long, such a mix closes it.
    int restWhileOthersPlayMs = 60000;
};

// The process's one SDL audio output with the mixer on top. It is opened when sounds are due and
// closed when they are not (on PipeWire it rests instead), so that an idle program costs the
// machine nothing. Without a device it simply stays closed; nothing is ever reported to the user.
class AudioOutput {
public:
    // Call first in main, before any other thread runs (it sets an environment variable): lets the
    // output rest instead of closing when idle on PipeWire, so the first key after idle sounds
    // as quickly as the others. Without it the output closes when idle everywhere.
    static void prepareProcess();
    // Opens once; later calls leave an open output as it is. May run on a worker thread while
    // the owner's thread only asks isOpen(). False when no driver could open a
    // device. Unless SDL_AUDIODRIVER says otherwise, PipeWire is used natively where it runs
    // (its PulseAudio emulation would enlarge the buffer), then PulseAudio, then ALSA.
    static bool open(const AudioSettings& settings = {});
    // Closes the device, so that the sound server can suspend its sink, but keeps the driver
    // loaded (its threads only wait for device news): the next open takes a few milliseconds.
    // On PipeWire the device only rests: the sink can suspend all the same, and resume() brings it
    // back at once.
    static void closeDevice();
    // True when a resting output is open again; false when there is none, it was lost meanwhile, or
    // an open or close is under way (this never waits for one).
    static bool resume();
    // Closes the device and unloads the driver, so that the next open chooses one afresh.
    static void close();

    static bool isOpen();
    // The device was removed, its server went away, or it has stopped asking for sound.
    static bool isLost();
    static QString driverName();
    static int frequency();
    static int channels();
    static int bufferFrames();

    // Sees every mixed buffer (interleaved signed 16-bit) on the audio thread, just before it
    // goes to the device; stays set across closing and reopening. Empty function: no observer.
    using PostMixObserver = std::function<void(const int16_t* samples, int frames)>;
    static void setPostMixObserver(PostMixObserver observer);
};

}  // namespace keysound::audio
