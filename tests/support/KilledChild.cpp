#include "KilledChild.h"

#include <QDeadlineTimer>
#include <QThread>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace keysound::test {

bool killChildWhen(const std::function<void()>& work, const std::function<bool()>& moment)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            work();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    if (child < 0)
        return false;
    const QDeadlineTimer deadline(60'000);
    int status = 0;
    bool reached = false;
    while (!deadline.hasExpired() && ::waitpid(child, &status, WNOHANG) == 0) {
        if ((reached = moment()))
            break;
        QThread::usleep(200);
    }
    if (::kill(child, SIGKILL) != 0)
        return false;  // ended by itself
    ::waitpid(child, &status, 0);
    return reached;
}

int exitStatusOfChild(const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace keysound::test
