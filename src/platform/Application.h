#pragma once

#include "platform/Dialogs.h"

#include <QApplication>
#include <QTimer>
#include <functional>

namespace keysound {
class Error;
}

namespace keysound::platform {

// The program's QApplication. An error that no handler catches reaches notify(): it is shown
// through dialogs with its number and description and the program ends with a non-zero status.
class Application : public QApplication {
public:
    Application(int& argc, char** argv, Dialogs& dialogs);

    bool notify(QObject* receiver, QEvent* event) override;

    static constexpr int UncaughtErrorExitCode = 3;

    // Called at each key, click, focus change or input-method text, before any window sees it:
    // the first sign that the user is typing again.
    void setUserActivityHook(std::function<void()> hook);

    // The text shown for an uncaught error: its number and its description.
    static QString uncaughtErrorText(const Error& error);

private:
    void endWithError(const QString& text);
    void noteUserInput(const QEvent* event);

    Dialogs& dialogs_;
    bool ending_ = false;
    // The text cursor stops blinking a while after the last key or click, as in other desktop
    // programs, so that an idle window does not wake the machine twice a second.
    QTimer blinkUntilIdle_;
    int cursorFlashTime_ = 0;
    std::function<void()> userActivityHook_;
};

}  // namespace keysound::platform
