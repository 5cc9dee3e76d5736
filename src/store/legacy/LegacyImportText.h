#pragma once

#include <QCoreApplication>

namespace keysound::store {

// The translation context of the messages of the legacy import (store/legacy/, keysound-jet-reader
// included): LegacyImportText::tr("...") (see platform/Language.h).
class LegacyImportText {
    Q_DECLARE_TR_FUNCTIONS(LegacyImportText)
};

}  // namespace keysound::store
