#pragma once

#include <QCoreApplication>

namespace keysound::tools {

// The translation context of keysound-db's messages: DbToolText::tr("...").
class DbToolText {
    Q_DECLARE_TR_FUNCTIONS(DbTool)
};

}  // namespace keysound::tools
