#pragma once

#include "audio/SoundBytes.h"
#include "audio/SoundLayout.h"

#include <QString>
#include <memory>

namespace keysound::audio {

// The output a trial plays on: the mixer's format as a key would find it.
struct TrialOutput {
    int frequency = 44100;
    int channels = 2;
};

struct TrialResult {
    bool loaded = false;    // the decoder took the file
    bool finished = false;  // it played to its end within maxTrialSeconds of audio
    QString refusal;        // the decoder's reason when it did not take the file
    qint64 frames = 0;      // output frames from the start of the sound to its end (rounded up to a mix)
    int peak = 0;           // the loudest sample, 0..32767
    qint64 firstSoundFrame = -1;  // the first frame at least a hundredth of full scale, -1 for none
    int frequency = 0;            // of the frames above

    bool decodedSound() const { return loaded && finished && frames > 0; }
};

// A sound whose check would take longer than this is not one a key can wait for.
inline constexpr int maxTrialSeconds = 30 * 60;

// Directs SDL to a silent output that runs as fast as the mixer fills it, and loads the audio
// subsystem and the decoders without starting a thread: a process forked afterwards starts its
// trial at once. Call once, before anything else in the process uses SDL audio.
void useSilentFastOutput();

// Plays a sound from its start to its end through the very calls a key makes (loadMusic,
// Mix_PlayMusic, the mixer's own mixing), on the silent fast output, and reports what came out.
// For the checking process and the fuzzing harness: it runs decoders on bytes nobody has vouched for.
TrialResult playThrough(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout, const TrialOutput& output);

}  // namespace keysound::audio
