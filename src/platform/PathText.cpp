#include "platform/PathText.h"

namespace keysound::platform {

QString nativePath(const QString& pathText)
{
    QString native = pathText;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return native;
}

QString programPathText(const QString& nativePath)
{
    QString text = nativePath;
    text.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return text;
}

}  // namespace keysound::platform
