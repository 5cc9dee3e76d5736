#pragma once

#include <QString>

namespace keysound::platform {

// The program finds its own files from where its executable lies, never through a path compiled
// in, so that one build runs alike from a portable folder, an unpacked tarball or the package:
//   portable   <folder>/keysound, <folder>/keysound-jet-reader, <folder>/keysound-decoder
//   installed  <prefix>/bin/keysound, <prefix>/libexec/keysound/<helper>, <prefix>/share/keysound/

// The helper program `name` (keysound-jet-reader, keysound-decoder): where the environment
// variable named after it says (KEYSOUND_JET_READER, KEYSOUND_DECODER: tests and benchmarks
// run from other folders), else beside the executable, else in ../libexec/keysound. When it is in
// neither place, the path beside the executable, for the caller's message.
QString helperExecutable(const QString& name);
QString helperExecutable(const QString& name, const QString& executableFolder);

// The installed default table and sounds: ../share/keysound from the executable's folder.
QString installedDefaultsFolder();

}  // namespace keysound::platform
