#include "SpriteSlices.h"

#include <algorithm>

namespace keysound::keyboardpack {

namespace {
qint64 frameAt(qint64 milliseconds) { return milliseconds * PcmFrequency / 1000; }
}  // namespace

FrameSpan framesOf(const Slice& slice, qint64 frameCount)
{
    const qint64 end = frameAt(slice.startMs + slice.lengthMs);
    return {.first = std::min(frameAt(slice.startMs), frameCount),
            .end = std::min(end, frameCount),
            .cut = end > frameCount};
}

std::span<const int16_t> samplesOf(std::span<const int16_t> pcm, const FrameSpan& frames)
{
    if (frames.isEmpty())
        return {};
    return pcm.subspan(size_t(frames.first * PcmChannels), size_t((frames.end - frames.first) * PcmChannels));
}

}  // namespace keysound::keyboardpack
