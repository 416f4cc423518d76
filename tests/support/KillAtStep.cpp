// Preloaded into a child process: the Nth sync, rename or positioned write
// (TOLVANE_KILL_AT=N) kills the process before it happens, as a power cut or
// a kill from outside would.
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

namespace {
void step()
{
    static long at = -1;
    static long seen = 0;
    if (at < 0) {
        const char *value = getenv("TOLVANE_KILL_AT");
        at = value ? atol(value) : 0;
    }
    if (at > 0 && __atomic_add_fetch(&seen, 1, __ATOMIC_SEQ_CST) == at)
        raise(SIGKILL);
}

template <typename Fn> Fn real(const char *name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}
} // namespace

#define TOLVANE_WRAP(ret, name, params, args)                                                                          \
    extern "C" ret name params                                                                                         \
    {                                                                                                                  \
        static auto next = real<ret(*) params>(#name);                                                                 \
        step();                                                                                                        \
        return next args;                                                                                              \
    }

TOLVANE_WRAP(int, fsync, (int fd), (fd))
TOLVANE_WRAP(int, fdatasync, (int fd), (fd))
TOLVANE_WRAP(int, rename, (const char *from, const char *to), (from, to))
TOLVANE_WRAP(int, renameat, (int fromDir, const char *from, int toDir, const char *to), (fromDir, from, toDir, to))
TOLVANE_WRAP(int, renameat2, (int fromDir, const char *from, int toDir, const char *to, unsigned flags),
             (fromDir, from, toDir, to, flags))
TOLVANE_WRAP(int, link, (const char *from, const char *to), (from, to))
TOLVANE_WRAP(int, linkat, (int fromDir, const char *from, int toDir, const char *to, int flags),
             (fromDir, from, toDir, to, flags))
TOLVANE_WRAP(ssize_t, pwrite, (int fd, const void *buf, size_t n, off_t at), (fd, buf, n, at))
TOLVANE_WRAP(ssize_t, pwrite64, (int fd, const void *buf, size_t n, off64_t at), (fd, buf, n, at))
TOLVANE_WRAP(int, ftruncate, (int fd, off_t length), (fd, length))
