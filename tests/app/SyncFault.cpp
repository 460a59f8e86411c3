// Preloaded into the tavik executable by the monitor tests: fdatasync answers as a failing or
// a stalling disk would. TAVIK_SYNC_FAULT="fail:N" fails every call after the N-th with EIO;
// "stall:N:S" holds every call after the N-th for S seconds before syncing.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int fdatasync(int fd) {
    static std::atomic<int> calls{0};
    const int call = ++calls;
    char kind[8] = {};
    int after = 0;
    unsigned seconds = 0;
    const char* fault = std::getenv("TAVIK_SYNC_FAULT");
    if (fault != nullptr && std::sscanf(fault, "%7[a-z]:%d:%u", kind, &after, &seconds) >= 2 &&
        call > after) {
        if (std::strcmp(kind, "fail") == 0) {
            errno = EIO;
            return -1;
        }
        sleep(seconds);
    }
    using Sync = int (*)(int);
    static const auto real = reinterpret_cast<Sync>(dlsym(RTLD_NEXT, "fdatasync"));
    return real(fd);
}
