// The path a key takes to start a sound, on arbitrary bytes: our layout of the file, then the
// mixer's decoders playing it to its end. Crashes in the decoders are what the checking process
// exists for; the fuzz script keeps every finding as a damaged sample for the tests.
#include "audio/SoundBytes.h"
#include "audio/SoundLayout.h"
#include "audio/TrialPlay.h"

using namespace keysound::audio;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    prepareTrials();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto bytes = std::make_shared<MemoryBytes>(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::optional<SoundLayout> layout = readSoundLayout(*bytes);
    if (!layout)
        return 0;
    // The decoders may only ever be shown bytes that are in the file.
    for (const SoundPiece& piece : layout->pieces) {
        if (piece.length < 0 || (piece.literal.isEmpty() && piece.fileOffset + piece.length > bytes->size()))
            __builtin_trap();
    }
    playThrough(bytes, *layout, {});
    return 0;
}
