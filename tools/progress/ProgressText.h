#pragma once

#include <QCoreApplication>

namespace keysound::tools {

// The translation context of the progress reports: ProgressText::tr("...") (see platform/Language.h).
class ProgressText {
    Q_DECLARE_TR_FUNCTIONS(ProgressText)
};

}  // namespace keysound::tools
