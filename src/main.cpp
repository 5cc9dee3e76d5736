// keysound: the typing-sound program. Opens the audio output once, then shows the main window.
#include "audio/MediaCommandService.h"
#include "audio/SdlMixerBackend.h"
#include "platform/Application.h"
#include "player/Form1.h"

int main(int argc, char** argv)
{
    keysound::platform::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("keysound"));
    QApplication::setApplicationDisplayName(QStringLiteral("keysound"));
    QGuiApplication::setDesktopFileName(QStringLiteral("keysound"));

    // Opened before the first key so that the first key sounds as fast as the others.
    keysound::audio::SdlMixerBackend::open();
    keysound::audio::SdlMixerBackend playback;
    keysound::audio::MediaCommandService mediaCommands(playback);

    keysound::player::Form1 mainWindow(mediaCommands);
    mainWindow.show();
    return QApplication::exec();
}
