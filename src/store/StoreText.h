#pragma once

#include <QCoreApplication>

namespace keysound::store {

// The translation context of the messages of store/: StoreText::tr("...") (see platform/Language.h).
class StoreText {
    Q_DECLARE_TR_FUNCTIONS(StoreText)
};

}  // namespace keysound::store
