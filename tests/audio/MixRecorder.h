#pragma once

#include "audio/AudioOutput.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

// Keeps the peak level of every buffer the mixer hands to the device, in order. Buffers are
// counted so a test can ask about exactly those mixed after some moment.
class MixRecorder {
public:
    MixRecorder()
    {
        keysound::audio::AudioOutput::setPostMixObserver(
            [this](const int16_t* samples, int frames) { record(samples, frames); });
    }
    ~MixRecorder() { keysound::audio::AudioOutput::setPostMixObserver({}); }
    MixRecorder(const MixRecorder&) = delete;
    MixRecorder& operator=(const MixRecorder&) = delete;

    int bufferCount() const
    {
        std::lock_guard lock(mutex_);
        return int(peaks_.size());
    }

    // Loudest sample of the buffers from index `first` on; -1 when none has been mixed yet.
    int peakSince(int first) const
    {
        std::lock_guard lock(mutex_);
        if (first >= int(peaks_.size()))
            return -1;
        return *std::max_element(peaks_.begin() + first, peaks_.end());
    }

private:
    void record(const int16_t* samples, int frames)
    {
        const int count = frames * keysound::audio::AudioOutput::channels();
        int peak = 0;
        for (int i = 0; i < count; ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        std::lock_guard lock(mutex_);
        peaks_.push_back(peak);
    }

    mutable std::mutex mutex_;
    std::vector<int> peaks_;
};
