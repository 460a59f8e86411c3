#include "document/ResultLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "document/Descriptor.h"
#include "platform/File.h"
#include "platform/GenericException.h"

namespace tavik {

namespace {

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

void CResultLog::SetFolder(int folderFd, const std::string& folder) {
    m_nFolderFd = folderFd;
    m_nFolderCause = 0;
    m_strFolder = folderFd >= 0 ? folder : std::string();
}

int CResultLog::OpenFile(const std::string& path, int flags) const {
    if (m_nFolderFd >= 0) {
        const std::string prefix = JoinPath(m_strFolder, "");
        if (path.size() > prefix.size() && path.starts_with(prefix) &&
            path.find('/', prefix.size()) == std::string::npos) {
            if (m_nFolderCause != 0) {
                errno = m_nFolderCause > 0 ? m_nFolderCause : ENOENT;
                return -1;
            }
            return ::openat(m_nFolderFd, path.c_str() + prefix.size(), flags, 0644);
        }
    }
    return ::open(path.c_str(), flags, 0644);
}

// Appends `body` to `path`, with `head` before it when the file is empty, and syncs the data,
// so a power loss costs at most what was not yet flushed. Without `create` a missing file gives
// ENOENT. A failed write is cut back to the last of `boundaries` (end offsets of whole pieces
// of `body`) that reached the file, or to the old end; `kept` gets the bytes of `body` kept. A
// failed sync with `cutOnSyncFailure` cuts the file back to the old end (nothing kept), so that
// what the caller writes again later is never in the file twice; without it, what was
// written stays and the sync's cause is returned.
int CResultLog::Append(const std::string& path, std::string_view head, std::string_view body,
                       bool create, bool cutOnSyncFailure, const std::size_t* boundaries,
                       std::size_t boundaryCount, std::size_t* kept) {
    if (kept != nullptr) {
        *kept = 0;
    }
    m_lastSync = ESync::Skipped;
    const int flags =
        O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT : 0);
    CDescriptor file(OpenFile(path, flags));
    if (file.Get() < 0) {
        // ELOOP: a symbolic link; ENXIO: a FIFO without a reader (never waited for).
        return errno == ELOOP || errno == ENXIO ? NOT_A_RESULT_FILE : errno;
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) < 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return NOT_A_RESULT_FILE;  // a device, a FIFO or a socket: never written nor waited on
    }
    if (const int error = CutLeftover(path, file.Get(), st.st_size); error != 0) {
        return error;
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
        if (::ftruncate(file.Get(), cut) < 0) {
            RememberCut(path, cut);  // cut off before the next write to the file
        }
        if (kept != nullptr && *kept > 0 && m_bSync.load()) {
            m_lastSync = SyncData(file.Get()) == 0 ? ESync::Synced : ESync::Failed;
            if (m_lastSync == ESync::Failed && ::ftruncate(file.Get(), st.st_size) == 0) {
                *kept = 0;  // what fitted is not on the disk either: it waits with the rest
            }
        }
        return error;
    }
    if (m_bSync.load()) {
        const int syncError = SyncData(file.Get());
        m_lastSync = syncError == 0 ? ESync::Synced : ESync::Failed;
        if (syncError != 0) {
            // The bytes may not be on the disk. Records are written again later: cut them off
            // first. When even the cut fails they stay, counted as written.
            if (cutOnSyncFailure && ::ftruncate(file.Get(), st.st_size) == 0) {
                return syncError;
            }
            if (kept != nullptr) {
                *kept = body.size();
            }
            return syncError;
        }
    }
    if (kept != nullptr) {
        *kept = body.size();
    }
    return file.Close();
}

void CResultLog::RememberCut(const std::string& path, off_t length) {
    const auto it = std::find_if(m_leftovers.begin(), m_leftovers.end(),
                                 [&](const auto& leftover) { return leftover.first == path; });
    if (it != m_leftovers.end()) {
        it->second = std::min(it->second, length);
    } else {
        m_leftovers.emplace_back(path, length);
    }
}

int CResultLog::CutLeftover(const std::string& path, int fd, off_t& size) {
    const auto it = std::find_if(m_leftovers.begin(), m_leftovers.end(),
                                 [&](const auto& leftover) { return leftover.first == path; });
    if (it == m_leftovers.end()) {
        return 0;
    }
    if (size > it->second) {  // never lengthened: a file cut since needs nothing more
        if (::ftruncate(fd, it->second) < 0) {
            return errno;
        }
        size = it->second;
    }
    m_leftovers.erase(it);
    return 0;
}

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
    constexpr std::size_t kDigits = 6;
    if (name.size() < prefix.size() + kDigits + extension.size() || !name.starts_with(prefix) ||
        !name.ends_with(extension)) {
        return false;
    }
    name.remove_suffix(extension.size());
    name.remove_prefix(prefix.size());
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    // "-2" to "-100": the name beside a day's name taken by another file.
    const std::string_view date = name.substr(0, kDigits), beside = name.substr(kDigits);
    return digits(date) &&
           (beside.empty() || (beside.size() >= 2 && beside.size() <= 4 && beside[0] == '-' &&
                               beside[1] != '0' && digits(beside.substr(1))));
}

