#include "DecoderSandbox.h"

#include "platform/Sandbox.h"

#include <sys/syscall.h>

namespace keysound::audio {

bool enterDecoderSandbox()
{
    return platform::enterSandbox({
        SYS_read, SYS_pread64, SYS_readv, SYS_write, SYS_writev, SYS_lseek, SYS_fstat, SYS_newfstatat,
        SYS_mmap, SYS_munmap, SYS_mremap, SYS_brk, SYS_madvise, SYS_mprotect, SYS_futex,
        SYS_clock_gettime, SYS_gettimeofday, SYS_getpid, SYS_gettid, SYS_getrandom, SYS_sysinfo,
        SYS_rt_sigreturn, SYS_rt_sigprocmask, SYS_recvmsg, SYS_sendmsg, SYS_sendto, SYS_close, SYS_fcntl,
        SYS_exit, SYS_exit_group,
    });
}

}  // namespace keysound::audio
