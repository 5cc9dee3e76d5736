// The decoder process's work on arbitrary bytes: our layout of the file, then the mixer's decoders
// decoding it to its end. Crashes in the decoders are what the sandboxed decoder process exists
// for; the fuzz script keeps every finding as a damaged sample for the tests.
#include "audio/SoundBytes.h"
#include "audio/SoundLayout.h"
#include "DecodeJob.h"
#include "MixerDecode.h"

using namespace keysound::audio;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    prepareDecoding();
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
    decodeJob({1, decodeprotocol::Mode::Whole, 44100}, bytes, [](const char*, size_t) { return true; });
    return 0;
}
