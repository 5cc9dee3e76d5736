#pragma once

#include <QCoreApplication>

namespace keysound::pack {

// The translation context of the table packs' messages: TablePack::tr("...").
class TablePack {
    Q_DECLARE_TR_FUNCTIONS(TablePack)
};

}  // namespace keysound::pack
