#include "store/legacy/LimitedProcess.h"

#include "platform/ChildProcess.h"
#include "platform/Error.h"
#include "store/legacy/LegacyImportText.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace keysound::store {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int PollIntervalMs = 40;

struct Pipe {
    int read = -1;
    int write = -1;
    ~Pipe() { closeBoth(); }
    void closeBoth()
    {
        if (read >= 0)
            ::close(read);
        if (write >= 0)
            ::close(write);
        read = write = -1;
    }
};

// Appends what the pipe has now, up to a bounded amount per call so that a child that writes
// without pause cannot keep us from the clock; false at end of file.
bool drain(int fd, QByteArray& into, qint64 keepAtMost)
{
    char buffer[65536];
    for (int reads = 0; reads < 64; ++reads) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const qint64 room = keepAtMost - into.size();
            if (room > 0)
                into.append(buffer, qsizetype(std::min<qint64>(room, n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN;
    }
    return true;
}

class Child {
public:
    Child(platform::ChildProcess process, int out, int err)
        : process_(std::move(process))
        , fds_{{out, POLLIN, 0}, {err, POLLIN, 0}}
    {}
    ~Child()
    {
        for (const pollfd& p : fds_)
            if (p.fd >= 0)
                ::close(p.fd);
    }

    void collect(const ProcessLimits& limits, const std::function<void()>& whileWaiting, ProcessOutcome& outcome)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(limits.wallClockMs);
        while (process_.isRunning()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                outcome.timedOut = true;
                process_.kill();
                break;
            }
            waitForOutput(int(std::min<qint64>(left, PollIntervalMs)));
            readPipe(0, outcome.output, limits.outputBytes + 1);
            readPipe(1, outcome.diagnostics, limits.diagnosticBytes);
            if (outcome.output.size() > limits.outputBytes) {
                outcome.outputTooLarge = true;
                process_.kill();
                break;
            }
            if (fds_[0].fd < 0 && fds_[1].fd < 0)
                if (const std::optional<platform::ChildEnd> end = process_.poll())
                    record(*end, outcome);
            if (whileWaiting)
                whileWaiting();
        }
    }

private:
    void waitForOutput(int ms)
    {
        if (fds_[0].fd < 0 && fds_[1].fd < 0) {
            ::poll(nullptr, 0, std::min(ms, 5));
            return;
        }
        ::poll(fds_, 2, ms);
    }

    void readPipe(int index, QByteArray& into, qint64 keepAtMost)
    {
        pollfd& p = fds_[index];
        if (p.fd >= 0 && !drain(p.fd, into, keepAtMost)) {
            ::close(p.fd);
            p.fd = -1;  // poll ignores negative descriptors
        }
    }

    static void record(const platform::ChildEnd& end, ProcessOutcome& outcome)
    {
        outcome.exited = end.exited;
        outcome.exitCode = end.exitCode;
        outcome.signal = end.signal;
    }

    platform::ChildProcess process_;
    pollfd fds_[2];
};

void openPipe(Pipe& pipe)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Error(ErrorNumber::LegacyImportFailed, LegacyImportText::tr("Cannot start the reading process: %1.")
                                                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
    pipe.read = fds[0];
    pipe.write = fds[1];
    ::fcntl(pipe.read, F_SETFL, O_NONBLOCK);
}

}  // namespace

ProcessOutcome runLimitedProcess(const QString& executable, const QStringList& arguments, const ProcessLimits& limits,
                                 const std::function<void()>& whileWaiting)
{
    Pipe out, err;
    openPipe(out);
    openPipe(err);
    platform::ChildSetup setup;
    setup.executable = executable;
    setup.arguments = arguments;
    setup.limits = {limits.addressSpaceBytes, limits.cpuSeconds, 0};  // the reader writes no file
    setup.standardOutput = out.write;
    setup.standardError = err.write;
    platform::ChildProcess process = platform::ChildProcess::start(setup);
    ::close(std::exchange(out.write, -1));
    ::close(std::exchange(err.write, -1));
    ProcessOutcome outcome;
    Child child(std::move(process), std::exchange(out.read, -1), std::exchange(err.read, -1));
    child.collect(limits, whileWaiting, outcome);
    return outcome;
}

}  // namespace keysound::store
