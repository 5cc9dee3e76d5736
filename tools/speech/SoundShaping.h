#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Shaping of spoken samples (16-bit mono) into a key sound: the sound starts at once, has no
// click at either end and is as loud as the others. Levels are fractions of full scale.
namespace keysound::speech {

using Samples = std::vector<int16_t>;

// The samples from the first one at startLevel or louder to the last one at endLevel or louder;
// empty when none is that loud.
Samples trimSilence(std::span<const int16_t> samples, double startLevel, double endLevel);

// Ramps the first fadeInFrames samples up from silence and the last fadeOutFrames down to it.
void fadeEdges(std::span<int16_t> samples, int fadeInFrames, int fadeOutFrames);

// Scales the samples so that the loudest one reaches PeakLevel; silence stays silence.
void normalisePeak(std::span<int16_t> samples, double PeakLevel);

// The whole shaping of a key sound: silence trimmed, normalised to -1 dBFS (an MP3's peaks
// overshoot a little, so full scale would clip), short fades against clicks.
Samples shapeKeySound(std::span<const int16_t> samples, int sampleRate);

}  // namespace keysound::speech
