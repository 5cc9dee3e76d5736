#include "platform/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace keysound::platform {

void QtDialogs::messageBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogs::beep() { QApplication::beep(); }

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

QString QtDialogs::getOpenFileName(QWidget* parent, const QString& filter)
{
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

}  // namespace keysound::platform
