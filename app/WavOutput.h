#pragma once

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tavik {

// A 48000 Hz, 2-channel, 16-bit PCM WAV: into a file, written through a temporary in its
// folder and renamed into place with the header's sizes filled in at the end; or into a stream
// (the standard output), whose sizes are unknown and read 0xFFFFFFFF, as players of a pipe
// expect.
class CWavOutput {
public:
    static constexpr int kRate = 48000;
    static constexpr int kChannels = 2;
    static constexpr int kBytesPerFrame = kChannels * 2;
    static constexpr std::size_t kHeaderBytes = 44;
    // The most data bytes the header's 32-bit sizes count.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);
    static constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;

    // The header for `dataBytes` of samples; kUnknownSize gives a stream's.
    static std::array<std::uint8_t, kHeaderBytes> Header(std::uint32_t dataBytes);

    CWavOutput() = default;
    ~CWavOutput();
    CWavOutput(const CWavOutput&) = delete;
    CWavOutput& operator=(const CWavOutput&) = delete;

    // Starts the file at `path` (its temporary) or, for "-", the stream on the standard output,
    // and writes the header. 0 or the errno cause.
    int Open(const std::string& path);
    // Appends interleaved frames. 0 or the errno cause (EPIPE: the reader went away; EFBIG:
    // the file's sizes cannot count more).
    int Write(const std::int16_t* frames, int count);
    // A file: its header's sizes, then closed and renamed into place (removed after a
    // failure; kept with what it holds when it could not grow, IsFull). A stream: nothing. 0 or
    // the first cause.
    int Close();
    // Discards a file's temporary.
    void Abandon();

    // A write error after which the file is whole up to where it stopped: it cannot grow (its
    // sizes, a file-size limit, a full disk or quota).
    static bool IsFull(int cause) { return cause == EFBIG || cause == ENOSPC || cause == EDQUOT; }

    std::uint64_t GetDataBytes() const { return m_nDataBytes; }
    bool IsStream() const { return m_bStream; }

private:
    int WriteAll(const void* data, std::size_t size);

    int m_fd = -1;
    bool m_bStream = false;
    std::string m_strPath;
    std::string m_strTemporary;
    std::uint64_t m_nDataBytes = 0;
    int m_nCause = 0;  // the first write error of a file
};

}  // namespace tavik
