#include "store/legacy/LimitedProcess.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <QFile>
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

void setLimit(int resource, rlim_t value)
{
    const rlimit limit{value, value};
    ::setrlimit(resource, &limit);
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void becomeChild(const std::vector<char*>& argv, const Pipe& out, const Pipe& err, int devNull,
                              const ProcessLimits& limits)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(out.write, STDOUT_FILENO);
    ::dup2(err.write, STDERR_FILENO);
    setLimit(RLIMIT_AS, rlim_t(limits.addressSpaceBytes));
    setLimit(RLIMIT_CPU, rlim_t(limits.cpuSeconds));
    setLimit(RLIMIT_CORE, 0);   // a crash leaves no core file behind
    setLimit(RLIMIT_FSIZE, 0);  // the reader writes no files
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

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
    Child(pid_t pid, int out, int err)
        : pid_(pid)
        , fds_{{out, POLLIN, 0}, {err, POLLIN, 0}}
    {}
    ~Child()
    {
        if (!reaped_)
            kill();
        for (const pollfd& p : fds_)
            if (p.fd >= 0)
                ::close(p.fd);
    }

    void collect(const ProcessLimits& limits, const std::function<void()>& whileWaiting, ProcessOutcome& outcome)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(limits.wallClockMs);
        while (!reaped_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                outcome.timedOut = true;
                kill();
                break;
            }
            waitForOutput(int(std::min<qint64>(left, PollIntervalMs)));
            readPipe(0, outcome.output, limits.outputBytes + 1);
            readPipe(1, outcome.diagnostics, limits.diagnosticBytes);
            if (outcome.output.size() > limits.outputBytes) {
                outcome.outputTooLarge = true;
                kill();
                break;
            }
            if (fds_[0].fd < 0 && fds_[1].fd < 0)
                reap(WNOHANG, outcome);
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

    void reap(int options, ProcessOutcome& outcome)
    {
        int status = 0;
        pid_t done;
        do {
            done = ::waitpid(pid_, &status, options);
        } while (done < 0 && errno == EINTR);
        if (done != pid_)
            return;
        reaped_ = true;
        outcome.exited = WIFEXITED(status);
        outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
        outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    void kill()
    {
        ::kill(pid_, SIGKILL);
        ProcessOutcome ignored;
        reap(0, ignored);
    }

    pid_t pid_;
    pollfd fds_[2];
    bool reaped_ = false;
};

void openPipe(Pipe& pipe)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Error(ErrorNumber::LegacyImportFailed,
                    QCoreApplication::translate("LegacyImport", "Cannot start the reading process: %1.")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    pipe.read = fds[0];
    pipe.write = fds[1];
    ::fcntl(pipe.read, F_SETFL, O_NONBLOCK);
}

}  // namespace

ProcessOutcome runLimitedProcess(const QString& executable, const QStringList& arguments, const ProcessLimits& limits,
                                 const std::function<void()>& whileWaiting)
{
    QList<QByteArray> words{QFile::encodeName(executable)};
    for (const QString& argument : arguments)
        words.append(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    Pipe out, err;
    openPipe(out);
    openPipe(err);
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0)
        becomeChild(argv, out, err, devNull, limits);
    ::close(devNull);
    if (pid < 0)
        throw Error(ErrorNumber::LegacyImportFailed,
                    QCoreApplication::translate("LegacyImport", "Cannot start the reading process %1: %2.")
                        .arg(executable, QString::fromLocal8Bit(std::strerror(errno))));
    ::close(std::exchange(out.write, -1));
    ::close(std::exchange(err.write, -1));
    ProcessOutcome outcome;
    Child child(pid, std::exchange(out.read, -1), std::exchange(err.read, -1));
    child.collect(limits, whileWaiting, outcome);
    return outcome;
}

}  // namespace keysound::store
