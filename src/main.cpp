// keysound: the typing-sound program. Reads its command line and decides where its table lives,
// opens the audio output once, then shows the main window.
#include "ProgramText.h"
#include "audio/MediaCommandService.h"
#include "audio/SoundDecoder.h"
#include "audio/SoundOutput.h"
#include "audio/SoundPlayer.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Language.h"
#include "platform/Startup.h"
#include "player/Form1.h"
#include "player/TableSounds.h"
#include "store/Statements.h"
#include "store/legacy/LegacyImport.h"

#include <QIcon>
#include <QPointer>
#include <QProgressDialog>

namespace {

// Shows an automatic import of a legacy db1.mdb. Reading the file runs in a process of its own;
// meanwhile keysound keeps repainting, shows the busy cursor, and after a second a progress window.
// The one message comes once the key or load that started it has finished, so the key still
// sounds at once.
class LegacyImportDisplay : public keysound::store::LegacyImportObserver {
public:
    explicit LegacyImportDisplay(keysound::platform::Dialogs& dialogs)
        : dialogs_(dialogs)
    {}

    void importActivity(const keysound::store::LegacyImportActivity& activity) override
    {
        using keysound::store::LegacyImportPhase;
        if (activity.phase == LegacyImportPhase::Started) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else if (activity.phase == LegacyImportPhase::Finished) {
            delete dialog_;
            QApplication::restoreOverrideCursor();
        } else {
            if (!dialog_ && activity.elapsedMs >= 1000)
                showProgress(activity.databasePath);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    void imported(const keysound::store::LegacyImportReport& report) override
    {
        const QString message = keysound::store::legacyImportMessage(report);
        QMetaObject::invokeMethod(
            qApp, [this, message] { dialogs_.messageBox(nullptr, message); }, Qt::QueuedConnection);
    }

private:
    void showProgress(const QString& databasePath)
    {
        const QString text = keysound::ProgramText::tr("Converting the old database %1…");
        dialog_ = new QProgressDialog(text.arg(databasePath), QString(), 0, 0);
        dialog_->setWindowTitle(QApplication::applicationName());  // as the message boxes
        dialog_->setCancelButton(nullptr);
        dialog_->setMinimumDuration(0);
        dialog_->show();
    }
    keysound::platform::Dialogs& dialogs_;
    QPointer<QProgressDialog> dialog_;
};

}  // namespace

int main(int argc, char** argv)
{
    // First, before any thread starts: it may set an environment variable.
    keysound::audio::SoundOutput::prepareEnvironment();
    keysound::platform::QtDialogs dialogs;
    keysound::platform::Application app(argc, argv, dialogs);
    keysound::platform::installTranslations(keysound::platform::messageLanguage());
    QApplication::setApplicationName(QStringLiteral("keysound"));
    QApplication::setApplicationVersion(QStringLiteral(KEYSOUND_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.keysound.keysound"));
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/keysound-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    if (const std::optional<int> status = keysound::platform::prepareRun(QApplication::arguments(), dialogs))
        return *status;

    LegacyImportDisplay legacyImportDisplay(dialogs);

    keysound::store::prepareKeyLookup();
    keysound::audio::SoundOutput soundOutput;
    keysound::audio::SoundDecoder soundDecoder;
    keysound::audio::SoundPlayer playback(soundOutput, soundDecoder);
    // The output opens at once and again at each sign of typing after it closed when idle: a word
    // typed with an input method or in word mode sounds at once, as does a key after a click.
    playback.warmUp();
    app.setUserActivityHook([&playback] { playback.warmUp(); });
    keysound::audio::MediaCommandService mediaCommands(playback);

    keysound::player::Form1 mainWindow(mediaCommands, dialogs, &legacyImportDisplay);
    // The table's sounds are decoded once the window shows, and again whenever the table may have
    // changed, so that each key finds its sound ready.
    QObject::connect(&mainWindow, &keysound::player::Form1::soundsMayHaveChanged, &mainWindow,
                     [&playback] { playback.decodeAhead(keysound::player::tableSoundPaths()); });
    mainWindow.show();
    QMetaObject::invokeMethod(&mainWindow, &keysound::player::Form1::soundsMayHaveChanged, Qt::QueuedConnection);
    const int status = QApplication::exec();
    app.setUserActivityHook({});
    return status;
}
