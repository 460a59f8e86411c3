#include "document/ResultLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <charconv>
#include <cstdio>

#include "document/GenericException.h"
#include "platform/File.h"

namespace tavik {

namespace {

// Closes a file descriptor at scope end; Close() reports the close's own failure.
class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor() { Close(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_fd; }
    int Close() {
        if (m_fd < 0) {
            return 0;
        }
        const int result = ::close(m_fd);
        m_fd = -1;
        return result < 0 ? errno : 0;
    }

private:
    int m_fd;
};

int WriteAll(int fd, std::string_view text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

// Appends `body` to `path`, with `head` before it when the file is empty. Without `create` a
// missing file gives ENOENT. A failed write is cut back to the old end, so that the file never
// keeps part of a write and stays continuable.
int Append(const std::string& path, std::string_view head, std::string_view body, bool create) {
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT : 0);
    CDescriptor file(::open(path.c_str(), flags, 0644));
    if (file.Get() < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) < 0) {
        return errno;
    }
    int error = st.st_size == 0 ? WriteAll(file.Get(), head) : 0;
    if (error == 0) {
        error = WriteAll(file.Get(), body);
    }
    if (error != 0) {
        (void)::ftruncate(file.Get(), st.st_size);
        return error;
    }
    return file.Close();
}

template <typename T>
void AppendNumber(std::string& out, T value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// "%f": six decimals, always with a point whatever the process locale (a GUI toolkit may have
// switched LC_NUMERIC to a comma locale).
void AppendFixed(std::string& out, float value) {
    char digits[64];  // the largest float has 39 integer digits
    const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    out.append(digits, result.ptr);
}

}  // namespace

std::string CResultLog::BaseName(CTime now) {
    return now.Format("tavik%y%m%d");
}

std::string CResultLog::ResultFileName(const std::string& folder, CTime now) {
    return folder.empty() ? std::string() : JoinPath(folder, BaseName(now) + ".xml");
}

std::string CResultLog::LogFileName(const std::string& folder, CTime now) {
    return folder.empty() ? std::string() : JoinPath(folder, BaseName(now) + ".log");
}

bool CResultLog::IsOwnFileName(std::string_view name, std::string_view extension) {
    constexpr std::string_view prefix = "tavik";
    if (name.size() != prefix.size() + 6 + extension.size() || !name.starts_with(prefix) ||
        !name.ends_with(extension)) {
        return false;
    }
    for (std::size_t i = prefix.size(); i < prefix.size() + 6; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
    }
    return true;
}

void CResultLog::AppendRecord(std::string& out, std::int32_t id, const CResultRecord& record) {
    out += "      <Measurement id=\"";
    AppendNumber(out, id);
    out += "\">\r\n         <Date timestamp=\"";
    AppendNumber(out, record.m_nTimestamp);
    out += "\">";
    out += CTime(static_cast<std::time_t>(record.m_nTimestamp)).Format("%A, %B %d, %Y, %H:%M:%S");
    out += "</Date>\r\n         <Deviation>";
    AppendFixed(out, record.m_fDeviation);
    out += "</Deviation>\r\n         <MPXPower>";
    AppendFixed(out, record.m_fMPXPower);
    out += "</MPXPower>\r\n         <Multipath>";
    AppendFixed(out, record.m_fMultipath);
    out += "</Multipath>\r\n      </Measurement>";
}

std::string CResultLog::FormatLogLine(CTime now, const std::string& text) {
    return StringFormat("%d.%d.%d, %02d:%02d:%02d: %s\r\n", now.GetDay(), now.GetMonth(),
                        now.GetYear(), now.GetHour(), now.GetMinute(), now.GetSecond(),
                        text.c_str());
}

int CResultLog::BeginResultFile(const std::string& path, CPrompt& prompt) {
    int error = 0;
    {
        CDescriptor file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        struct stat st {};
        if (file.Get() < 0 || ::fstat(file.Get(), &st) < 0) {
            error = errno;
        } else if (st.st_size == 0) {
            error = WriteAll(file.Get(), HEADER);
            if (error != 0) {
                (void)::ftruncate(file.Get(), 0);
            }
        } else if (st.st_size >= static_cast<off_t>(FOOTER.size())) {
            // Continue the day's file: its records stay, the footer comes back at the close.
            char tail[FOOTER.size()];
            const off_t end = st.st_size - static_cast<off_t>(FOOTER.size());
            if (::pread(file.Get(), tail, sizeof tail, end) != static_cast<ssize_t>(sizeof tail)) {
                error = errno != 0 ? errno : EIO;
            } else if (std::string_view(tail, sizeof tail) == FOOTER &&
                       ::ftruncate(file.Get(), end) < 0) {
                error = errno;
            }
        }
        if (error == 0) {
            error = file.Close();
        }
    }
    if (error != 0) {
        Failed(true, path, error, prompt);
    } else {
        Succeeded(true, path, prompt);
    }
    return error;
}

void CResultLog::Keep(const CResultRecord* records, int count, CPrompt& prompt) {
    for (int i = 0; i < count; ++i) {
        if (m_nPending == RESULT_BACKLOG) {
            m_nFirst = (m_nFirst + 1) % RESULT_BACKLOG;
            --m_nPending;
            if (!m_bOverflowReported) {
                m_bOverflowReported = true;
                prompt.Notice(StringFormat(
                    "More than %d results are waiting to be written; the oldest are dropped.",
                    RESULT_BACKLOG));
            }
        }
        m_pending[static_cast<std::size_t>((m_nFirst + m_nPending) % RESULT_BACKLOG)] = records[i];
        ++m_nPending;
    }
}

int CResultLog::WriteResults(const std::string& today, std::string& last,
                             std::int32_t& measurementId, CPrompt& prompt) {
    m_strText.clear();
    std::int32_t id = measurementId;
    for (int i = 0; i < m_nPending; ++i) {
        AppendRecord(m_strText, ++id,
                     m_pending[static_cast<std::size_t>((m_nFirst + i) % RESULT_BACKLOG)]);
    }
    int error = Append(today, HEADER, m_strText, false);
    if (error == ENOENT) {
        // A new day: the previous day's file is closed once, then today's is started.
        if (!last.empty()) {
            const int closeError = Append(last, "", FOOTER, false);
            if (closeError != 0 && closeError != ENOENT) {
                Failed(true, last, closeError, prompt);
            }
            last.clear();
        }
        error = Append(today, HEADER, m_strText, true);
    }
    if (error != 0) {
        Failed(true, today, error, prompt);
        return error;
    }
    measurementId = id;
    m_nFirst = 0;
    m_nPending = 0;
    m_bOverflowReported = false;
    last = today;
    Succeeded(true, today, prompt);
    return 0;
}

int CResultLog::AppendFooter(const std::string& path, CPrompt& prompt) {
    const int error = Append(path, "", FOOTER, false);
    if (error != 0) {
        Failed(true, path, error, prompt);
    } else {
        Succeeded(true, path, prompt);
    }
    return error;
}

int CResultLog::WriteLogLine(const std::string& today, std::string& last, const std::string& line,
                             CTime now, CPrompt& prompt) {
    int error = Append(today, "", line, false);
    if (error == ENOENT) {
        if (!last.empty()) {
            const int closeError = Append(last, "", FormatLogLine(now, "File Closed"), false);
            if (closeError != 0 && closeError != ENOENT) {
                Failed(false, last, closeError, prompt);
            }
            last.clear();
        }
        error = Append(today, "", line, true);
    }
    if (error != 0) {
        Failed(false, today, error, prompt);
        return error;
    }
    last = today;
    Succeeded(false, today, prompt);
    return 0;
}

void CResultLog::DropPending(CPrompt& prompt) {
    if (m_nPending > 0) {
        prompt.Notice(StringFormat("%d results could not be written and are lost.", m_nPending));
    }
    m_nFirst = 0;
    m_nPending = 0;
    m_bOverflowReported = false;
}

void CResultLog::Succeeded(bool result, const std::string& path, CPrompt& prompt) {
    std::string& failed = result ? m_strFailedResultFile : m_strFailedLogFile;
    if (failed == path) {
        prompt.Notice(StringFormat("%s file \"%s\" is written again.", result ? "Result" : "Log",
                                   path.c_str()));
    }
    failed.clear();
}

void CResultLog::Failed(bool result, const std::string& path, int error, CPrompt& prompt) {
    std::string& failed = result ? m_strFailedResultFile : m_strFailedLogFile;
    if (failed == path) {
        return;  // reported already
    }
    failed = path;
    prompt.Notice(result ? StringFormat("Could not write result file \"%s\" (%d); the results "
                                        "are kept until it can be written.",
                                        path.c_str(), error)
                         : StringFormat("Could not write log file \"%s\" (%d); its event lines "
                                        "are lost.",
                                        path.c_str(), error));
}

}  // namespace tavik
