#pragma once

#include <QCoreApplication>

namespace keysound::pack {

// The translation context of the table packs' messages: PackText::tr("...") (see platform/Language.h).
class PackText {
    Q_DECLARE_TR_FUNCTIONS(PackText)
};

}  // namespace keysound::pack
