#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace tavik {

// A POSIX file descriptor owned by value. Operations return 0 or the errno cause code, which
// the error texts show as the file-error cause.
class CFile {
public:
    enum OpenMode { modeRead, modeWrite, modeAppend, modeReadWrite };

    CFile() = default;
    ~CFile();
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Write/append create the file. Only a regular file is opened: anything else (a folder, a
    // FIFO, a device) gives NOT_A_REGULAR_FILE at once, never an open that waits.
    int Open(const std::string& path, OpenMode mode);
    // Reads up to `count` bytes, retrying short reads until end of file; `read` gets the count.
    int Read(void* buffer, std::size_t count, std::size_t& read);
    int Write(const void* buffer, std::size_t count);
    int Seek(off_t offset);  // from the start of the file
    int SeekToEnd(off_t& position);
    int Truncate(off_t length);
    int Close();  // closing a closed file is a no-op
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetFileName() const { return m_strName; }

private:
    int m_fd = -1;
    std::string m_strName;
};

// Cause code for a path that names something other than a regular file (a folder, a FIFO, a
// device), which is never opened for reading: a FIFO would block the open.
constexpr int NOT_A_REGULAR_FILE = -2;
// Cause code for an output path that is a symbolic link, which is never followed.
constexpr int A_SYMBOLIC_LINK = -5;
// Opens `path` with the open(2) `flags` (close-on-exec, non-blocking) when it is a regular
// file: 0 and the descriptor in `fd`, else the cause (NOT_A_REGULAR_FILE or errno).
int OpenRegularFile(const std::string& path, int flags, int& fd);
// The cause in words: the system's text for an errno value.
std::string CauseText(int cause);
// 0 when `path` is a regular file (symbolic links followed), else NOT_A_REGULAR_FILE or errno.
int CheckRegularFile(const std::string& path);

// Whether a file may be written (replaced) at `path`: 0 when nothing is there or a regular
// file is; NOT_A_REGULAR_FILE for a device, a FIFO, a socket or a folder, which a replacing
// rename would destroy or an open would block on; A_SYMBOLIC_LINK for a link, never followed.
int CheckOutputFile(const std::string& path);

// Writes all `count` bytes to a descriptor, retrying short and interrupted writes; 0 or errno.
int WriteFully(int fd, const void* buffer, std::size_t count);

// Makes the data written to `fd` durable (fdatasync, retried when interrupted); 0 or errno.
// Every sync of the result and log files goes through here, so that a test can put a hook in
// its place (an injected failure, a delay, a count); SetSyncHook(nullptr) restores fdatasync.
using SyncHook = int (*)(int fd);
int SyncData(int fd);
void SetSyncHook(SyncHook hook);

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed, so that no file opened
// later (a lock file, a day file) becomes standard output and takes the console's lines.
void OpenStandardDescriptors();

// "folder/name": joins with exactly one separator.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace tavik
