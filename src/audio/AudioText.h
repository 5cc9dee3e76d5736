#pragma once

#include <QCoreApplication>

namespace keysound::audio {

// The translation context of the messages of audio/: AudioText::tr("...") (see platform/Language.h).
class AudioText {
    Q_DECLARE_TR_FUNCTIONS(AudioText)
};

}  // namespace keysound::audio
