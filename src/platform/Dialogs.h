#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QFileDialog;
class QWidget;

namespace keysound::platform {

// Message box, beep and file-open dialog, each behind a seam that tests can answer.
// The default handlers use the real Qt dialogs.

// Shows text with one OK button and the application's own title; returns when closed.
void messageBox(QWidget* parent, const QString& text);
void beep();
// Shows a file-open dialog with a filter in the "(*.mp3)|*.mp3|(*.*)|*.*" form, starting on its
// first entry. Returns the picked file's full path text, or "" when nothing was picked.
QString getOpenFileName(QWidget* parent, const QString& filter);

using MessageBoxHandler = std::function<void(QWidget* parent, const QString& text)>;
using BeepHandler = std::function<void()>;
using OpenFileHandler = std::function<QString(QWidget* parent, const QString& filter)>;
// Each setter returns the handler it replaced; an empty handler restores the default.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);
BeepHandler setBeepHandler(BeepHandler handler);
OpenFileHandler setOpenFileHandler(OpenFileHandler handler);

// "(*.mp3)|*.mp3|(*.*)|*.*" -> {"(*.mp3) (*.mp3)", "(*.*) (*)"} for QFileDialog.
QStringList toQtNameFilters(const QString& filter);
// A file-open dialog that offers the filter's entries by their names alone, on the first one.
void prepareOpenDialog(QFileDialog& dialog, const QString& filter);

// Sets a window's caption so that the desktop shows exactly that text: the toolkit would append
// a non-empty application display name to every window title.
void setExactCaption(QWidget* window, const QString& caption);

}  // namespace keysound::platform
