#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace keysound::audio {

struct AudioSettings {
    int frequency = 44100;  // the device may choose another rate; channels and format stay fixed
    int channels = 2;
    int bufferFrames = 256;  // small, so a sound starts within a few milliseconds of its command
};

// The process's one SDL audio output with the mixer on top, opened at start and kept open.
// When no device can be opened it runs on SDL's silent "dummy" driver, so playback calls keep
// working and nothing is ever reported to the user.
class AudioOutput {
public:
    // Opens once; later calls leave the output as it is. False only when even the silent
    // driver failed, in which case every play does nothing.
    static bool open(const AudioSettings& settings = {});
    static void close();

    static bool isOpen();
    static bool isSilentFallback();
    static QString driverName();
    static int frequency();
    static int channels();
    static int bufferFrames();

    // Sees every mixed buffer (interleaved signed 16-bit) on the audio thread, just before it
    // goes to the device. Empty function: no observer.
    using PostMixObserver = std::function<void(const int16_t* samples, int frames)>;
    static void setPostMixObserver(PostMixObserver observer);
};

}  // namespace keysound::audio
