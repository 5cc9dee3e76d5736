#pragma once

#include "audio/SoundBytes.h"
#include "audio/SoundChecker.h"
#include "audio/SoundLayout.h"

#include <QString>
#include <memory>

// How a sound plays through the mixer's own calls, found out by playing it: in the sound checker's
// disposable children and in the fuzzing harness, with the mixer on a stand-in device
// (TrialDevice.h) that mixes as fast as the decoders go. Never in the program itself: it runs
// decoders on bytes nobody has vouched for.
namespace keysound::audio {

struct TrialResult {
    bool loaded = false;          // the decoder took the file
    bool finished = false;        // it played to its end within MaxTrialSeconds of audio
    QString refusal;              // the decoder's reason when it did not take the file
    qint64 frames = 0;            // output frames from the start of the sound to its end (to a buffer)
    int peak = 0;                 // the loudest sample, 0..32767
    qint64 firstSoundFrame = -1;  // the first frame at least a hundredth of full scale, -1 for none
    int frequency = 0;            // of the frames above
};

// Loads the decoders ahead of the first trial; call once, first thing.
void prepareTrials();

// Plays a sound from its start to its end as a key would start it (loadMusic, Mix_PlayMusic, the
// mixer's own mixing), and reports what came out.
TrialResult playThrough(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout, const TrialOutput& output);

}  // namespace keysound::audio
