#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/File.h"

namespace tavik {

int CFolderLock::Acquire(const std::string& folder, std::string& holder) {
    holder.clear();
    if (m_fd >= 0 && folder == m_strFolder) {
        return 0;
    }
    Release();
    const std::string path = JoinPath(folder, LOCK_FILE_NAME);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return errno;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) < 0) {
        const int cause = errno;
        char text[32] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        holder.assign(text, n > 0 ? static_cast<std::size_t>(n) : 0);
        while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\0')) {
            holder.pop_back();
        }
        ::close(fd);
        return cause == EWOULDBLOCK ? EWOULDBLOCK : cause;
    }
    // Ours now: the file names this process for whoever finds the folder taken.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) < 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
        const int cause = errno;
        ::close(fd);
        return cause;
    }
    m_fd = fd;
    m_strFolder = folder;
    return 0;
}

void CFolderLock::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);  // closing the descriptor drops the lock
        m_fd = -1;
    }
    m_strFolder.clear();
}

}  // namespace tavik
