// The bare reference: a Qt line edit that plays one file through SDL2_mixer at every key, with
// the same 256-frame buffer and nothing else (no database, no idle closing).
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <SDL.h>
#include <SDL_mixer.h>

namespace {
class KeyBox : public QLineEdit {
public:
    explicit KeyBox(QByteArray file)
        : file_(std::move(file))
    {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        Mix_HaltMusic();
        if (music_)
            Mix_FreeMusic(music_);
        music_ = Mix_LoadMUS(file_.constData());
        if (music_)
            Mix_PlayMusic(music_, 0);
        QLineEdit::keyPressEvent(event);
    }

private:
    QByteArray file_;
    Mix_Music* music_ = nullptr;
};
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2 || SDL_Init(SDL_INIT_AUDIO) != 0 ||
        Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 256, nullptr, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) != 0) {
        std::fprintf(stderr, "usage: bare_reference SOUNDFILE (with a working audio device)\n");
        return 1;
    }
    KeyBox box{QByteArray(argv[1])};
    box.setWindowTitle(QStringLiteral("bare_reference"));
    box.show();
    return QApplication::exec();
}
