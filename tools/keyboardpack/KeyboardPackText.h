#pragma once

#include <QCoreApplication>
#include <QString>

namespace keysound::keyboardpack {

// The translation context of the keyboard sound packs' messages: KeyboardPackText::tr("...")
// (see platform/Language.h).
class KeyboardPackText {
    Q_DECLARE_TR_FUNCTIONS(KeyboardPackText)
};

// Why a pack cannot be brought in, said without the pack's name, which only the import knows;
// it becomes a keysound::Error there.
struct Refusal {
    QString why;
};

}  // namespace keysound::keyboardpack
