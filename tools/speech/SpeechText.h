#pragma once

#include <QCoreApplication>

namespace keysound::speech {

// The translation context of the speech's messages: SpeechText::tr("...") (see platform/Language.h).
class SpeechText {
    Q_DECLARE_TR_FUNCTIONS(SpeechText)
};

}  // namespace keysound::speech
