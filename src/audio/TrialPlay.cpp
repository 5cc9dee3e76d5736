#include "audio/TrialPlay.h"

#include "audio/SoundCheckProtocol.h"
#include "audio/SoundStream.h"
#include "audio/TrialDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdlib>
#include <optional>
#include <vector>

namespace keysound::audio {

namespace {

constexpr int TrialBufferFrames = 4096;  // the stand-in device costs nothing per buffer; fewer calls
constexpr int SoundThreshold = 32768 / 100;

// What a trial's mixed buffers held.
struct Listener {
    int channels = 2;
    qint64 frames = 0;
    int peak = 0;
    qint64 firstSoundFrame = -1;

    void hear(const Sint16* samples, int count)
    {
        for (int i = 0; i < count; ++i) {
            const int level = std::min(std::abs(int(samples[i])), 32767);
            peak = std::max(peak, level);
            if (level >= SoundThreshold && firstSoundFrame < 0)
                firstSoundFrame = frames + i / channels;
        }
        frames += count / channels;
    }
};

// The output stays open from one trial to the next, for the fuzzing harness's many.
bool openMixer(const TrialOutput& output)
{
    static std::optional<TrialOutput> opened;
    if (opened && opened->frequency == output.frequency && opened->channels == output.channels)
        return true;
    if (opened)
        Mix_CloseAudio();
    opened.reset();
    if (Mix_OpenAudioDevice(output.frequency, AUDIO_S16SYS, output.channels, TrialBufferFrames, nullptr, 0) != 0)
        return false;
    opened = output;
    return true;
}

}  // namespace

void prepareTrials()
{
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");  // the mixer opens the stand-in device, never this one
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
}

TrialResult playThrough(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout, const TrialOutput& output)
{
    TrialResult result;
    if (!openMixer(output)) {
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
    const SDL_AudioSpec& spec = trialdevice::spec();
    std::vector<Uint8> buffer(spec.size);
    Listener listener{spec.channels};
    const qint64 maxFrames = qint64(checkprotocol::MaxTrialSeconds) * spec.freq;
    while (Mix_PlayingMusic() && listener.frames <= maxFrames) {
        trialdevice::mix(buffer.data());
        listener.hear(reinterpret_cast<const Sint16*>(buffer.data()), int(spec.size / sizeof(Sint16)));
    }
    result.finished = !Mix_PlayingMusic();
    Mix_FreeMusic(music);
    result.frames = listener.frames;
    result.peak = listener.peak;
    result.firstSoundFrame = listener.firstSoundFrame;
    result.frequency = spec.freq;
    return result;
}

}  // namespace keysound::audio
