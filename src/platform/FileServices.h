#pragma once

#include <QString>

namespace keysound::platform {

// The directory lookup with normal attributes: true only for an existing regular file that is
// not hidden. An empty path or one ending in a separator never passes.
bool isNormalFile(const QString& nativePath);

// Copies source over destination (both path texts). The copy goes to a temporary file in the
// destination folder and is renamed into place, so a failure leaves an existing destination
// whole and a symbolic link at the destination is replaced, never written through; a source that
// already is the destination is left untouched. The new file gets the mode any new file gets
// (see StagedFile). Throws keysound::Error: ErrorNumber::DiskFull when there is no room for it.
void copyFileReplacing(const QString& sourcePathText, const QString& destinationPathText);

}  // namespace keysound::platform
