#include "SoundFileProbe.h"

#include <QFile>
#include <QFileInfo>
#include <SDL.h>
#include <SDL_mixer.h>

namespace keysound::tools {

namespace {

// The decoders need an open output; the dummy one plays nothing and needs no device.
class SilentMixer {
public:
    SilentMixer()
    {
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        open_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
        open_ = open_ && Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) == 0;
    }
    ~SilentMixer()
    {
        if (open_)
            Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    bool isOpen() const { return open_; }

private:
    bool open_ = false;
};

bool decodesToSound(const QString& nativePath)
{
    static const SilentMixer mixer;
    if (!mixer.isOpen())
        return false;
    Mix_Chunk* chunk = Mix_LoadWAV(QFile::encodeName(nativePath).constData());
    const bool hasSamples = chunk && chunk->alen > 0;
    Mix_FreeChunk(chunk);
    return hasSamples;
}

}  // namespace

SoundFileStatus probeSoundFile(const QString& nativePath)
{
    const QFileInfo info(nativePath);
    if (!info.exists())
        return SoundFileStatus::Missing;
    if (!info.isFile())
        return SoundFileStatus::NotAFile;
    if (info.size() == 0)
        return SoundFileStatus::Empty;
    return decodesToSound(nativePath) ? SoundFileStatus::Playable : SoundFileStatus::NotAudio;
}

QString describe(SoundFileStatus status)
{
    switch (status) {
    case SoundFileStatus::Playable: return QStringLiteral("playable");
    case SoundFileStatus::Missing: return QStringLiteral("does not exist");
    case SoundFileStatus::NotAFile: return QStringLiteral("is not a file");
    case SoundFileStatus::Empty: return QStringLiteral("is empty");
    case SoundFileStatus::NotAudio: return QStringLiteral("cannot be decoded as a sound (MP3, WAV, Ogg or FLAC)");
    }
    return QString();
}

}  // namespace keysound::tools
