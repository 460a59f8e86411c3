#include "document/DayFileWriter.h"

#include <cerrno>
#include <filesystem>
#include <mutex>

#include "document/DayFiles.h"
#include "platform/File.h"
#include "platform/GenericException.h"

namespace tavik {

int CDayFileWriter::AcquireFolder(const std::string& folder, std::string& holder) {
    if (const int cause = m_folderLock.Acquire(folder, holder); cause != 0) {
        return cause;
    }
    m_resultLog.SetFolder(m_folderLock.GetFolderFd(), m_folderLock.GetFolder());
    {
        const std::lock_guard lock(m_dayMutex);
        m_strDayFolder = m_folderLock.GetFolder();
    }
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
    // The day's name, or the first free one beside it when a file that is not ours takes it
    // (left untouched): "tavikYYMMDD-2", "-3" and so on, the log named alike.
    const std::string base = CResultLog::BaseName(now);
    CQueuedPrompt refusal;  // why the day's own name cannot be used
    m_bDayFileBegun = false;
    for (int n = 1; n <= kMaxDayNames && !m_bDayFileBegun; ++n) {
        const std::string name = n == 1 ? base : base + "-" + std::to_string(n);
        SetDayName(name);
        CQueuedPrompt said;
        const int error = m_resultLog.BeginResultFile(DayFile(".xml"), found, said, syncHeader);
        if (error == CResultLog::NOT_A_RESULT_FILE || error == EISDIR) {
            if (n == 1) {
                said.Deliver(refusal);  // told when no name beside it is free either
            }
            continue;  // taken
        }
        said.Deliver(prompt);
        if (error != 0) {
            return false;  // the notice said why: the records wait
        }
        m_bDayFileBegun = true;
        if (n > 1) {
            found.strInPlaceOf = base + ".xml";
        }
    }
    if (!m_bDayFileBegun) {
        SetDayName(base);
        refusal.Deliver(prompt);
        return false;
    }
    m_strLastResultFile = DayFile(".xml");
    m_nMeasurementId = found.nLastId;  // a continued file goes on with its own numbering
    if (!found.strInPlaceOf.empty()) {
        prompt.Notice(InPlaceOf(found) + ".");
    }
    return true;
}

std::string CDayFileWriter::InPlaceOf(const CResultLog::CContinuation& found) const {
    const std::string name = std::filesystem::path(DayFile("")).filename().string();
    return found.strInPlaceOf +
           " is not a result file of this program and is left untouched; the day's results go "
           "to " +
           name + ".xml and its events to " + name + ".log";
}

void CDayFileWriter::SetDayName(const std::string& name) {
    const std::lock_guard lock(m_dayMutex);
    m_strDayName = name;
}

std::string CDayFileWriter::DayFile(const char* extension) const {
    const std::lock_guard lock(m_dayMutex);
    return JoinPath(m_strDayFolder, m_strDayName + extension);
}

void CDayFileWriter::SyncNewHeader(const CResultLog::CContinuation& found) {
    if (found.bNew && m_bDayFileBegun && CheckHeldFolder()) {
        m_resultLog.SyncHeader(m_strLastResultFile, m_notices);
    }
}

void CDayFileWriter::LogDayOpened(CTime now, const CResultLog::CContinuation& found) {
    const std::string logFile = DayFile(".log");
    WriteLine(logFile, CResultLog::FormatLogLine(now, "File Opened"), now);
    if (!found.strInPlaceOf.empty()) {
        WriteLine(logFile, CResultLog::FormatLogLine(now, InPlaceOf(found)), now);
    }
    for (const std::string& text : DescribeContinuation(now, found)) {
        WriteLine(logFile, CResultLog::FormatLogLine(now, text), now);
    }
}

void CDayFileWriter::CloseEarlierDays(CTime now, const CResultLog::CContinuation& today) {
    if (!m_bDayFileBegun || !CheckHeldFolder()) {
        return;
    }
    const std::string folder = m_folderLock.GetFolder();
    // Earlier days by their date ("tavikYYMMDD", then "-N" or the extension).
    const std::string day = CResultLog::BaseName(now);
    std::vector<std::string> earlier = ListDayFiles(folder, ".xml");
    std::erase_if(earlier,
                  [&](const std::string& name) { return name.compare(0, day.size(), day) >= 0; });
    for (const std::string& name : earlier) {
        CResultLog::CContinuation found;
        if (m_resultLog.CloseLeftOpen(JoinPath(folder, name), found) != 0 || found.bClosed) {
            continue;  // closed, or not ours to close: left as it is
        }
        // Up to now only from the latest day file, when today's file holds nothing after it.
        const bool untilNow = name == earlier.back() && today.nLastId == 0;
        WriteLine(DayFile(".log"),
                  CResultLog::FormatLogLine(now, DescribeLeftOpen(now, name, found, untilNow)),
                  now);
    }
}

void CDayFileWriter::WriteBatch(const std::vector<CResultRecord>& batch, std::int64_t dropped,
                                CTime now) {
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
        if (m_resultLog.WriteResults(DayFile(".xml"), m_nMeasurementId, m_notices) == 0) {
            m_strLastResultFile = DayFile(".xml");
        }
    }
    LogLosses(now);
}

void CDayFileWriter::ChangeDay(CTime now) {
    if (!CheckHeldFolder()) {
        return;
    }
    if (m_bDayFileBegun) {
        m_resultLog.AppendFooter(DayFile(".xml"), m_notices);
    }
    WriteLine(DayFile(".log"), CResultLog::FormatLogLine(now, "File Closed"), now);
    m_strLastLogFile.clear();
    CResultLog::CContinuation found;
    if (BeginResultDay(now, m_notices, found)) {
        LogDayOpened(now, found);
    }
}

void CDayFileWriter::Close(CTime now) {
    if (!CheckHeldFolder()) {
        m_resultLog.DropPending(m_notices);
    } else {
        if (m_bDayFileBegun) {
            m_resultLog.AppendFooter(DayFile(".xml"), m_notices);
            m_strLastResultFile = DayFile(".xml");
        }
        // Nothing may follow the footer: records still unwritten are given up and reported.
        m_resultLog.DropPending(m_notices);
        LogLosses(now);
        WriteLine({}, CResultLog::FormatLogLine(now, "File Closed"), now);
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
    m_resultLog.WriteLogLine(file.empty() ? DayFile(".log") : file, m_strLastLogFile, line, now,
                             m_notices);
}

void CDayFileWriter::LogLosses(CTime now) {
    if (const std::int64_t unsynced = m_resultLog.TakeUnloggedUnsynced(); unsynced > 0) {
        WriteLine({},
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
        WriteLine({},
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
