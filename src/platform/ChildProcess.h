#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace keysound::platform {

// What a child may use before the kernel stops it. Zero: no limit of that kind.
struct ChildLimits {
    qint64 addressSpaceBytes = 0;  // RLIMIT_AS
    int cpuSeconds = 0;            // RLIMIT_CPU: SIGXCPU at this many seconds, SIGKILL a second later
    qint64 fileSizeBytes = -1;     // RLIMIT_FSIZE, also for memory files; 0: writes no file; -1: no limit
};

struct ChildSetup {
    QString executable;
    QStringList arguments;
    ChildLimits limits;
    int standardOutput = -1;  // -1: /dev/null
    int standardError = -1;   // -1: /dev/null
    // Become descriptors 3, 4, ... in the child, in this order; every other descriptor is closed.
    std::vector<int> passedDescriptors;  // at most MaxPassedDescriptors
    static constexpr size_t MaxPassedDescriptors = 8;
};

// How a child ended.
struct ChildEnd {
    bool exited = false;  // by itself, with exitCode; otherwise ended by `signal`
    int exitCode = -1;
    int signal = 0;

    bool succeeded() const { return exited && exitCode == 0; }
};

// The one way keysound starts a program: the helpers that read untrusted files (the Jet reader, the
// sound decoder) run under limits of memory and processor time, die with their parent, cannot gain
// privileges through exec (so a seccomp filter they set for themselves is allowed) and leave no core
// file. A child that is still running when its object goes is killed and reaped.
class ChildProcess {
public:
    // Throws keysound::Error when the child cannot be started.
    static ChildProcess start(const ChildSetup& setup);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    bool isRunning() const { return pid_ > 0 && !end_; }
    // The end when the child has ended, without waiting.
    std::optional<ChildEnd> poll();
    ChildEnd wait();
    ChildEnd kill();
    // Lowest processor priority and the idle I/O class: work nobody waits for.
    void lowerPriority();
    // The processor time it has used so far; -1 once it has ended or when it cannot be read.
    qint64 processorMilliseconds() const;

private:
    explicit ChildProcess(pid_t pid)
        : pid_(pid)
    {}
    std::optional<ChildEnd> reap(int options);

    pid_t pid_ = -1;
    std::optional<ChildEnd> end_;
};

}  // namespace keysound::platform
