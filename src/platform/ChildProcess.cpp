#include "platform/ChildProcess.h"

#include "platform/Error.h"
#include "platform/PlatformText.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace keysound::platform {

namespace {

constexpr int FirstPassedDescriptor = 3;

void setLimit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    ::setrlimit(resource, &limit);
}

// Moves the descriptors to be passed above every target number first, so that placing one never
// overwrites another that is still to be placed.
bool placeDescriptors(const std::vector<int>& passed, int firstFree)
{
    int moved[ChildSetup::MaxPassedDescriptors];
    for (size_t i = 0; i < passed.size(); ++i) {
        moved[i] = ::fcntl(passed[i], F_DUPFD_CLOEXEC, firstFree);
        if (moved[i] < 0)
            return false;
    }
    for (size_t i = 0; i < passed.size(); ++i) {
        if (::dup2(moved[i], FirstPassedDescriptor + int(i)) < 0)  // dup2 clears close-on-exec
            return false;
    }
    return true;
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void becomeChild(char* const* argv, const ChildSetup& setup, int devNull, int firstFree)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    if (!placeDescriptors(setup.passedDescriptors, firstFree))
        ::_exit(127);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(setup.standardOutput >= 0 ? setup.standardOutput : devNull, STDOUT_FILENO);
    ::dup2(setup.standardError >= 0 ? setup.standardError : devNull, STDERR_FILENO);
    const int keep = FirstPassedDescriptor + int(setup.passedDescriptors.size());
    ::syscall(SYS_close_range, unsigned(keep), ~0U, 0U);
    if (setup.limits.addressSpaceBytes > 0)
        setLimit(RLIMIT_AS, rlim_t(setup.limits.addressSpaceBytes), rlim_t(setup.limits.addressSpaceBytes));
    if (setup.limits.cpuSeconds > 0)  // SIGXCPU first, so that the parent can tell the limit from a crash
        setLimit(RLIMIT_CPU, rlim_t(setup.limits.cpuSeconds), rlim_t(setup.limits.cpuSeconds + 1));
    if (setup.limits.fileSizeBytes >= 0)
        setLimit(RLIMIT_FSIZE, rlim_t(setup.limits.fileSizeBytes), rlim_t(setup.limits.fileSizeBytes));
    setLimit(RLIMIT_CORE, 0, 0);
    ::execv(argv[0], argv);
    ::_exit(127);
}

[[noreturn]] void cannotStart(const QString& executable)
{
    throw Error(ErrorNumber::FileAccess, PlatformText::tr("Cannot start the program %1: %2.")
                                             .arg(executable, QString::fromLocal8Bit(std::strerror(errno))));
}

}  // namespace

ChildProcess ChildProcess::start(const ChildSetup& setup)
{
    QList<QByteArray> words{QFile::encodeName(setup.executable)};
    for (const QString& argument : setup.arguments)
        words.append(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    if (::access(argv[0], X_OK) != 0 || setup.passedDescriptors.size() > ChildSetup::MaxPassedDescriptors)
        cannotStart(setup.executable);

    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    int firstFree = FirstPassedDescriptor + int(setup.passedDescriptors.size());
    for (const int fd : setup.passedDescriptors)
        firstFree = std::max(firstFree, fd + 1);
    const pid_t pid = ::fork();
    if (pid == 0)
        becomeChild(argv.data(), setup, devNull, std::max(firstFree, devNull + 1));
    ::close(devNull);
    if (pid < 0)
        cannotStart(setup.executable);
    return ChildProcess(pid);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1))
    , end_(other.end_)
{}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        if (isRunning())
            kill();
        pid_ = std::exchange(other.pid_, -1);
        end_ = other.end_;
    }
    return *this;
}

ChildProcess::~ChildProcess()
{
    if (isRunning())
        kill();
}

std::optional<ChildEnd> ChildProcess::reap(int options)
{
    if (end_ || pid_ <= 0)
        return end_;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &status, options);
    } while (done < 0 && errno == EINTR);
    if (done == pid_) {
        ChildEnd end;
        end.exited = WIFEXITED(status);
        end.exitCode = end.exited ? WEXITSTATUS(status) : -1;
        end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        end_ = end;
    } else if (done < 0) {
        end_ = ChildEnd{};  // reaped elsewhere: nothing is known of its end
    }
    return end_;
}

std::optional<ChildEnd> ChildProcess::poll() { return reap(WNOHANG); }

ChildEnd ChildProcess::wait() { return reap(0).value_or(ChildEnd{}); }

ChildEnd ChildProcess::kill()
{
    if (isRunning())
        ::kill(pid_, SIGKILL);
    return wait();
}

qint64 ChildProcess::processorMilliseconds() const
{
    if (!isRunning())
        return -1;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid_));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The name in parentheses may hold blanks; utime and stime are the 12th and 13th fields after it.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const qint64 ticks = fields.at(11).toLongLong() + fields.at(12).toLongLong();
    return ticks * 1000 / ::sysconf(_SC_CLK_TCK);
}

void ChildProcess::lowerPriority()
{
    if (!isRunning())
        return;
    ::setpriority(PRIO_PROCESS, id_t(pid_), 19);
    constexpr int IoprioWhoProcess = 1;
    constexpr int IoprioClassIdle = 3;
    ::syscall(SYS_ioprio_set, IoprioWhoProcess, pid_, IoprioClassIdle << 13);
}

}  // namespace keysound::platform
