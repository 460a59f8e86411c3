#include "app/WavOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/File.h"
#include "platform/FileContents.h"
#include "platform/WavHeader.h"

namespace tavik {

std::array<std::uint8_t, CWavOutput::kHeaderBytes> CWavOutput::Header(std::uint32_t dataBytes) {
    return WavHeader(kChannels, kRate, dataBytes);
}

CWavOutput::~CWavOutput() {
    Abandon();
}

int CWavOutput::Open(const std::string& path) {
    if (path == "-") {
        m_bStream = true;
        m_fd = STDOUT_FILENO;
    } else {
        // Only a missing or regular file is replaced: a rename over a device or a FIFO would
        // destroy it.
        if (const int cause = CheckOutputFile(path); cause != 0) {
            return cause;
        }
        static std::atomic<int> counter{0};
        m_strPath = path;
        m_strTemporary =
            path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter.fetch_add(1));
        m_fd = ::open(m_strTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            m_strTemporary.clear();
            return errno;
        }
    }
    const auto header = Header(m_bStream ? kUnknownSize : 0);
    return WriteAll(header.data(), header.size());
}

int CWavOutput::Write(const std::int16_t* frames, int count) {
    const std::size_t bytes = static_cast<std::size_t>(count) * kBytesPerFrame;
    if (!m_bStream && m_nDataBytes + bytes > kMaxDataBytes) {
        m_nCause = m_nCause != 0 ? m_nCause : EFBIG;
        return EFBIG;
    }
    // Little-endian samples: the host's order on the platforms built for.
    static_assert(std::endian::native == std::endian::little);
    const int cause = WriteAll(frames, bytes);
    if (cause == 0) {
        m_nDataBytes += bytes;
    }
    return cause;
}

int CWavOutput::WriteAll(const void* data, std::size_t size) {
    const int cause = WriteFully(m_fd, data, size);
    if (cause != 0 && m_nCause == 0) {
        m_nCause = cause;
    }
    return cause;
}

int CWavOutput::Close() {
    if (m_bStream || m_fd < 0) {
        m_fd = -1;
        return 0;
    }
    // A file that cannot grow (the header's sizes, a file-size limit) ends whole with the frames
    // written in full; the part of a frame beyond them is cut off.
    const bool full = IsFull(m_nCause);
    int cause = full ? 0 : m_nCause;
    if (full && ::ftruncate(m_fd, static_cast<off_t>(kHeaderBytes + m_nDataBytes)) != 0) {
        cause = errno;
    }
    if (cause == 0) {
        const auto header = Header(static_cast<std::uint32_t>(m_nDataBytes));
        if (::pwrite(m_fd, header.data(), header.size(), 0) !=
            static_cast<ssize_t>(header.size())) {
            cause = errno != 0 ? errno : EIO;
        }
    }
    cause = CloseIntoPlace(m_fd, cause, m_strTemporary, m_strPath);
    m_fd = -1;
    m_strTemporary.clear();
    return cause;
}

void CWavOutput::Abandon() {
    if (!m_bStream && m_fd >= 0) {
        CloseIntoPlace(m_fd, ECANCELED, m_strTemporary, m_strPath);
    }
    m_fd = -1;
    m_strTemporary.clear();
}

}  // namespace tavik
