#include "platform/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace keysound::platform {

namespace {
MessageBoxHandler& messageBoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}
BeepHandler& beepHandler()
{
    static BeepHandler handler;
    return handler;
}
OpenFileHandler& openFileHandler()
{
    static OpenFileHandler handler;
    return handler;
}
}  // namespace

void messageBox(QWidget* parent, const QString& text)
{
    if (messageBoxHandler()) {
        messageBoxHandler()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void beep()
{
    if (beepHandler())
        beepHandler()();
    else
        QApplication::beep();
}

QStringList toQtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters;
}

void prepareOpenDialog(QFileDialog& dialog, const QString& filter)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The patterns stay in the filters for matching; only the toolkit's own dialog can hide them
    // from the entries' names.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    const QStringList filters = toQtNameFilters(filter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));
}

QString getOpenFileName(QWidget* parent, const QString& filter)
{
    if (openFileHandler())
        return openFileHandler()(parent, filter);
    QFileDialog dialog(parent);
    prepareOpenDialog(dialog, filter);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void setExactCaption(QWidget* window, const QString& caption)
{
    // An empty display name is appended to nothing; message boxes take the application name.
    if (!QGuiApplication::applicationDisplayName().isEmpty())
        QGuiApplication::setApplicationDisplayName(QString(QLatin1String("")));
    window->setWindowTitle(caption);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    return std::exchange(messageBoxHandler(), std::move(handler));
}

BeepHandler setBeepHandler(BeepHandler handler) { return std::exchange(beepHandler(), std::move(handler)); }

OpenFileHandler setOpenFileHandler(OpenFileHandler handler)
{
    return std::exchange(openFileHandler(), std::move(handler));
}

}  // namespace keysound::platform
