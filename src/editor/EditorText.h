#pragma once

#include <QCoreApplication>

namespace keysound::editor {

// The translation context of the messages of editor/: EditorText::tr("...") (see platform/Language.h).
class EditorText {
    Q_DECLARE_TR_FUNCTIONS(EditorText)
};

}  // namespace keysound::editor
