// keysound: the typing-sound program. Opens the audio output once, then shows the main window.
#include "audio/MediaCommandService.h"
#include "audio/SdlMixerBackend.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "player/Form1.h"
#include "store/LegacyImport.h"
#include "store/Statements.h"

#include <QIcon>

int main(int argc, char** argv)
{
    keysound::platform::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("keysound"));
    QApplication::setApplicationDisplayName(QStringLiteral("keysound"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.keysound.keysound"));
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/keysound-%1.png").arg(size));
    QApplication::setWindowIcon(icon);

    // A legacy db1.mdb is imported inside the first lookup or editor load; the user hears about it
    // once that key or load has finished, so the key still sounds at once.
    keysound::store::setLegacyImportNotifier([](const keysound::store::LegacyImportReport& report) {
        const QString message = keysound::store::legacyImportMessage(report);
        QMetaObject::invokeMethod(qApp, [message] { keysound::platform::messageBox(nullptr, message); }, Qt::QueuedConnection);
    });

    keysound::store::prepareKeyLookup();
    keysound::audio::SdlMixerBackend playback;
    playback.warmUp();  // the first key then sounds as fast as the others
    keysound::audio::MediaCommandService mediaCommands(playback);

    keysound::player::Form1 mainWindow(mediaCommands);
    mainWindow.show();
    return QApplication::exec();
}
