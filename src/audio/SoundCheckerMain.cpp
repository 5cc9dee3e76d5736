// keysound-sound-checker: plays sound files through the mixer, each in a process of its own under
// limits, and tells keysound how it went. The mixer's decoders run on files from anywhere; here a
// crash, a hang or a runaway allocation ends one disposable process instead of the program.
#include "audio/SoundCheckProtocol.h"
#include "audio/SoundLayout.h"
#include "audio/TrialPlay.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace keysound::audio;
namespace protocol = keysound::audio::checkprotocol;

constexpr rlim_t TrialCpuSeconds = 35;  // beyond the longest time limit a trial gets
// The mixer and its decoders need some 100 MB of address space; streaming needs little more.
constexpr rlim_t TrialAddressSpace = rlim_t(1) << 30;

void setLimit(int resource, rlim_t value)
{
    const rlimit limit{value, value};
    ::setrlimit(resource, &limit);
}

protocol::Reply trial(const protocol::Request& request, int file)
{
    protocol::Reply reply;
    reply.id = request.id;
    std::shared_ptr<SoundFile> sound = SoundFile::adopt(file);
    const std::optional<SoundLayout> layout = sound ? readSoundLayout(*sound) : std::nullopt;
    if (!layout)
        return reply;
    const TrialResult result = playThrough(sound, *layout, {request.frequency, request.channels});
    if (!result.loaded || (result.finished && result.frames == 0))
        reply.outcome = protocol::Outcome::Refused;
    else
        reply.outcome = result.finished ? protocol::Outcome::Played : protocol::Outcome::TooLong;
    reply.frequency = result.frequency;
    reply.peak = result.peak;
    reply.frames = result.frames;
    reply.firstSoundFrame = result.firstSoundFrame;
    const QByteArray refusal = result.refusal.toUtf8().left(sizeof reply.refusal - 1);
    std::memcpy(reply.refusal, refusal.constData(), size_t(refusal.size()));
    return reply;
}

[[noreturn]] void runTrial(const protocol::Request& request, int file, int resultPipe)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    setLimit(RLIMIT_AS, TrialAddressSpace);
    const rlimit cpu{TrialCpuSeconds, TrialCpuSeconds + 1};  // SIGXCPU first, so the reply can say so
    ::setrlimit(RLIMIT_CPU, &cpu);
    setLimit(RLIMIT_CORE, 0);
    setLimit(RLIMIT_FSIZE, 0);
    const protocol::Reply reply = trial(request, file);
    const bool written = ::write(resultPipe, &reply, sizeof reply) == ssize_t(sizeof reply);
    ::_exit(written ? 0 : 1);
}

// Waits for the trial's reply until its time is up; false when none came (it ended or was killed).
bool awaitReply(int resultPipe, int timeLimitMs, protocol::Reply& reply)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs);
    size_t got = 0;
    auto* bytes = reinterpret_cast<char*>(&reply);
    while (got < sizeof reply) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{resultPipe, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, int(left.count())) == 0)
            return false;
        const ssize_t n = ::read(resultPipe, bytes + got, sizeof reply - got);
        if (n == 0 || (n < 0 && errno != EINTR))
            return false;
        got += size_t(std::max<ssize_t>(n, 0));
    }
    return true;
}

protocol::Reply check(int socket, const protocol::Request& request, int file)
{
    int pipe[2];
    protocol::Reply reply;
    reply.id = request.id;
    reply.outcome = protocol::Outcome::Crashed;
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return reply;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(socket);
        ::close(pipe[0]);
        runTrial(request, file, pipe[1]);
    }
    ::close(pipe[1]);
    const int timeLimitMs = std::clamp(request.timeLimitMs, 1000, protocol::trialTimeLimitMs(INT64_MAX));
    const bool answered = child > 0 && awaitReply(pipe[0], timeLimitMs, reply);
    ::close(pipe[0]);
    if (child < 0)
        return reply;
    if (!answered)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (answered && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return reply;
    reply = protocol::Reply{};
    reply.id = request.id;
    const bool killedHere = !answered && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    reply.outcome = killedHere ? protocol::Outcome::TimedOut : protocol::Outcome::Crashed;
    reply.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return reply;
}

}  // namespace

int main()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::signal(SIGPIPE, SIG_IGN);
    prepareTrials();
    const int socket = protocol::SocketDescriptor;
    protocol::Request request;
    int file = -1;
    while (protocol::receiveRequest(socket, request, file)) {
        const protocol::Reply reply = check(socket, request, file);
        ::close(file);
        if (!protocol::sendReply(socket, reply))
            break;
    }
    return 0;
}
