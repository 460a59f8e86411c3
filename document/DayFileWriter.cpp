#include "document/DayFileWriter.h"

#include <filesystem>

#include "document/DayFiles.h"
#include "platform/File.h"
#include "platform/GenericException.h"

namespace tavik {

int CDayFileWriter::AcquireFolder(const std::string& folder, std::string& holder) {
    if (const int cause = m_folderLock.Acquire(folder, holder); cause != 0) {
        return cause;
    }
    m_resultLog.SetFolder(m_folderLock.GetFolderFd(), m_folderLock.GetFolder());
    m_resultLog.SetFolderCause(0);
    m_resultLog.SetSyncing(true);
    m_bFolderGivenUp = false;
    m_strLastResultFile.clear();
    m_strLastLogFile.clear();
    return 0;
}

void CDayFileWriter::ReleaseFolder() {
    m_resultLog.SetFolder(-1, std::string());
    m_folderLock.Release();
}

bool CDayFileWriter::BeginResultDay(CTime now, CPrompt& prompt, CResultLog::CContinuation& found,
                                    bool syncHeader) {
    const std::string resultFile =
        JoinPath(m_folderLock.GetFolder(), CResultLog::BaseName(now) + ".xml");
    m_bDayFileBegun = m_resultLog.BeginResultFile(resultFile, found, prompt, syncHeader) == 0;
    if (m_bDayFileBegun) {
        m_strLastResultFile = resultFile;
        m_nMeasurementId = found.nLastId;  // a continued file goes on with its own numbering
    }
    return m_bDayFileBegun;
}

void CDayFileWriter::SyncNewHeader(const CResultLog::CContinuation& found) {
    if (found.bNew && m_bDayFileBegun && CheckHeldFolder()) {
        m_resultLog.SyncHeader(m_strLastResultFile, m_notices);
    }
}

void CDayFileWriter::LogDayOpened(CTime now, const CResultLog::CContinuation& found) {
    const std::string logFile =
        JoinPath(m_folderLock.GetFolder(), CResultLog::BaseName(now) + ".log");
    WriteLine(logFile, CResultLog::FormatLogLine(now, "File Opened"), now);
    for (const std::string& text : DescribeContinuation(now, found)) {
        WriteLine(logFile, CResultLog::FormatLogLine(now, text), now);
    }
}

void CDayFileWriter::CloseEarlierDays(CTime now, const CResultLog::CContinuation& today) {
    if (!m_bDayFileBegun || !CheckHeldFolder()) {
        return;
    }
    const std::string folder = m_folderLock.GetFolder();
    const std::string todayName = std::filesystem::path(m_strLastResultFile).filename().string();
    std::vector<std::string> earlier = ListDayFiles(folder, ".xml");
    std::erase_if(earlier, [&](const std::string& name) { return name >= todayName; });
    for (const std::string& name : earlier) {
        CResultLog::CContinuation found;
        if (m_resultLog.CloseLeftOpen(JoinPath(folder, name), found) != 0 || found.bClosed) {
            continue;  // closed, or not ours to close: left as it is
        }
        // Up to now only from the latest day file, when today's file holds nothing after it.
        const bool untilNow = name == earlier.back() && today.nLastId == 0;
        WriteLine(JoinPath(folder, CResultLog::BaseName(now) + ".log"),
                  CResultLog::FormatLogLine(now, DescribeLeftOpen(now, name, found, untilNow)),
                  now);
    }
}

void CDayFileWriter::WriteBatch(const std::vector<CResultRecord>& batch, std::int64_t dropped,
                                const std::string& file, const std::string& logFile, CTime now) {
    m_resultLog.CountUnloggedLoss(dropped);
    if (!CheckHeldFolder()) {
        m_resultLog.CountLost(static_cast<std::int64_t>(batch.size()));
        return;
    }
    m_resultLog.Keep(batch.data(), static_cast<int>(batch.size()), m_notices);
    if (m_resultLog.GetPendingCount() > 0) {
        CResultLog::CContinuation found;
        if (!m_bDayFileBegun && !BeginResultDay(now, m_notices, found)) {
            return;  // not usable (the notice said why): the records wait
        }
        if (m_resultLog.WriteResults(file, m_nMeasurementId, m_notices) == 0) {
            m_strLastResultFile = file;
        }
    }
    LogLosses(logFile, now);
}

void CDayFileWriter::ChangeDay(const std::string& oldResults, const std::string& oldLog,
                               CTime now) {
    if (!CheckHeldFolder()) {
        return;
    }
    if (m_bDayFileBegun) {
        m_resultLog.AppendFooter(oldResults, m_notices);
    }
    WriteLine(oldLog, CResultLog::FormatLogLine(now, "File Closed"), now);
    m_strLastLogFile.clear();
    CResultLog::CContinuation found;
    if (BeginResultDay(now, m_notices, found)) {
        LogDayOpened(now, found);
    }
}

void CDayFileWriter::Close(const std::string& file, const std::string& logFile, CTime now) {
    if (!CheckHeldFolder()) {
        m_resultLog.DropPending(m_notices);
    } else {
        if (m_bDayFileBegun) {
            m_resultLog.AppendFooter(file, m_notices);
            m_strLastResultFile = file;
        }
        // Nothing may follow the footer: records still unwritten are given up and reported.
        m_resultLog.DropPending(m_notices);
        LogLosses(logFile, now);
        WriteLine(logFile, CResultLog::FormatLogLine(now, "File Closed"), now);
    }
    m_resultLog.SetSyncing(true);  // event lines without logging are synced again
    m_bDayFileBegun = false;
    ReleaseFolder();
}

void CDayFileWriter::WriteLine(const std::string& file, const std::string& line, CTime now) {
    // While a folder is held, every line goes to its day log (events without logging hold none).
    if (!CheckHeldFolder()) {
        return;  // given up: nothing more goes there
    }
    m_resultLog.WriteLogLine(file, m_strLastLogFile, line, now, m_notices);
}

void CDayFileWriter::LogLosses(const std::string& logFile, CTime now) {
    if (const std::int64_t unsynced = m_resultLog.TakeUnloggedUnsynced(); unsynced > 0) {
        WriteLine(logFile,
                  CResultLog::FormatLogLine(
                      now, StringFormat(unsynced == 1 ? "%lld result was written but not "
                                                        "confirmed on disk (the disk failed to "
                                                        "sync it)"
                                                      : "%lld results were written but not "
                                                        "confirmed on disk (the disk failed to "
                                                        "sync them)",
                                        static_cast<long long>(unsynced))),
                  now);
    }
    if (const std::int64_t lost = m_resultLog.TakeUnloggedLosses(); lost > 0) {
        WriteLine(logFile,
                  CResultLog::FormatLogLine(
                      now, StringFormat(lost == 1 ? "%lld result could not be written and is lost"
                                                  : "%lld results could not be written and are "
                                                    "lost",
                                        static_cast<long long>(lost))),
                  now);
    }
}

bool CDayFileWriter::CheckHeldFolder() {
    if (!m_folderLock.IsHeld()) {
        return true;  // events without logging are written by path
    }
    if (m_bFolderGivenUp) {
        return false;
    }
    const int cause = m_folderLock.CheckFolder();
    if (cause != CFolderLock::FOLDER_REPLACED) {
        // Gone for now (or back): the writes fail with this cause, or succeed again.
        m_resultLog.SetFolderCause(cause);
        return true;
    }
    m_bFolderGivenUp = true;
    // The files of that name now are another folder's: they are no longer this run's files.
    m_strLastResultFile.clear();
    m_strLastLogFile.clear();
    m_notices.Notice(StringFormat(
        "The log folder \"%s\" was deleted or replaced while logging; no more results are written "
        "there (the folder there now is not locked by this process).",
        m_folderLock.GetFolder().c_str()));
    m_resultLog.DropPending(m_notices);
    m_resultLog.TakeUnloggedLosses();  // the folder's log cannot take the line any more
    return false;
}

}  // namespace tavik
