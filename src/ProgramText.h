#pragma once

#include <QCoreApplication>

namespace keysound {

// The translation context of the messages of main.cpp: ProgramText::tr("...") (see platform/Language.h).
class ProgramText {
    Q_DECLARE_TR_FUNCTIONS(ProgramText)
};

}  // namespace keysound
