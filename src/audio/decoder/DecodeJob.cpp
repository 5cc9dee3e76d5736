#include "DecodeJob.h"

#include "MixerDecode.h"
#include "audio/SoundLayout.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <cstring>

namespace keysound::audio {

namespace protocol = decodeprotocol;

bool writeAll(int fd, const char* bytes, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, bytes, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        length -= size_t(n);
    }
    return true;
}

protocol::Reply decodeJob(const protocol::Request& request, std::shared_ptr<const SoundBytes> sound,
                          const PcmWriter& write)
{
    protocol::Reply reply;
    reply.id = request.id;
    const std::optional<SoundLayout> layout = sound ? readSoundLayout(*sound) : std::nullopt;
    if (!layout)
        return reply;
    const bool streaming = request.mode == protocol::Mode::Stream;
    const qint64 keep = streaming ? protocol::MaxFrames : std::clamp<qint64>(request.keepFrames, 0, protocol::MaxFrames);
    qint64 kept = 0;
    const DecodeResult result =
        decodeThrough(std::move(sound), *layout, protocol::MaxFrames, [&](const int16_t* samples, qint64 frames) {
            const qint64 taken = std::min(frames, keep - kept);
            if (taken <= 0)
                return !streaming && request.countToEnd;  // past what is kept, a sound is only counted
            kept += taken;
            return write(reinterpret_cast<const char*>(samples), size_t(taken) * protocol::BytesPerFrame);
        });
    if (!result.loaded || (result.finished && result.frames == 0))
        reply.outcome = protocol::Outcome::Refused;
    else if (!result.finished && result.sinkStopped && !streaming && kept == keep)
        reply.outcome = protocol::Outcome::LongerThanKept;
    else
        reply.outcome = result.finished ? protocol::Outcome::Decoded : protocol::Outcome::TooLong;
    reply.frames = result.frames;
    reply.keptFrames = kept;
    reply.peak = result.peak;
    reply.firstSoundFrame = result.firstSoundFrame;
    const QByteArray refusal = result.refusal.toUtf8().left(sizeof reply.refusal - 1);
    std::memcpy(reply.refusal, refusal.constData(), size_t(refusal.size()));
    return reply;
}

}  // namespace keysound::audio
