#include "document/ResultLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/File.h"
#include "platform/GenericException.h"

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

// Appends `body` to `path`, with `head` before it when the file is empty, and syncs the data,
// so a power loss costs at most what was not yet flushed. Without `create` a missing file gives
// ENOENT. A failed write is cut back to the last of `boundaries` (end offsets of whole pieces
// of `body`) that reached the file, or to the old end; `kept` gets the bytes of `body` kept.
int Append(const std::string& path, std::string_view head, std::string_view body, bool create,
           const std::size_t* boundaries = nullptr, std::size_t boundaryCount = 0,
           std::size_t* kept = nullptr) {
    if (kept != nullptr) {
        *kept = 0;
    }
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
    CDescriptor file(::open(path.c_str(), flags, 0644));
    if (file.Get() < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) < 0) {
        return errno;
    }
    const bool withHead = st.st_size == 0 && !head.empty();
    int error = withHead ? WriteFully(file.Get(), head.data(), head.size()) : 0;
    if (error == 0) {
        error = WriteFully(file.Get(), body.data(), body.size());
    }
    if (error != 0) {
        // Keep the whole pieces that reached the file, never part of one.
        off_t cut = st.st_size;
        struct stat now {};
        if (::fstat(file.Get(), &now) == 0 && boundaryCount > 0) {
            const off_t bodyStart = st.st_size + (withHead ? static_cast<off_t>(head.size()) : 0);
            const off_t written = now.st_size - bodyStart;
            for (std::size_t i = 0;
                 i < boundaryCount && written >= 0 && static_cast<off_t>(boundaries[i]) <= written;
                 ++i) {
                cut = bodyStart + static_cast<off_t>(boundaries[i]);
                if (kept != nullptr) {
                    *kept = boundaries[i];
                }
            }
        }
        (void)::ftruncate(file.Get(), cut);
        if (kept != nullptr && *kept > 0) {
            (void)::fdatasync(file.Get());
        }
        return error;
    }
    if (::fdatasync(file.Get()) < 0 && errno != EINVAL && errno != EROFS) {
        return errno;  // EINVAL/EROFS: a special file (a terminal, /dev/full) that cannot sync
    }
    if (kept != nullptr) {
        *kept = body.size();
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
// switched LC_NUMERIC to a comma locale). Infinities and NaN take the forms XML readers accept
// as a double (a silent input gives an MPX power of minus infinity).
void AppendFixed(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-INF" : "INF";
        return;
    }
    char digits[64];  // the largest float has 39 integer digits
    const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    out.append(digits, result.ptr);
}

std::string ResultCauseText(int error) {
    return error == CResultLog::NOT_A_RESULT_FILE ? "not a result file" : CauseText(error);
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

int CResultLog::BeginResultFile(const std::string& path, CContinuation& found, CPrompt& prompt) {
    found = CContinuation();
    int error = 0;
    {
        // O_NOFOLLOW: a symbolic link named like a day file is refused, never written through.
        CDescriptor file(
            ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644));
        struct stat st {};
        if (file.Get() < 0 || ::fstat(file.Get(), &st) < 0) {
            error = errno == ELOOP ? NOT_A_RESULT_FILE : errno;
        } else if (!S_ISREG(st.st_mode)) {
            error = NOT_A_RESULT_FILE;
        } else if (st.st_size == 0) {
            error = WriteFully(file.Get(), HEADER.data(), HEADER.size());
            if (error != 0) {
                (void)::ftruncate(file.Get(), 0);
            }
        } else {
            error = ContinueResultFile(file.Get(), st.st_size, found);
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

// Reads what a day file holds after its header and cuts it back to its last whole record.
int CResultLog::ContinueResultFile(int fd, std::int64_t size, CContinuation& found) {
    std::string text(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n =
            ::pread(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    if (!std::string_view(text).starts_with(HEADER)) {
        return NOT_A_RESULT_FILE;  // another program's file: left as it is
    }
    constexpr std::string_view kRecordEnd = "</Measurement>";
    constexpr std::string_view kRecordStart = "<Measurement id=\"";
    std::size_t cut = HEADER.size();
    if (const std::size_t end = text.rfind(kRecordEnd); end != std::string::npos) {
        cut = end + kRecordEnd.size();
        const std::size_t start = text.rfind(kRecordStart, end);
        if (start != std::string::npos && start >= HEADER.size()) {
            const char* first = text.data() + start + kRecordStart.size();
            std::from_chars(first, text.data() + end, found.nLastId);
        }
    }
    const std::string_view tail = std::string_view(text).substr(cut);
    found.nBytesRemoved = tail == FOOTER ? 0 : static_cast<std::int64_t>(tail.size());
    if (!tail.empty() && ::ftruncate(fd, static_cast<off_t>(cut)) < 0) {
        return errno;
    }
    return 0;
}

void CResultLog::Keep(const CResultRecord* records, int count, CPrompt& prompt) {
    for (int i = 0; i < count; ++i) {
        if (m_nPending == RESULT_BACKLOG) {
            Forget(1);
            ++m_nLost;
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

void CResultLog::Forget(int count) {
    m_nFirst = (m_nFirst + count) % RESULT_BACKLOG;
    m_nPending -= count;
    if (m_nPending == 0) {
        m_nFirst = 0;
        m_bOverflowReported = false;
    }
}

int CResultLog::WriteResults(const std::string& path, std::int32_t& measurementId,
                             CPrompt& prompt) {
    if (m_nPending == 0) {
        return 0;
    }
    m_strText.clear();
    std::int32_t id = measurementId;
    for (int i = 0; i < m_nPending; ++i) {
        AppendRecord(m_strText, ++id,
                     m_pending[static_cast<std::size_t>((m_nFirst + i) % RESULT_BACKLOG)]);
        m_recordEnds[static_cast<std::size_t>(i)] = m_strText.size();
    }
    std::size_t kept = 0;
    const int error = Append(path, HEADER, m_strText, true, m_recordEnds.data(),
                             static_cast<std::size_t>(m_nPending), &kept);
    // Whatever fitted is written for good; the rest waits for the next write.
    int written = 0;
    while (written < m_nPending && m_recordEnds[static_cast<std::size_t>(written)] <= kept) {
        ++written;
    }
    measurementId += written;
    Forget(written);
    if (error != 0) {
        Failed(true, path, error, prompt);
        return error;
    }
    Succeeded(true, path, prompt);
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
        if (!last.empty() && last != today) {
            const int closeError = Append(last, "", FormatLogLine(now, "File Closed"), false);
            if (closeError != 0 && closeError != ENOENT) {
                Failed(false, last, closeError, prompt);
            }
        }
        last.clear();
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

int CResultLog::DropPending(CPrompt& prompt) {
    const int lost = m_nPending;
    if (lost > 0) {
        prompt.Notice(StringFormat("%d results could not be written and are lost.", lost));
        m_nLost += lost;
        Forget(lost);
    }
    return lost;
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
    const std::string cause = ResultCauseText(error);
    if (error == NOT_A_RESULT_FILE) {
        prompt.Notice(
            StringFormat("\"%s\" is not a result file of this program; it is left "
                         "untouched and no results are written to it.",
                         path.c_str()));
        return;
    }
    prompt.Notice(result ? StringFormat("Could not write result file \"%s\" (%s); the results "
                                        "are kept until it can be written.",
                                        path.c_str(), cause.c_str())
                         : StringFormat("Could not write log file \"%s\" (%s); its event lines "
                                        "are lost.",
                                        path.c_str(), cause.c_str()));
}

}  // namespace tavik
