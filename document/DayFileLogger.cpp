#include "document/DayFileLogger.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "document/DayFiles.h"
#include "document/Hints.h"
#include "platform/File.h"
#include "platform/GenericException.h"

namespace tavik {

void CDayFileLogger::SetMultipath(float value) {
    m_currentRecord.m_fMultipath = value;
    m_bHasMultipath = true;
}

void CDayFileLogger::SetDeviation(float value) {
    m_currentRecord.m_fDeviation = value;
    m_bHasDeviation = true;
}

void CDayFileLogger::SetMpxPower(float value) {
    m_currentRecord.m_fMPXPower = value;
    m_bHasMpxPower = true;
}

void CDayFileLogger::CloseSecond() {
    // Close the second's record and stamp the next one; the values carry over, so a second
    // without a new value repeats the last one.
    if (m_currentRecord.m_nTimestamp != 0 && m_host.IsLoggingEnabled()) {
        m_results[static_cast<std::size_t>(m_nResults)] = m_currentRecord;
        if (++m_nResults >= RESULT_RECORDS) {
            FlushResults();
        }
    }
    const CTime now = m_host.Now();
    // Every record closed so far began on the old day: they go to its file before the new
    // day's files are started.
    ChangeLogDay(now);
    m_currentRecord.m_nTimestamp = static_cast<std::uint32_t>(now.GetTime());
    m_currentRecord.m_bNoSignal = !m_bSignal;
}

void CDayFileLogger::SetSignal(bool present) {
    m_bSignal = present;
    if (!present) {
        m_currentRecord.m_bNoSignal = true;
    }
}

void CDayFileLogger::ForgetCurrentValues() {
    m_currentRecord.m_fMultipath = 0.0f;
    m_currentRecord.m_fDeviation = 0.0f;
    m_currentRecord.m_fMPXPower = 0.0f;
    m_bHasMultipath = false;
    m_bHasDeviation = false;
    m_bHasMpxPower = false;
}

void CDayFileLogger::ResetRecords() {
    m_nResults = 0;
    m_currentRecord = CResultRecord();
    m_bSignal = true;
    ForgetCurrentValues();
}

CCurrentValues CDayFileLogger::GetCurrentValues() const {
    CCurrentValues values;
    if (m_bHasMpxPower) {
        values.m_fMpxPower = m_currentRecord.m_fMPXPower;
    }
    if (m_bHasDeviation) {
        values.m_fDeviation = m_currentRecord.m_fDeviation;
    }
    if (m_bHasMultipath) {
        values.m_fMultipath = m_currentRecord.m_fMultipath;
    }
    return values;
}

void CDayFileLogger::SetCurrentValues(const CCurrentValues& values) {
    m_currentRecord.m_fMPXPower = values.m_fMpxPower.value_or(0.0f);
    m_currentRecord.m_fDeviation = values.m_fDeviation.value_or(0.0f);
    m_currentRecord.m_fMultipath = values.m_fMultipath.value_or(0.0f);
    m_bHasMpxPower = values.m_fMpxPower.has_value();
    m_bHasDeviation = values.m_fDeviation.has_value();
    m_bHasMultipath = values.m_fMultipath.has_value();
}

std::string CDayFileLogger::LoggingDayFile(const char* extension) const {
    return JoinPath(m_host.GetLogFolder(), m_strLogDay + extension);
}

bool CDayFileLogger::IsLoggingToFiles() const {
    return m_host.IsLoggingEnabled() && !m_strLogDay.empty();
}

// The records closed so far go to the log writer, which writes them (with the backlog of
// earlier failed writes) to the day's result file; nothing here waits for the disk. A queue
// that the disk has not kept up with for hours refuses them: they are counted as lost. The last
// records of a day's files (`always`) are queued all the same, with the count of those dropped,
// so that the day's log tells of the loss before it is closed.
void CDayFileLogger::FlushResults(bool always) {
    if (!IsLoggingToFiles()) {
        m_nResults = 0;
        return;
    }
    std::vector<CResultRecord> batch(m_results.begin(), m_results.begin() + m_nResults);
    const std::int64_t count = m_nResults;
    m_nResults = 0;
    const std::int64_t dropped = m_nDroppedResults;
    const std::string file = LoggingDayFile(".xml");
    const std::string logFile = LoggingDayFile(".log");
    const CTime now = m_host.Now();
    const bool queued = m_logWriter.Post(
        [this, batch = std::move(batch), dropped, file, logFile, now] {
            m_resultLog.CountLost(dropped);
            if (!CheckHeldFolder()) {
                m_resultLog.CountLost(static_cast<std::int64_t>(batch.size()));
                return;
            }
            m_resultLog.Keep(batch.data(), static_cast<int>(batch.size()), m_logNotices);
            if (m_resultLog.GetPendingCount() > 0) {
                CResultLog::CContinuation found;
                if (!m_bDayFileBegun && !BeginResultDay(now, m_logNotices, found)) {
                    return;  // not usable (the notice said why): the records wait
                }
                if (m_resultLog.WriteResults(file, m_nMeasurementId, m_logNotices) == 0) {
                    m_strLastResultFile = file;
                }
            }
            LogLosses(logFile, now);
        },
        always);
    if (queued) {
        m_nDroppedResults = 0;
        m_bDropReported = false;
        return;
    }
    m_nDroppedResults += count;
    if (!m_bDropReported) {
        m_bDropReported = true;
        m_host.GetPrompt().Notice(
            StringFormat("The log folder \"%s\" has not taken any file write for a long time; "
                         "results are dropped until it does.",
                         m_host.GetLogFolder().c_str()));
    }
}

void CDayFileLogger::ChangeLogDay(CTime now) {
    if (!IsLoggingToFiles() || CResultLog::BaseName(now) == m_strLogDay) {
        return;
    }
    // The old day's pair is closed: its records, the footer, "File Closed"; then the new day's
    // pair starts as a newly opened one does.
    FlushResults(true);
    const std::string oldResults = LoggingDayFile(".xml");
    const std::string oldLog = LoggingDayFile(".log");
    m_strLogDay = CResultLog::BaseName(now);
    m_logWriter.Post(
        [this, oldResults, oldLog, now] {
            if (!CheckHeldFolder()) {
                return;
            }
            if (m_bDayFileBegun) {
                m_resultLog.AppendFooter(oldResults, m_logNotices);
            }
            WriteLogLineNow(oldLog, CResultLog::FormatLogLine(now, "File Closed"), now);
            m_strLastLogFile.clear();
            CResultLog::CContinuation found;
            if (BeginResultDay(now, m_logNotices, found)) {
                LogDayOpened(now, found);
            }
        },
        true);
}

bool CDayFileLogger::BeginResultDay(CTime now, CPrompt& prompt, CResultLog::CContinuation& found) {
    const std::string resultFile =
        JoinPath(m_logFolderLock.GetFolder(), CResultLog::BaseName(now) + ".xml");
    m_bDayFileBegun = m_resultLog.BeginResultFile(resultFile, found, prompt) == 0;
    if (m_bDayFileBegun) {
        m_strLastResultFile = resultFile;
        m_nMeasurementId = found.nLastId;  // a continued file goes on with its own numbering
    }
    return m_bDayFileBegun;
}

void CDayFileLogger::LogDayOpened(CTime now, const CResultLog::CContinuation& found) {
    const std::string logFile =
        JoinPath(m_logFolderLock.GetFolder(), CResultLog::BaseName(now) + ".log");
    WriteLogLineNow(logFile, CResultLog::FormatLogLine(now, "File Opened"), now);
    for (const std::string& text : DescribeContinuation(now, found)) {
        WriteLogLineNow(logFile, CResultLog::FormatLogLine(now, text), now);
    }
}

void CDayFileLogger::WriteLog(const std::string& line) {
    const CTime now = m_host.Now();
    DeliverLogNotices();
    if (m_host.GetLogFolder().empty()) {
        return;
    }
    if (IsLoggingToFiles() && (!m_host.IsMeasuring() || m_currentRecord.m_nTimestamp == 0)) {
        // No second is open that began on the old day, so the day can change here.
        ChangeLogDay(now);
    }
    // While logging, lines go to the log of the day whose result file takes the records: in
    // the moment between midnight and the next second's close that is still the old day's.
    const std::string today = IsLoggingToFiles() ? LoggingDayFile(".log") : LogFileName();
    FlushResults();
    std::string text = CResultLog::FormatLogLine(now, line);
    if (!m_logWriter.Post(
            [this, today, text = std::move(text), now] { WriteLogLineNow(today, text, now); })) {
        m_host.GetPrompt().Notice("Log line not written (the log folder does not keep up): " +
                                  line);
    }
}

void CDayFileLogger::WriteLogLineNow(const std::string& file, const std::string& line, CTime now) {
    // While a folder is held, every line goes to its day log (events without logging hold none).
    if (!CheckHeldFolder()) {
        return;  // given up: nothing more goes there
    }
    m_resultLog.WriteLogLine(file, m_strLastLogFile, line, now, m_logNotices);
}

void CDayFileLogger::LogLosses(const std::string& logFile, CTime now) {
    if (const std::int64_t unsynced = m_resultLog.TakeUnloggedUnsynced(); unsynced > 0) {
        WriteLogLineNow(
            logFile,
            CResultLog::FormatLogLine(
                now, StringFormat(unsynced == 1 ? "%lld result was written but not confirmed "
                                                  "on disk (the disk failed to sync it)"
                                                : "%lld results were written but not "
                                                  "confirmed on disk (the disk failed to sync "
                                                  "them)",
                                  static_cast<long long>(unsynced))),
            now);
    }
    if (const std::int64_t lost = m_resultLog.TakeUnloggedLosses(); lost > 0) {
        WriteLogLineNow(logFile,
                        CResultLog::FormatLogLine(
                            now, StringFormat(lost == 1 ? "%lld result could not be written and "
                                                          "is lost"
                                                        : "%lld results could not be written "
                                                          "and are lost",
                                              static_cast<long long>(lost))),
                        now);
    }
}

bool CDayFileLogger::CheckHeldFolder() {
    if (!m_logFolderLock.IsHeld()) {
        return true;  // events without logging are written by path
    }
    if (m_bFolderGivenUp) {
        return false;
    }
    const int cause = m_logFolderLock.CheckFolder();
    if (cause != CFolderLock::FOLDER_REPLACED) {
        // Gone for now (or back): the writes fail with this cause, or succeed again.
        m_resultLog.SetFolderCause(cause);
        return true;
    }
    m_bFolderGivenUp = true;
    // The files of that name now are another folder's: they are no longer this run's files.
    m_strLastResultFile.clear();
    m_strLastLogFile.clear();
    m_logNotices.Notice(StringFormat(
        "The log folder \"%s\" was deleted or replaced while logging; no more results are written "
        "there (the folder there now is not locked by this process).",
        m_logFolderLock.GetFolder().c_str()));
    m_resultLog.DropPending(m_logNotices);
    m_resultLog.TakeUnloggedLosses();  // the folder's log cannot take the line any more
    return false;
}

int CDayFileLogger::OpenLogFiles(bool ask) {
    // A declined deletion does not stop logging: the day's result file is then continued.
    CheckLogFolder(ask);
    return BeginLogFiles();
}

int CDayFileLogger::OpenLogFilesKeeping(const std::string& folder) {
    // No CheckLogFolder: unattended, nobody could be asked before files are deleted.
    if (folder.empty()) {
        return -1;
    }
    m_host.SetLogFolder(folder);
    return BeginLogFiles();
}

int CDayFileLogger::BeginLogFiles() {
    if (m_host.GetLogFolder().empty()) {
        return -1;
    }
    CloseLogFiles();         // logging that runs already ends with its footer first
    m_logWriter.WaitIdle();  // the writer is idle from here to the start below
    DeliverLogNotices();
    const std::string folder = m_host.GetLogFolder();
    // One program per folder: two would interleave their records in one day file.
    std::string holder;
    if (const int cause = m_logFolderLock.Acquire(folder, holder); cause != 0) {
        m_host.GetPrompt().Notice(
            cause == EWOULDBLOCK
                ? StringFormat("The log folder \"%s\" is in use by another tavik process (%s); "
                               "no results are written there.",
                               folder.c_str(),
                               holder.empty() ? "process id unknown" : ("pid " + holder).c_str())
                : StringFormat("Could not use the log folder \"%s\" (%s); no results are "
                               "written there.",
                               folder.c_str(), CauseText(cause).c_str()));
        return -1;
    }
    m_resultLog.SetFolder(m_logFolderLock.GetFolderFd(), m_logFolderLock.GetFolder());
    m_resultLog.SetFolderCause(0);
    m_resultLog.SetSyncing(true);
    m_bFolderGivenUp = false;
    m_strLastResultFile.clear();
    m_strLastLogFile.clear();
    const CTime now = m_host.Now();
    CResultLog::CContinuation found;
    if (!BeginResultDay(now, m_host.GetPrompt(), found)) {
        // The day's result file cannot be used (the notice said why): no logging.
        m_resultLog.SetFolder(-1, std::string());
        m_logFolderLock.Release();
        return -1;
    }
    m_host.SetLoggingEnabled(true);
    m_strLogDay = CResultLog::BaseName(now);
    m_logWriter.Post([this, now, found] { LogDayOpened(now, found); }, true);
    m_host.SendHint(HINT_PROTOCOL_CHANGED);
    // A record stamped before logging began (left over from an earlier run) is not collected.
    m_currentRecord.m_nTimestamp = 0;
    return 0;
}

void CDayFileLogger::CloseLogFiles() {
    if (!IsLoggingToFiles()) {
        m_host.SetLoggingEnabled(false);
        m_resultLog.SetSyncing(true);  // event lines without logging are synced again
        return;
    }
    // The footer goes where the records went, even if the day has changed since that write.
    // The close waits at most for the write in progress: what it writes is not synced.
    StopSyncing();
    FlushResults(true);
    const std::string file = LoggingDayFile(".xml");
    const std::string logFile = LoggingDayFile(".log");
    const CTime now = m_host.Now();
    m_logWriter.Post(
        [this, file, logFile, now] {
            if (!CheckHeldFolder()) {
                m_resultLog.DropPending(m_logNotices);
                return;
            }
            if (m_bDayFileBegun) {
                m_resultLog.AppendFooter(file, m_logNotices);
                m_strLastResultFile = file;
            }
            // Nothing may follow the footer: records still unwritten are given up and reported.
            m_resultLog.DropPending(m_logNotices);
            LogLosses(logFile, now);
            WriteLogLineNow(logFile, CResultLog::FormatLogLine(now, "File Closed"), now);
        },
        true);
    m_logWriter.WaitIdle();
    m_resultLog.SetSyncing(true);
    m_resultLog.SetFolder(-1, std::string());
    m_bDayFileBegun = false;
    m_host.SetLoggingEnabled(false);
    m_strLogDay.clear();
    m_logFolderLock.Release();
    DeliverLogNotices();
}

void CDayFileLogger::WaitForLogWrites() const {
    m_logWriter.WaitIdle();
    DeliverLogNotices();
}

void CDayFileLogger::DeliverLogNotices() const {
    m_logNotices.Deliver(m_host.GetPrompt());
}

std::int32_t CDayFileLogger::GetMeasurementId() const {
    WaitForLogWrites();
    return m_nMeasurementId;
}

const std::string& CDayFileLogger::GetLastResultFile() const {
    WaitForLogWrites();
    return m_strLastResultFile;
}

const std::string& CDayFileLogger::GetLastLogFile() const {
    WaitForLogWrites();
    return m_strLastLogFile;
}

int CDayFileLogger::GetUnwrittenResultCount() const {
    WaitForLogWrites();
    return m_resultLog.GetPendingCount();
}

std::int64_t CDayFileLogger::GetLostResultCount() const {
    WaitForLogWrites();
    return m_resultLog.GetLostCount() + m_nDroppedResults;
}

std::int64_t CDayFileLogger::GetUnsyncedResultCount() const {
    WaitForLogWrites();
    return m_resultLog.GetUnsyncedCount();
}

void CDayFileLogger::SelectLogFolder(std::optional<std::string> path) {
    std::string candidate;
    if (path) {
        if (*path == m_host.GetLogFolder()) {
            return;
        }
        candidate = std::move(*path);
    } else {
        if (!m_folderChooser) {
            return;  // no chooser (headless): the folder is set with a path
        }
        std::optional<std::string> chosen =
            m_folderChooser(SELECT_FOLDER_TITLE, m_host.GetLogFolder());
        if (!chosen || *chosen == m_host.GetLogFolder()) {
            return;
        }
        candidate = std::move(*chosen);
    }
    // Logging that runs moves with the folder: the old day's pair is closed first (records,
    // footer, "File Closed") and the new folder's pair opened, so neither is left broken.
    const bool logging = IsLoggingToFiles();
    const std::uint32_t openSecond = m_currentRecord.m_nTimestamp;
    if (logging) {
        CloseLogFiles();
    }
    std::string old = m_host.GetLogFolder();
    m_host.SetLogFolder(std::move(candidate));
    if (CheckLogFolder(true) == -1) {
        m_host.SetLogFolder(std::move(old));
    }
    if (logging && BeginLogFiles() == 0) {
        // The new folder, or the old one again when the change was refused; the second that
        // is open now belongs to the measurement and goes into it.
        m_currentRecord.m_nTimestamp = openSecond;
    }
    // The protocol view shows the folder that is in effect now.
    m_host.SendHint(HINT_PROTOCOL_CHANGED);
}

int CDayFileLogger::CheckLogFolder(bool ask) {
    m_logWriter.WaitIdle();  // no write of the writer's meets a deletion here
    const std::string& folder = m_host.GetLogFolder();
    if (folder.empty()) {
        return 0;  // no folder: nothing to look at (and never the root folder)
    }
    return DeleteDayFiles(folder, ask, m_host.GetPrompt());
}

std::string CDayFileLogger::ResultFileName() const {
    return CResultLog::ResultFileName(m_host.GetLogFolder(), m_host.Now());
}

std::string CDayFileLogger::LogFileName() const {
    return CResultLog::LogFileName(m_host.GetLogFolder(), m_host.Now());
}

}  // namespace tavik
