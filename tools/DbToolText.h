#pragma once

#include <QCoreApplication>

namespace keysound::tools {

// The translation context of keysound-db's messages: DbToolText::tr("...") (see platform/Language.h).
class DbToolText {
    Q_DECLARE_TR_FUNCTIONS(DbToolText)
};

}  // namespace keysound::tools
