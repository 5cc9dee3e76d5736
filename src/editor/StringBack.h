#pragma once

#include <QString>

namespace keysound::editor {

// The piece of St from the last occurrence of sP to the end, with every backslash removed
// (so the separator stays at the front unless it is the backslash). "" gives "".
// Throws keysound::Error (InvalidArgument) for a non-empty St that does not contain sP.
QString getStringBack(const QString& St, const QString& sP);

}  // namespace keysound::editor
