// A decoder that takes its work as keysound-decoder does, enters the same sandbox, and then does
// what the last bytes of the sound file tell it: the faults keysound must survive and judge right.
// The tests point KEYSOUND_DECODER at it.
#include "DecodeJob.h"
#include "DecoderSandbox.h"
#include "MixerDecode.h"
#include "audio/DecodeProtocol.h"

#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace keysound::audio;
namespace protocol = keysound::audio::decodeprotocol;

namespace {

void busyFor(int ms)
{
    timespec start{}, now{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    do
        clock_gettime(CLOCK_MONOTONIC, &now);
    while ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 < ms);
}

}  // namespace

int main()
{
    std::signal(SIGPIPE, SIG_IGN);
    prepareDecoding();
    protocol::Request request;
    int soundFile = -1;
    int output = -1;
    if (!enterDecoderSandbox() || !protocol::receiveRequest(protocol::SocketDescriptor, request, soundFile, output))
        return 2;
    char tail[17] = {};
    const off_t size = ::lseek(soundFile, 0, SEEK_END);
    ::pread(soundFile, tail, 16, size - 16);
    const std::string fault = std::string(tail).substr(std::string(tail).find(':') + 1);
    if (fault == "crash")
        *static_cast<volatile int*>(nullptr) = 1;  // a real fault: raise() would be a forbidden call
    if (fault == "hang")
        busyFor(1000 * 1000);
    if (fault == "open")
        ::syscall(SYS_openat, AT_FDCWD, "/etc/hostname", O_RDONLY);
    if (fault == "socket")
        ::socket(AF_INET, SOCK_STREAM, 0);
    if (fault == "exec")
        ::syscall(SYS_execve, "/bin/true", nullptr, nullptr);
    if (fault == "ptrace")
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    if (fault == "quiet")
        return 0;
    if (fault == "slow")
        busyFor(800);
    if (fault == "grow") {  // more PCM than a held sound may have
        static char silence[1 << 16];
        for (qint64 written = 0; written <= request.keepFrames * protocol::BytesPerFrame; written += sizeof silence)
            if (!writeAll(output, silence, sizeof silence))
                break;
    }
    protocol::Reply reply = decodeJob(request, SoundFile::adopt(soundFile), [&](const char* bytes, size_t length) {
        return writeAll(output, bytes, length);
    });
    if (fault == "lie") {  // says more than it wrote
        reply.frames += 100;
        reply.keptFrames += 100;
    }
    const bool sent = protocol::sendReply(protocol::SocketDescriptor, reply);
    if (fault == "replycrash")
        *static_cast<volatile int*>(nullptr) = 1;
    return sent ? 0 : 1;
}
