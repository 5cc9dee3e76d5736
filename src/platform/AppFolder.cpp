#include "platform/AppFolder.h"

#include <QCoreApplication>

namespace keysound::platform {

namespace {
QString& overrideFolder()
{
    static QString folder;
    return folder;
}
}  // namespace

QString appFolder()
{
    if (!overrideFolder().isEmpty())
        return overrideFolder();
    return QCoreApplication::applicationDirPath();
}

void setAppFolderOverride(const QString& folder)
{
    overrideFolder() = folder;
}

QString nativePath(const QString& pathText)
{
    QString native = pathText;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return native;
}

}  // namespace keysound::platform
