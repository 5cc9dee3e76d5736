#include "MixerDecode.h"

#include "SoundStream.h"
#include "StandInDevice.h"
#include "audio/DecodeProtocol.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace keysound::audio {

namespace {

namespace protocol = decodeprotocol;

constexpr int MixBufferFrames = 4096;  // the stand-in device costs nothing per buffer; fewer calls
constexpr int SoundThreshold = 32768 / 100;

// What the mixed buffers held.
struct Listener {
    qint64 frames = 0;
    int peak = 0;
    qint64 firstSoundFrame = -1;

    void hear(const Sint16* samples, qint64 frameCount)
    {
        const qint64 count = frameCount * protocol::Channels;
        for (qint64 i = 0; i < count; ++i) {
            const int level = std::min(std::abs(int(samples[i])), 32767);
            peak = std::max(peak, level);
            if (level >= SoundThreshold && firstSoundFrame < 0)
                firstSoundFrame = frames + i / protocol::Channels;
        }
        frames += frameCount;
    }
};

// The output stays open from one decode to the next, for the fuzzing harness's many.
bool openMixer()
{
    static bool opened = false;  // SDL_mixer has one output per process
    if (!opened)
        opened = Mix_OpenAudioDevice(protocol::Frequency, AUDIO_S16SYS, protocol::Channels, MixBufferFrames, nullptr,
                                     0) == 0;
    return opened;
}

// The mixer fills the rest of the buffer in which the sound ends with silence; that is no part of it.
qint64 framesBeforeTrailingSilence(const Sint16* samples, qint64 frames)
{
    while (frames > 0 && std::all_of(samples + (frames - 1) * protocol::Channels, samples + frames * protocol::Channels,
                                     [](Sint16 s) { return s == 0; }))
        --frames;
    return frames;
}

}  // namespace

void prepareDecoding()
{
    // The mixer opens the stand-in device, never a real one: whatever SDL_AUDIODRIVER says, no decoder
    // connects to a sound server (one that hangs would hold every decode).
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    openMixer();
}

DecodeResult decodeThrough(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout, qint64 maxFrames,
                           const PcmSink& sink)
{
    DecodeResult result;
    if (!openMixer()) {
        result.refusal = QString::fromUtf8(Mix_GetError());
        return result;
    }
    Mix_Music* music = loadMusic(std::move(file), layout);
    result.loaded = music != nullptr && Mix_PlayMusic(music, 0) == 0;
    if (!result.loaded) {
        result.refusal = QString::fromUtf8(Mix_GetError());
        if (music)
            Mix_FreeMusic(music);
        return result;
    }
    const SDL_AudioSpec& spec = standindevice::spec();
    const qint64 bufferFrames = spec.size / protocol::BytesPerFrame;
    std::vector<Uint8> buffer(spec.size);
    Listener listener;
    while (Mix_PlayingMusic() && listener.frames <= maxFrames && !result.sinkStopped) {
        standindevice::mix(buffer.data());
        const auto* samples = reinterpret_cast<const Sint16*>(buffer.data());
        const qint64 frames = Mix_PlayingMusic() ? bufferFrames : framesBeforeTrailingSilence(samples, bufferFrames);
        listener.hear(samples, frames);
        result.sinkStopped = !sink(samples, frames);
    }
    result.finished = !Mix_PlayingMusic();
    Mix_FreeMusic(music);
    result.frames = listener.frames;
    result.peak = listener.peak;
    result.firstSoundFrame = listener.firstSoundFrame;
    return result;
}

}  // namespace keysound::audio
