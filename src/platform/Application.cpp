#include "platform/Application.h"

#include "platform/Dialogs.h"
#include "platform/Error.h"

namespace keysound::platform {

namespace {
constexpr int BlinkAfterInputMs = 10000;
}  // namespace

Application::Application(int& argc, char** argv, Dialogs& dialogs)
    : QApplication(argc, argv)
    , dialogs_(dialogs)
{
    cursorFlashTime_ = cursorFlashTime();
    blinkUntilIdle_.setSingleShot(true);
    blinkUntilIdle_.callOnTimeout([] { setCursorFlashTime(0); });
    blinkUntilIdle_.start(BlinkAfterInputMs);
}

void Application::noteUserInput(const QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress && type != QEvent::FocusIn &&
        type != QEvent::InputMethod)
        return;
    if (cursorFlashTime() != cursorFlashTime_)
        setCursorFlashTime(cursorFlashTime_);
    blinkUntilIdle_.start(BlinkAfterInputMs);
    if (userActivityHook_)
        userActivityHook_();
}

void Application::setUserActivityHook(std::function<void()> hook) { userActivityHook_ = std::move(hook); }

QString Application::uncaughtErrorText(const Error& error) { return errorText(error.number(), error.description()); }

bool Application::notify(QObject* receiver, QEvent* event)
{
    noteUserInput(event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        endWithError(uncaughtErrorText(error));
    } catch (const std::exception& error) {
        endWithError(errorText(ErrorNumber::EngineError, QString::fromLocal8Bit(error.what())));
    }
    return true;
}

void Application::endWithError(const QString& text)
{
    if (ending_)
        return;  // an error raised while the first one is being shown: one message is enough
    ending_ = true;
    dialogs_.messageBox(nullptr, text);
    ending_ = false;
    exit(UncaughtErrorExitCode);
}

}  // namespace keysound::platform
