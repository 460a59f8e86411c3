#include "platform/FileContents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/File.h"

namespace tavik {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int ReadFileContents(const std::string& path, std::vector<std::uint8_t>& bytes,
                     std::size_t maxBytes) {
    bytes.clear();
    if (const int cause = CheckRegularFile(path); cause != 0) {
        return cause;  // a FIFO would block the open, a folder reads as garbage
    }
    CFile file;
    if (const int cause = file.Open(path, CFile::modeRead); cause != 0) {
        return cause;
    }
    off_t end = 0;
    if (const int cause = file.SeekToEnd(end); cause != 0) {
        return cause;
    }
    if (static_cast<std::uint64_t>(end) > maxBytes) {
        return EFBIG;
    }
    if (const int cause = file.Seek(0); cause != 0) {
        return cause;
    }
    // One byte more than the size: a file that grew meanwhile is still caught by the limit.
    bytes.resize(static_cast<std::size_t>(end) + 1);
    std::size_t read = 0;
    if (const int cause = file.Read(bytes.data(), bytes.size(), read); cause != 0) {
        bytes.clear();
        return cause;
    }
    if (read > maxBytes) {
        bytes.clear();
        return EFBIG;
    }
    bytes.resize(read);
    return 0;
}

int ReplaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // Only a regular file is replaced: a device or a FIFO renamed over would be destroyed, and
    // a planted symbolic link would be replaced rather than followed without anybody knowing.
    if (const int cause = CheckOutputFile(path); cause != 0) {
        return cause;
    }
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    // A fresh name next to the target, so the rename stays within one file system.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary =
            path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter.fetch_add(1));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return errno;
        }
    }
    if (fd < 0) {
        return EEXIST;
    }
    // The replacement keeps the permissions of the file it replaces; one it cannot give them to
    // is not put in its place.
    int cause = 0;
    struct stat previous {};
    if (::stat(path.c_str(), &previous) == 0 && ::fchmod(fd, previous.st_mode & 07777) != 0) {
        cause = errno;
    }
    if (cause == 0) {
        cause = WriteFully(fd, bytes.data(), bytes.size());
    }
    if (cause == 0 && ::fsync(fd) != 0) {
        cause = errno;
    }
    if (cause = CloseIntoPlace(fd, cause, temporary, path); cause != 0) {
        return cause;
    }
    // Make the rename itself durable; a failure here no longer endangers either file.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

int CloseIntoPlace(int fd, int cause, const std::string& temporary, const std::string& path) {
    if (::close(fd) != 0 && cause == 0) {
        cause = errno;
    }
    if (cause == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) {
        cause = errno;
    }
    if (cause != 0) {
        ::unlink(temporary.c_str());
    }
    return cause;
}

}  // namespace tavik
