#pragma once

#include <cstdint>
#include <functional>
#include <streambuf>
#include <string>
#include <utility>

namespace tavik {

// A stream buffer over a file descriptor that never blocks its writer: each complete line is
// written only when the descriptor can take it now, otherwise it is dropped and counted. The
// monitor's console goes through it, so a stalled terminal (Ctrl-S) or a pipe that nobody reads
// never holds up measuring and logging. A pipe whose reader has gone (`| head -1`) is closed
// for good: the closed handler runs once, as Unix tools end when their output goes away.
class CDroppingLineOutput final : public std::streambuf {
public:
    explicit CDroppingLineOutput(int fd) : m_fd(fd) {}

    std::int64_t GetDroppedLines() const { return m_nDropped; }
    bool IsClosed() const { return m_bClosed; }
    void SetClosedHandler(std::function<void()> handler) { m_closedHandler = std::move(handler); }
    // Written before every line that does not begin with a priority ("<3>") of its own: the
    // journal's priority of the stream's lines.
    void SetLinePrefix(std::string prefix) { m_strPrefix = std::move(prefix); }

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void Put(char ch);
    void WriteLine();
    void Close();

    static constexpr std::size_t kLongestLine = 4096;  // a pipe's atomic write

    int m_fd;
    std::string m_strLine;
    std::string m_strPrefix;
    std::int64_t m_nDropped = 0;
    bool m_bClosed = false;
    std::function<void()> m_closedHandler;
};

}  // namespace tavik
