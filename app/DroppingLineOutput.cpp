#include "app/DroppingLineOutput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace tavik {

std::streambuf::int_type CDroppingLineOutput::overflow(int_type ch) {
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        Put(traits_type::to_char_type(ch));
    }
    return traits_type::not_eof(ch);
}

std::streamsize CDroppingLineOutput::xsputn(const char* text, std::streamsize count) {
    for (std::streamsize i = 0; i < count; ++i) {
        Put(text[i]);
    }
    return count;
}

// A flush without a line end waits for the rest of the line: only whole lines are written.
int CDroppingLineOutput::sync() {
    return 0;
}

void CDroppingLineOutput::Put(char ch) {
    m_strLine.push_back(ch);
    if (ch == '\n' || m_strLine.size() >= kLongestLine) {
        WriteLine();
        m_strLine.clear();
    }
}

void CDroppingLineOutput::WriteLine() {
    // Writable now means room for at least one pipe page, so a line up to that size goes out
    // whole without blocking; a terminal stopped by Ctrl-S fills up and reports not writable.
    if (m_bClosed) {
        ++m_nDropped;
        return;
    }
    pollfd target{m_fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&target, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready == 1 && (target.revents & POLLERR) != 0 && (target.revents & POLLOUT) == 0) {
        Close();  // a pipe without a reader reports an error, never room
    }
    if (ready != 1 || (target.revents & POLLOUT) == 0) {
        ++m_nDropped;
        return;
    }
    const std::string_view line = m_strLine;
    const bool ownPriority =
        line.size() >= 3 && line[0] == '<' && line[1] >= '0' && line[1] <= '7' && line[2] == '>';
    if (!m_strPrefix.empty() && !ownPriority) {
        m_strLine.insert(0, m_strPrefix);
    }
    std::size_t done = 0;
    while (done < m_strLine.size()) {
        const ssize_t n = ::write(m_fd, m_strLine.data() + done, m_strLine.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EPIPE) {
            Close();
        }
        if (n <= 0) {
            ++m_nDropped;
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void CDroppingLineOutput::Close() {
    if (m_bClosed) {
        return;
    }
    m_bClosed = true;
    if (m_closedHandler) {
        m_closedHandler();
    }
}

}  // namespace tavik