void CResultLog::AppendRecord(std::string& out, std::int32_t id, const CResultRecord& record) {
    out += "      <Measurement id=\"";
    AppendNumber(out, id);
    out += record.m_bNoSignal ? "\" signal=\"none\">" : "\">";
    out += "\r\n         <Date timestamp=\"";
    AppendNumber(out, record.m_nTimestamp);
    out += "\">";
    out += CTime(static_cast<std::time_t>(record.m_nTimestamp)).Format("%A, %B %d, %Y, %H:%M:%S");
    out += "</Date>\r\n         <Deviation>";
    AppendFixed(out, record.m_fDeviation);
    out += "</Deviation>\r\n         <MPXPower>";
    AppendFixed(out, record.m_fMPXPower);
    out += "</MPXPower>\r\n         <Multipath>";
    AppendFixed(out, record.m_fMultipath);
    out += "</Multipath>\r\n         <DeviationPeak>";
    AppendFixed(out, record.m_fDeviationPeak.value_or(record.m_fDeviation));
    out += "</DeviationPeak>\r\n      </Measurement>";
}

std::string CResultLog::FormatLogLine(CTime now, const std::string& text) {
    return StringFormat("%d.%d.%d, %02d:%02d:%02d: %s\r\n", now.GetDay(), now.GetMonth(),
                        now.GetYear(), now.GetHour(), now.GetMinute(), now.GetSecond(),
                        text.c_str());
}

void CResultLog::Keep(const CResultRecord* records, int count, CPrompt& prompt) {
    for (int i = 0; i < count; ++i) {
        if (m_nPending == RESULT_BACKLOG) {
            Forget(1);
            ++m_nLost;
            ++m_nUnloggedLost;
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
    // Ids never wrap (a continued file's ids leave room for 100 days of records).
    const int count = static_cast<int>(
        std::min<std::int64_t>(m_nPending, std::int64_t{INT32_MAX} - measurementId));
    for (int i = 0; i < count; ++i) {
        AppendRecord(m_strText, ++id,
                     m_pending[static_cast<std::size_t>((m_nFirst + i) % RESULT_BACKLOG)]);
        m_recordEnds[static_cast<std::size_t>(i)] = m_strText.size();
    }
    std::size_t kept = 0;
    const int error = Append(path, HEADER, m_strText, true, true, m_recordEnds.data(),
                             static_cast<std::size_t>(count), &kept);
    // Whatever fitted is written for good; the rest waits for the next write.
    int written = 0;
    while (written < count && m_recordEnds[static_cast<std::size_t>(written)] <= kept) {
        ++written;
    }
    measurementId += written;
    m_nWritten += written;
    Forget(written);
    // A sync that succeeded confirms the file. Records written while its syncs fail, without one
    // that succeeded (a stop writes without syncing, a cut after a failed sync that failed too),
    // are in the file but not confirmed on disk.
    if (m_lastSync != ESync::Skipped) {
        m_bResultSyncFailing = m_lastSync == ESync::Failed;
    }
    if (m_bResultSyncFailing && written > 0) {
        m_nUnsynced += written;
        m_nUnloggedUnsynced += written;
    }
    if (error != 0) {
        Failed(true, path, error, prompt);
        return error;
    }
    SucceededIfSynced(true, path, prompt);
    return 0;
}

int CResultLog::AppendFooter(const std::string& path, CPrompt& prompt) {
    const int error = Append(path, "", FOOTER, false);
    if (error != 0) {
        Failed(true, path, error, prompt);
    } else {
        SucceededIfSynced(true, path, prompt);
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
    // A line whose sync failed is in the file: only its place on the disk is not confirmed.
    const bool written = error == 0 || m_lastSync == ESync::Failed;
    if (written) {
        last = today;
    }
    if (error != 0) {
        Failed(false, today, error, prompt, written);
        return error;
    }
    SucceededIfSynced(false, today, prompt);
    return 0;
}

int CResultLog::DropPending(CPrompt& prompt) {
    const int lost = m_nPending;
    if (lost > 0) {
        prompt.Notice(StringFormat("%d results could not be written and are lost.", lost));
        m_nLost += lost;
        m_nUnloggedLost += lost;
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

// A write that went out without a sync (a stop) does not show that the disk works again: a
// failure told stays told until a synced write succeeds.
void CResultLog::SucceededIfSynced(bool result, const std::string& path, CPrompt& prompt) {
    if (m_lastSync == ESync::Synced) {
        Succeeded(result, path, prompt);
    }
}

void CResultLog::Failed(bool result, const std::string& path, int error, CPrompt& prompt,
                        bool written) {
    std::string& failed = result ? m_strFailedResultFile : m_strFailedLogFile;
    if (failed == path) {
        return;  // reported already
    }
    failed = path;
    const std::string cause =
        result ? ResultCauseText(error)
               : (error == NOT_A_RESULT_FILE ? CauseText(NOT_A_REGULAR_FILE) : CauseText(error));
    if (error == NOT_A_RESULT_FILE && result) {
        prompt.Notice(
            StringFormat("\"%s\" is not a result file of this program; it is left "
                         "untouched and no results are written to it.",
                         path.c_str()));
        return;
    }
    if (written && !result) {
        prompt.Notice(
            StringFormat("Could not sync log file \"%s\" (%s); its event lines are "
                         "written but not confirmed on disk.",
                         path.c_str(), cause.c_str()));
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
