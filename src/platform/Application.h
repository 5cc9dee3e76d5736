#pragma once

#include <QApplication>

namespace keysound {
class Error;
}

namespace keysound::platform {

// The program's QApplication. An error that no handler catches reaches notify(): it is shown
// with its number and description and the program ends with a non-zero status.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    static constexpr int UncaughtErrorExitCode = 3;

    // Loads Qt's own translations for the locale; false when the system has none for it.
    static bool installQtTranslations(const QLocale& locale);

    // The text shown for an uncaught error: its number and its description.
    static QString uncaughtErrorText(const Error& error);

private:
    void endWithError(const QString& text);
    bool ending_ = false;
};

}  // namespace keysound::platform
