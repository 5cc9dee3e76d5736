#include "platform/Application.h"

#include "platform/Dialogs.h"
#include "platform/Error.h"

namespace keysound::platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

QString Application::uncaughtErrorText(const Error& error)
{
    return QStringLiteral("Error %1: %2").arg(error.number()).arg(error.description());
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        endWithError(uncaughtErrorText(error));
    } catch (const std::exception& error) {
        endWithError(QStringLiteral("Error %1: %2").arg(ErrorNumber::EngineError).arg(QString::fromLocal8Bit(error.what())));
    }
    return true;
}

void Application::endWithError(const QString& text)
{
    if (ending_)
        return;  // an error raised while the first one is being shown: one message is enough
    ending_ = true;
    messageBox(nullptr, text);
    ending_ = false;
    exit(UncaughtErrorExitCode);
}

}  // namespace keysound::platform
