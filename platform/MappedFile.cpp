#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/File.h"

namespace tavik {

CMappedFile::~CMappedFile() {
    Close();
}

int CMappedFile::Open(const std::string& path) {
    Close();
    int fd = -1;
    if (const int cause = OpenRegularFile(path, O_RDONLY, fd); cause != 0) {
        return cause;
    }
    struct stat st {};
    if (::fstat(fd, &st) < 0) {
        const int cause = errno;
        ::close(fd);
        return cause;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size > 0) {
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            const int cause = errno;
            ::close(fd);
            return cause;
        }
        ::madvise(data, size, MADV_SEQUENTIAL);
        m_pData = static_cast<const std::uint8_t*>(data);
    }
    m_fd = fd;
    m_nSize = size;
    m_nReleased = 0;
    m_strName = path;
    return 0;
}

void CMappedFile::Close() {
    if (m_pData != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(m_pData), m_nSize);
        m_pData = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_nSize = 0;
    m_nReleased = 0;
}

bool CMappedFile::StillHolds(std::size_t bytes) const {
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 && static_cast<std::size_t>(st.st_size) >= bytes;
}

void CMappedFile::Release(std::size_t end) {
    static const auto kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    end = end / kPage * kPage;
    if (end < m_nReleased) {
        m_nReleased = 0;  // read again from the start
    }
    if (m_pData == nullptr || end <= m_nReleased || end > m_nSize) {
        return;
    }
    ::madvise(const_cast<std::uint8_t*>(m_pData) + m_nReleased, end - m_nReleased, MADV_DONTNEED);
    m_nReleased = end;
}

}  // namespace tavik
