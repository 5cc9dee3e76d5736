#include "audio/SdlMixerBackend.h"

#include "platform/AppFolder.h"

#include <QFile>
#include <SDL_mixer.h>

namespace keysound::audio {

bool SdlMixerBackend::open(const AudioSettings& settings)
{
    return AudioOutput::open(settings);
}

SdlMixerBackend::~SdlMixerBackend()
{
    if (music_ != nullptr && AudioOutput::isOpen())
        Mix_FreeMusic(music_);  // halts it first when it is still playing
}

void SdlMixerBackend::play(const QString& pathText)
{
    if (!AudioOutput::isOpen())
        return;
    const QByteArray file = QFile::encodeName(platform::nativePath(pathText));
    Mix_Music* next = Mix_LoadMUS(file.constData());
    if (next == nullptr)
        return;  // unreadable or not a sound: whatever plays now goes on
    if (Mix_PlayMusic(next, 0) != 0) {
        Mix_FreeMusic(next);
        return;
    }
    replaceMusic(next, pathText);
}

void SdlMixerBackend::stop(const QString& pathText)
{
    if (music_ != nullptr && pathText == musicPath_ && Mix_PlayingMusic())
        Mix_HaltMusic();
}

QString SdlMixerBackend::playingPath() const
{
    return music_ != nullptr && Mix_PlayingMusic() ? musicPath_ : QString();
}

// Mix_PlayMusic has already taken the old music off the mixer thread under its lock, so freeing
// it here cannot pull it from under a running mix.
void SdlMixerBackend::replaceMusic(Mix_Music* next, const QString& pathText)
{
    Mix_Music* previous = music_;
    music_ = next;
    musicPath_ = pathText;
    if (previous != nullptr)
        Mix_FreeMusic(previous);
}

}  // namespace keysound::audio
