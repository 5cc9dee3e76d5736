#pragma once

#include "store/legacy/JetData.h"
#include "store/legacy/LimitedProcess.h"

#include <functional>

namespace keysound::store {

// libmdb may crash, loop or grow without bound on a damaged file, so it runs only in the
// reading process keysound-jet-reader, found as platform::helperExecutable() says.
QString jetReaderExecutable();

// Time, memory and output the reading process gets for a file of this size.
ProcessLimits jetReaderLimits(qint64 fileBytes);

// Reads every user table of a Jet 3 / Jet 4 file in the reading process. A crash, a hang, a
// limit reached or output that is not a complete stream throws keysound::Error 3343 naming the
// file and the format its header claims; the file is only ever read.
JetDatabase readJetDatabase(const QString& nativePath, DatabaseFormat claimed,
                            const std::function<void()>& whileWaiting = {});

}  // namespace keysound::store
