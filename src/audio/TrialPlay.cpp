#include "audio/TrialPlay.h"

#include "audio/SoundStream.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <atomic>
#include <cstdlib>
#include <optional>

namespace keysound::audio {

namespace {

constexpr int trialBufferFrames = 2048;
constexpr int soundThreshold = 32768 / 100;

// What the mixer's thread sees of the trial; the finished hook takes no argument, hence one object.
struct Observation {
    std::atomic<bool> musicEnded = false;
    bool musicStarted = false;  // from here on, only the mixer's thread touches the rest
    bool tooLong = false;
    qint64 frames = 0;
    qint64 maxFrames = 0;
    int peak = 0;
    qint64 firstSoundFrame = -1;
    int channels = 2;
    SDL_sem* ended = nullptr;
};
Observation* observation = nullptr;

void onMusicFinished()
{
    observation->musicEnded = true;
    SDL_SemPost(observation->ended);
}

// The music starts at the beginning of a mix; the mixes before it are silence.
void observeMix(void*, Uint8* stream, int bytes)
{
    Observation& o = *observation;
    if (!o.musicStarted)
        o.musicStarted = o.musicEnded || Mix_PlayingMusic();
    if (!o.musicStarted || o.tooLong)
        return;
    const auto* samples = reinterpret_cast<const Sint16*>(stream);
    const int count = bytes / int(sizeof(Sint16));
    for (int i = 0; i < count; ++i) {
        const int level = std::abs(int(samples[i]));
        o.peak = std::max(o.peak, std::min(level, 32767));
        if (level >= soundThreshold && o.firstSoundFrame < 0)
            o.firstSoundFrame = o.frames + i / o.channels;
    }
    o.frames += count / o.channels;
    if (o.frames > o.maxFrames) {
        o.tooLong = true;
        SDL_SemPost(o.ended);
    }
}

// The mixer stays open from one trial to the next: closing an output waits for it to drain, twice
// the length of a mix, which would be most of a short sound's trial.
bool openMixer(const TrialOutput& output)
{
    static std::optional<TrialOutput> opened;
    if (opened && opened->frequency == output.frequency && opened->channels == output.channels)
        return true;
    if (opened)
        Mix_CloseAudio();
    opened.reset();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 ||
        Mix_OpenAudioDevice(output.frequency, AUDIO_S16SYS, output.channels, trialBufferFrames, nullptr, 0) != 0)
        return false;
    opened = output;
    return true;
}

}  // namespace

void useSilentFastOutput()
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
}

TrialResult playThrough(std::shared_ptr<const SoundBytes> file, const SoundLayout& layout, const TrialOutput& output)
{
    TrialResult result;
    if (!openMixer(output)) {
        result.refusal = QString::fromUtf8(SDL_GetError());
        return result;
    }
    int frequency = 0;
    Uint16 format = 0;
    Observation seen;
    Mix_QuerySpec(&frequency, &format, &seen.channels);
    seen.maxFrames = qint64(maxTrialSeconds) * frequency;
    seen.ended = SDL_CreateSemaphore(0);
    observation = &seen;
    Mix_SetPostMix(observeMix, nullptr);
    Mix_HookMusicFinished(onMusicFinished);

    Mix_Music* music = loadMusic(std::move(file), layout);
    result.loaded = music != nullptr;
    if (!music)
        result.refusal = QString::fromUtf8(Mix_GetError());
    else if (Mix_PlayMusic(music, 0) == 0)
        SDL_SemWait(seen.ended);
    Mix_HookMusicFinished(nullptr);
    if (music)
        Mix_FreeMusic(music);
    Mix_SetPostMix(nullptr, nullptr);
    SDL_DestroySemaphore(seen.ended);
    observation = nullptr;

    result.finished = seen.musicEnded && !seen.tooLong;
    result.frames = seen.frames;
    result.peak = seen.peak;
    result.firstSoundFrame = seen.firstSoundFrame;
    result.frequency = frequency;
    return result;
}

}  // namespace keysound::audio
