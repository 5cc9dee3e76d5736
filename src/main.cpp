// keysound: the typing-sound program. Reads its command line and decides where its table lives,
// opens the audio output once, then shows the main window.
#include "audio/AudioOutput.h"
#include "audio/MediaCommandService.h"
#include "audio/SdlMixerBackend.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Language.h"
#include "platform/Startup.h"
#include "player/Form1.h"
#include "store/Statements.h"
#include "store/legacy/LegacyImport.h"

#include <QIcon>
#include <QPointer>
#include <QProgressDialog>

namespace {

// Reading a legacy file runs in a process of its own; while keysound waits it keeps repainting,
// shows the busy cursor, and after a second a progress dialog, so the user sees it is working.
void showLegacyImportActivity(const keysound::store::LegacyImportActivity& activity)
{
    using keysound::store::LegacyImportPhase;
    static QPointer<QProgressDialog> dialog;
    if (activity.phase == LegacyImportPhase::Started) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (activity.phase == LegacyImportPhase::Finished) {
        delete dialog;
        QApplication::restoreOverrideCursor();
    } else {
        if (!dialog && activity.elapsedMs >= 1000) {
            const QString text = QCoreApplication::translate("keysound", "Converting the old database %1…");
            dialog = new QProgressDialog(text.arg(activity.databasePath), QString(), 0, 0);
            dialog->setWindowTitle(QApplication::applicationName());  // as the message boxes
            dialog->setCancelButton(nullptr);
            dialog->setMinimumDuration(0);
            dialog->show();
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // First, before any thread starts: it may set an environment variable.
    const auto audioOutput = std::make_shared<keysound::audio::AudioOutput>();
    keysound::platform::Application app(argc, argv);
    keysound::platform::installTranslations(keysound::platform::messageLanguage());
    QApplication::setApplicationName(QStringLiteral("keysound"));
    QApplication::setApplicationVersion(QStringLiteral(KEYSOUND_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.keysound.keysound"));
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/keysound-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    if (const std::optional<int> status = keysound::platform::prepareRun(QApplication::arguments()))
        return *status;

    // A legacy db1.mdb is imported inside the first lookup or editor load; the user hears about it
    // once that key or load has finished, so the key still sounds at once.
    keysound::store::setLegacyImportNotifier([](const keysound::store::LegacyImportReport& report) {
        const QString message = keysound::store::legacyImportMessage(report);
        QMetaObject::invokeMethod(
            qApp, [message] { keysound::platform::messageBox(nullptr, message); }, Qt::QueuedConnection);
    });

    keysound::store::setLegacyImportActivityHook(showLegacyImportActivity);

    keysound::store::prepareKeyLookup();
    keysound::audio::SoundChecker soundChecker;
    keysound::audio::SdlMixerBackend playback(audioOutput, soundChecker);
    // The output opens at once and again at each sign of typing after it closed when idle: a word
    // typed with an input method or in word mode sounds at once, as does a key after a click.
    playback.warmUp();
    app.setUserActivityHook([&playback] { playback.warmUp(); });
    keysound::audio::MediaCommandService mediaCommands(playback);

    keysound::player::Form1 mainWindow(mediaCommands);
    mainWindow.show();
    const int status = QApplication::exec();
    app.setUserActivityHook({});
    return status;
}
