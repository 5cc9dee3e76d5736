#pragma once

#include "audio/DecodeProtocol.h"
#include "audio/SoundBytes.h"

#include <functional>
#include <memory>

namespace keysound::audio {

// Takes PCM bytes in order; false when they could not be written (the stream's listener is gone).
using PcmWriter = std::function<bool(const char* bytes, size_t length)>;

// Writes all of the bytes to a pipe or file; false when it will take no more.
bool writeAll(int fd, const char* bytes, size_t length);

// What a decoder process does with one request: lays the sound out, decodes it, writes its PCM as the
// request's mode says, and tells how it went. The fuzzing harness runs the same on arbitrary bytes.
decodeprotocol::Reply decodeJob(const decodeprotocol::Request& request, std::shared_ptr<const SoundBytes> sound,
                                const PcmWriter& write);

}  // namespace keysound::audio
