#include "PlayerDecode.h"

#include <QElapsedTimer>
#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace {

// Filled on the mixer's thread; read once `ended` is set.
struct Recording {
    std::vector<int16_t> samples;
    bool started = false;
    std::atomic<bool> ended = false;
};

// Runs after each buffer is mixed, with the mixer locked, so whether music plays is what this
// buffer got: it is recorded from the first buffer with music to the one in which it ended.
void SDLCALL record(void* data, Uint8* stream, int length)
{
    auto* recording = static_cast<Recording*>(data);
    const bool playing = Mix_PlayingMusic();
    if (recording->ended || !(playing || recording->started))
        return;
    recording->started = true;
    const auto* samples = reinterpret_cast<const int16_t*>(stream);
    recording->samples.insert(recording->samples.end(), samples, samples + length / int(sizeof(int16_t)));
    recording->ended = !playing;
}

bool waitUntilEnded(const Recording& recording)
{
    QElapsedTimer timer;
    timer.start();
    while (!recording.ended && timer.elapsed() < 10000)
        SDL_Delay(5);
    return recording.ended;
}

std::optional<PlayedSound> playOnOpenMixer(const QByteArray& mp3)
{
    PlayedSound sound;
    Uint16 format = 0;
    Mix_QuerySpec(&sound.rate, &format, &sound.channels);
    Mix_Music* music = Mix_LoadMUSType_RW(SDL_RWFromConstMem(mp3.constData(), int(mp3.size())), MUS_MP3, 1);
    Recording recording;
    Mix_SetPostMix(record, &recording);
    const bool played = music != nullptr && Mix_PlayMusic(music, 0) == 0 && waitUntilEnded(recording);
    Mix_SetPostMix(nullptr, nullptr);
    Mix_FreeMusic(music);
    if (!played)
        return std::nullopt;
    sound.samples = std::move(recording.samples);
    return sound;
}

}  // namespace

int PlayedSound::peak() const
{
    int loudest = 0;
    for (int16_t s : samples)
        loudest = std::max(loudest, std::abs(int(s)));
    return loudest;
}

std::optional<double> PlayedSound::onsetMilliseconds(int level) const
{
    const auto loud = [level](int16_t s) { return std::abs(int(s)) >= level; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    if (first == samples.end())
        return std::nullopt;
    return double(first - samples.begin()) / channels * 1000.0 / rate;
}

std::optional<PlayedSound> playThroughMixer(const QByteArray& mp3, const QString& deviceFile)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", deviceFile.toUtf8());
    qputenv("SDL_DISKAUDIODELAY", "0");  // no need to wait as a real device would
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return std::nullopt;
    Mix_Init(MIX_INIT_MP3);
    std::optional<PlayedSound> sound;
    // The player's own output format: 44.1 kHz stereo, 256-frame buffers.
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 256) == 0) {
        sound = playOnOpenMixer(mp3);
        Mix_CloseAudio();
    }
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return sound;
}
