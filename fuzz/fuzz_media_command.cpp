// Any command text is either a play/stop with a non-empty path, or nothing at all.
#include "audio/MediaCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray command(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto parsed = keysound::audio::parseMediaCommand(command);
    if (parsed && (parsed->pathText.isEmpty() || !(command.startsWith("play ") || command.startsWith("stop "))))
        __builtin_trap();
    return 0;
}
