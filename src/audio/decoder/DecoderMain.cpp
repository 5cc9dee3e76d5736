// keysound-decoder: decodes one sound file into PCM for keysound, then ends. The mixer's decoders run
// on files from anywhere, so they run here and not in the program: under limits of memory and
// processor time set by its launcher, and under a seccomp filter set before the first byte of the
// file is read, which lets the decoders compute and write their PCM and nothing else. A crash, a
// hang, an overrun or a forbidden system call ends this process, and keysound then knows the file
// as no playable sound.
#include "DecodeJob.h"
#include "DecoderSandbox.h"
#include "MixerDecode.h"
#include "audio/DecodeProtocol.h"

#include <csignal>
#include <unistd.h>

using namespace keysound::audio;
namespace protocol = keysound::audio::decodeprotocol;

int main()
{
    std::signal(SIGPIPE, SIG_IGN);  // a stream whose listener has gone ends with a failed write
    prepareDecoding();
    // The sandbox closes before the work arrives: a spare decoder waits in it.
    if (!enterDecoderSandbox())
        return 2;
    protocol::Request request;
    int soundFile = -1;
    int output = -1;
    if (!protocol::receiveRequest(protocol::SocketDescriptor, request, soundFile, output))
        return 0;  // keysound ended, or had no more work for this spare decoder
    const protocol::Reply reply = decodeJob(request, SoundFile::adopt(soundFile), [output](const char* bytes, size_t length) {
        return writeAll(output, bytes, length);
    });
    ::close(output);  // a stream's listener sees its end
    return protocol::sendReply(protocol::SocketDescriptor, reply) ? 0 : 1;
}
