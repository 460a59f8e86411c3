#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <system_error>

#include <utility>

namespace tavik {

CFile::~CFile() {
    Close();
}

CFile::CFile(CFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_strName(std::move(other.m_strName)) {}

CFile& CFile::operator=(CFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_strName = std::move(other.m_strName);
    }
    return *this;
}

int OpenRegularFile(const std::string& path, int flags, int& fd) {
    // O_NONBLOCK: a FIFO must not hold the open up waiting for a writer (nor a signal's stop).
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(fd, &st) < 0 || !S_ISREG(st.st_mode)) {
        // Only regular files are read or written: a folder, a FIFO or a device is refused.
        const int cause = S_ISREG(st.st_mode) ? errno : NOT_A_REGULAR_FILE;
        ::close(fd);
        fd = -1;
        return cause;
    }
    return 0;
}

int CFile::Open(const std::string& path, OpenMode mode) {
    Close();
    int flags = O_RDONLY;
    switch (mode) {
        case modeRead:
            flags = O_RDONLY;
            break;
        case modeWrite:
            flags = O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case modeAppend:
            flags = O_WRONLY | O_CREAT | O_APPEND;
            break;
        case modeReadWrite:
            flags = O_RDWR | O_CREAT;
            break;
    }
    int fd = -1;
    if (const int cause = OpenRegularFile(path, flags, fd); cause != 0) {
        return cause;
    }
    // Blocking again for the reads and writes: only the open must not wait. Flags that cannot
    // be read are not made up (-1 would set every flag there is).
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
        const int cause = errno;
        ::close(fd);
        return cause;
    }
    m_fd = fd;
    m_strName = path;
    return 0;
}

int CFile::Read(void* buffer, std::size_t count, std::size_t& read) {
    read = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (read < count) {
        const ssize_t n = ::read(m_fd, out + read, count - read);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            break;
        }
        read += static_cast<std::size_t>(n);
    }
    return 0;
}

int CFile::Write(const void* buffer, std::size_t count) {
    return WriteFully(m_fd, buffer, count);
}

int WriteFully(int fd, const void* buffer, std::size_t count) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd, in + written, count - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return EIO;  // nothing taken and no error: it would never end
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

int CFile::Seek(off_t offset) {
    return ::lseek(m_fd, offset, SEEK_SET) < 0 ? errno : 0;
}

int CFile::SeekToEnd(off_t& position) {
    position = ::lseek(m_fd, 0, SEEK_END);
    return position < 0 ? errno : 0;
}

int CFile::Truncate(off_t length) {
    return ::ftruncate(m_fd, length) < 0 ? errno : 0;
}

int CFile::Close() {
    if (m_fd < 0) {
        return 0;
    }
    const int result = ::close(m_fd);
    m_fd = -1;
    return result < 0 ? errno : 0;
}

std::string CauseText(int cause) {
    if (cause == NOT_A_REGULAR_FILE) {
        return "not a regular file";
    }
    if (cause == A_SYMBOLIC_LINK) {
        return "a symbolic link, which is not followed";
    }
    return std::generic_category().message(cause);
}

int CheckRegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) < 0) {
        return errno;
    }
    return S_ISREG(st.st_mode) ? 0 : NOT_A_REGULAR_FILE;
}

namespace {
std::atomic<SyncHook> g_syncHook{nullptr};
}  // namespace

int SyncData(int fd) {
    if (const SyncHook hook = g_syncHook.load(); hook != nullptr) {
        return hook(fd);
    }
    while (::fdatasync(fd) < 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

void SetSyncHook(SyncHook hook) {
    g_syncHook.store(hook);
}

int CheckOutputFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) < 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (S_ISLNK(st.st_mode)) {
        return A_SYMBOLIC_LINK;
    }
    return S_ISREG(st.st_mode) ? 0 : NOT_A_REGULAR_FILE;
}

void OpenStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            // The lowest free descriptor: this one.
            const int opened = ::open("/dev/null", O_RDWR);
            if (opened >= 0 && opened != fd) {
                ::close(opened);
            }
        }
    }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    if (folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

}  // namespace tavik
