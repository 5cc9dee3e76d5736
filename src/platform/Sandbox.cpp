#include "platform/Sandbox.h"

#include <seccomp.h>
#include <sys/prctl.h>

namespace keysound::platform {

bool enterSandbox(std::initializer_list<int> allowedSystemCalls)
{
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (filter == nullptr)
        return false;
    bool built = true;
    for (const int call : allowedSystemCalls)
        built = built && seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) == 0;
    const bool loaded = built && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return loaded;
}

}  // namespace keysound::platform
