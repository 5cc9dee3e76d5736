#include "speech/SoundShaping.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace keysound::speech {

namespace {

constexpr double FullScale = 32767.0;

// Quiet enough for espeak-ng's breath noise to count as silence, loud enough for a soft "h".
constexpr double OnsetLevel = 0.01;
constexpr double TailLevel = 0.005;
constexpr double PeakLevel = 0.891;  // -1 dBFS
constexpr int FadeInMilliseconds = 2;
constexpr int FadeOutMilliseconds = 5;

bool reaches(int16_t sample, double level) { return std::abs(int(sample)) >= level * FullScale; }

}  // namespace

Samples trimSilence(std::span<const int16_t> samples, double startLevel, double endLevel)
{
    const auto first = std::find_if(samples.begin(), samples.end(), [=](int16_t s) { return reaches(s, startLevel); });
    if (first == samples.end())
        return {};
    const auto last = std::find_if(samples.rbegin(), std::make_reverse_iterator(first),
                                   [=](int16_t s) { return reaches(s, endLevel); });
    return Samples(first, last.base());
}

void fadeEdges(std::span<int16_t> samples, int fadeInFrames, int fadeOutFrames)
{
    const int size = int(samples.size());
    const int in = std::min(fadeInFrames, size);
    for (int i = 0; i < in; ++i)
        samples[i] = int16_t(std::lround(samples[i] * double(i) / in));
    const int out = std::min(fadeOutFrames, size);
    for (int i = 0; i < out; ++i)
        samples[size - 1 - i] = int16_t(std::lround(samples[size - 1 - i] * double(i) / out));
}

void normalisePeak(std::span<int16_t> samples, double PeakLevel)
{
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(int(s)));
    if (peak == 0)
        return;
    const double gain = PeakLevel * FullScale / peak;
    for (int16_t& s : samples)
        s = int16_t(std::clamp(std::lround(s * gain), -32768L, 32767L));
}

Samples shapeKeySound(std::span<const int16_t> samples, int sampleRate)
{
    Samples shaped = trimSilence(samples, OnsetLevel, TailLevel);
    normalisePeak(shaped, PeakLevel);
    fadeEdges(shaped, sampleRate * FadeInMilliseconds / 1000, sampleRate * FadeOutMilliseconds / 1000);
    return shaped;
}

}  // namespace keysound::speech
