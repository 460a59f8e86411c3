#pragma once

// System calls that hardly ever fail, made to fail by a test: the one file of a test program that
// includes this header defines getsockopt, setsockopt and fcntl, which the program's code then
// calls in place of the C library's. While a failure is set for a call, the call fails with that
// errno; otherwise the library's own runs.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>

namespace tavik::test {

struct CFailingCalls {
    static inline std::atomic<int> getsockoptFails{0};
    static inline std::atomic<int> setsockoptFails{0};
    static inline std::atomic<int> fcntlFails{0};  // for F_GETFL only
};

// Sets `call`'s failure for the lifetime of the object.
class CFailure {
public:
    CFailure(std::atomic<int>& call, int cause) : m_call(call) { m_call.store(cause); }
    ~CFailure() { m_call.store(0); }
    CFailure(const CFailure&) = delete;
    CFailure& operator=(const CFailure&) = delete;

private:
    std::atomic<int>& m_call;
};

template <class F>
F Real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace tavik::test

extern "C" int getsockopt(int fd, int level, int name, void* value, socklen_t* length) noexcept {
    using F = int (*)(int, int, int, void*, socklen_t*);
    if (const int cause = tavik::test::CFailingCalls::getsockoptFails.load(); cause != 0) {
        errno = cause;
        return -1;
    }
    static const F real = tavik::test::Real<F>("getsockopt");
    return real(fd, level, name, value, length);
}

extern "C" int setsockopt(int fd, int level, int name, const void* value,
                          socklen_t length) noexcept {
    using F = int (*)(int, int, int, const void*, socklen_t);
    if (const int cause = tavik::test::CFailingCalls::setsockoptFails.load(); cause != 0) {
        errno = cause;
        return -1;
    }
    static const F real = tavik::test::Real<F>("setsockopt");
    return real(fd, level, name, value, length);
}

extern "C" int fcntl(int fd, int command, ...) {
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);  // an int or a pointer: passed on as it came
    va_end(arguments);
    if (const int cause = tavik::test::CFailingCalls::fcntlFails.load();
        cause != 0 && command == F_GETFL) {
        errno = cause;
        return -1;
    }
    using F = int (*)(int, int, ...);
    static const F real = tavik::test::Real<F>("fcntl");
    return real(fd, command, argument);
}
