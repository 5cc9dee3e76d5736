#pragma once

#include <QCoreApplication>

namespace keysound::platform {

// The translation context of the messages of platform/: PlatformText::tr("..."). The one way the
// program translates its messages is written down in platform/Language.h.
class PlatformText {
    Q_DECLARE_TR_FUNCTIONS(PlatformText)
};

}  // namespace keysound::platform
