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
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void beep()
{
    if (beepHandler())
        beepHandler()();
    else
        QApplication::beep();
}

QString toQtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString getOpenFileName(QWidget* parent, const QString& filter)
{
    if (openFileHandler())
        return openFileHandler()(parent, filter);
    const QString qtFilters = toQtNameFilters(filter);
    const QString firstFilter = qtFilters.section(QStringLiteral(";;"), 0, 0);
    QString selected = firstFilter;
    return QFileDialog::getOpenFileName(parent, QString(), QString(), qtFilters, &selected);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    return std::exchange(messageBoxHandler(), std::move(handler));
}

BeepHandler setBeepHandler(BeepHandler handler)
{
    return std::exchange(beepHandler(), std::move(handler));
}

OpenFileHandler setOpenFileHandler(OpenFileHandler handler)
{
    return std::exchange(openFileHandler(), std::move(handler));
}

}  // namespace keysound::platform
