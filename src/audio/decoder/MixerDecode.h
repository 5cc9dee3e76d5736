#pragma once

#include "audio/SoundBytes.h"
#include "audio/SoundLayout.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// Decodes a sound through the mixer's own calls, as keysound has always played it (the mixer's
// decoders, its resampling, its music stream), onto a stand-in device (StandInDevice.h) that mixes
// as fast as the decoders go. Only in the sandboxed decoder process and the fuzzing harness: it runs
// decoders on bytes nobody has vouched for.
namespace keysound::audio {

struct DecodeResult {
    bool loaded = false;          // the decoder took the file
    bool finished = false;        // it played to its end within the frames allowed
    bool sinkStopped = false;     // the sink would take no more
    QString refusal;              // the decoder's reason when it did not take the file
    qint64 frames = 0;            // from the start of the sound to its end
    int peak = 0;                 // the loudest sample, 0..32767
    qint64 firstSoundFrame = -1;  // the first frame at least a hundredth of full scale, -1 for none
};

// Takes the decoded frames in order (interleaved, decodeprotocol's format); false: stop decoding.
using PcmSink = std::function<bool(const int16_t* samples, qint64 frames)>;

// Loads the decoders; call once, first thing, before the sandbox closes.
void prepareDecoding();

// Decodes the sound from its start to its end (at most maxFrames), handing every frame to the sink.
DecodeResult decodeThrough(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout, qint64 maxFrames,
                           const PcmSink& sink);

}  // namespace keysound::audio
