#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace keysound::platform {

namespace {
// "keysound-jet-reader" -> "KEYSOUND_JET_READER"
QByteArray overrideVariable(const QString& name)
{
    return name.toUpper().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
}
}  // namespace

QString helperExecutable(const QString& name, const QString& executableFolder)
{
    const QString named = qEnvironmentVariable(overrideVariable(name).constData());
    if (!named.isEmpty())
        return named;
    const QDir folder(executableFolder);
    const QString beside = folder.filePath(name);
    const QString installed = QDir::cleanPath(folder.filePath(QStringLiteral("../libexec/keysound/") + name));
    if (!QFileInfo(beside).isExecutable() && QFileInfo(installed).isExecutable())
        return installed;
    return beside;
}

QString helperExecutable(const QString& name) { return helperExecutable(name, QCoreApplication::applicationDirPath()); }

QString installedDefaultsFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/keysound"));
}

}  // namespace keysound::platform
