#pragma once

#include <unistd.h>
#include <cerrno>

namespace tavik {

// Closes a file descriptor at scope end; Close() reports the close's own failure.
class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor() { Close(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_fd; }
    int Close() {
        if (m_fd < 0) {
            return 0;
        }
        const int result = ::close(m_fd);
        m_fd = -1;
        return result < 0 ? errno : 0;
    }

private:
    int m_fd;
};

}  // namespace tavik
