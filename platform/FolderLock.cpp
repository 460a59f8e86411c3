#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace tavik {

int CFolderLock::Acquire(const std::string& folder, std::string& holder) {
    holder.clear();
    if (m_fd >= 0 && folder == m_strFolder && CheckFolder() == 0) {
        return 0;
    }
    Release();
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        return errno;
    }
    const int fd =
        ::openat(dir, LOCK_FILE_NAME, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) < 0 || !S_ISREG(st.st_mode)) {
        const int cause = fd < 0 ? errno : (S_ISREG(st.st_mode) ? errno : EINVAL);
        if (fd >= 0) {
            ::close(fd);
        }
        ::close(dir);
        return cause == ELOOP ? EINVAL : cause;  // a link or a FIFO named like the lock file
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
        ::close(dir);
        return cause == EWOULDBLOCK ? EWOULDBLOCK : cause;
    }
    // Ours now: the file names this process for whoever finds the folder taken.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) < 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
        const int cause = errno;
        ::close(fd);
        ::close(dir);
        return cause;
    }
    m_fd = fd;
    m_dirFd = dir;
    m_strFolder = folder;
    return 0;
}

void CFolderLock::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);  // closing the descriptor drops the lock
        m_fd = -1;
    }
    if (m_dirFd >= 0) {
        ::close(m_dirFd);
        m_dirFd = -1;
    }
    m_strFolder.clear();
}

int CFolderLock::CheckFolder() const {
    struct stat held {};
    if (m_dirFd < 0 || ::fstat(m_dirFd, &held) < 0) {
        return EBADF;
    }
    if (held.st_nlink == 0) {
        return FOLDER_REPLACED;  // deleted: it can never come back
    }
    struct stat named {};
    if (::stat(m_strFolder.c_str(), &named) < 0) {
        return errno;
    }
    return named.st_dev == held.st_dev && named.st_ino == held.st_ino ? 0 : FOLDER_REPLACED;
}

}  // namespace tavik
