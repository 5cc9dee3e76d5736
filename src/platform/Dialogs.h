#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace keysound::platform {

// Message box, beep and file-open dialog. The program makes one QtDialogs where it is assembled
// and hands it to whatever shows a dialog; tests hand a scripted one instead.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows text with one OK button and the application's own title; returns when closed.
    virtual void messageBox(QWidget* parent, const QString& text) = 0;
    virtual void beep() = 0;
    // Shows a file-open dialog with a filter in the "(*.mp3)|*.mp3|(*.*)|*.*" form, starting on its
    // first entry. Returns the picked file's full path text, or "" when nothing was picked.
    virtual QString getOpenFileName(QWidget* parent, const QString& filter) = 0;
};

// The toolkit's own dialogs.
class QtDialogs final : public Dialogs {
public:
    void messageBox(QWidget* parent, const QString& text) override;
    void beep() override;
    QString getOpenFileName(QWidget* parent, const QString& filter) override;
};

// "(*.mp3)|*.mp3|(*.*)|*.*" -> {"(*.mp3) (*.mp3)", "(*.*) (*)"} for QFileDialog.
QStringList toQtNameFilters(const QString& filter);
// A file-open dialog that offers the filter's entries by their names alone, on the first one.
void prepareOpenDialog(QFileDialog& dialog, const QString& filter);

// Sets a window's caption so that the desktop shows exactly that text: the toolkit would append
// a non-empty application display name to every window title.
void setExactCaption(QWidget* window, const QString& caption);

}  // namespace keysound::platform
