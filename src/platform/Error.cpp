#include "platform/Error.h"

#include "platform/PlatformText.h"

namespace keysound {

Error::Error(int number, QString description)
    : number_(number)
    , description_(std::move(description))
    , utf8_(description_.toUtf8())
{}

QString errorText(int number, const QString& description)
{
    return platform::PlatformText::tr("Error %1: %2").arg(number).arg(description);
}

}  // namespace keysound
