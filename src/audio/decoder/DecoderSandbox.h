#pragma once

namespace keysound::audio {

// What decoding needs once everything is open: taking its work from its socket, reading the file it
// was handed, memory, writing the PCM and the reply, and ending. No open, no socket, no exec, no ptrace, no new threads. False when
// the filter could not be set.
bool enterDecoderSandbox();

}  // namespace keysound::audio
