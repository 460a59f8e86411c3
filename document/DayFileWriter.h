#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "document/ResultLog.h"
#include "document/ResultRecord.h"
#include "platform/FolderLock.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// The log writer's side of day-file logging: the day files' state and the work on them. Its
// operations run on the log writer's thread, or on the user-interface thread while the writer
// is idle. The logger and every job it posts hold it by a shared pointer, so that work a stop
// no longer waits for (a disk that does not answer) keeps all it touches alive.
class CDayFileWriter {
public:
    // User-interface thread, writer idle: locks `folder` (0, or the cause: EWOULDBLOCK when
    // another process holds it, `holder` then names it) and opens the day files relative to it.
    int AcquireFolder(const std::string& folder, std::string& holder);
    void ReleaseFolder();

    // Starts the day's result file for `now` (a new file's header synced unless not
    // `syncHeader`); false when it is unusable (the notice said why).
    bool BeginResultDay(CTime now, CPrompt& prompt, CResultLog::CContinuation& found,
                        bool syncHeader = true);
    // The header that BeginResultDay wrote without syncing goes to the disk now.
    void SyncNewHeader(const CResultLog::CContinuation& found);
    // The day's first log lines: "File Opened" and what the continued file showed.
    void LogDayOpened(CTime now, const CResultLog::CContinuation& found);
    // At a start: closes every earlier day file of the folder that a run left without its
    // footer, and tells each in today's log (`today`: what today's file held when begun).
    void CloseEarlierDays(CTime now, const CResultLog::CContinuation& today);
    // Writes a batch of records (with the backlog) to the day's result file; `dropped` records
    // refused by a full queue meanwhile are told in the day's log.
    void WriteBatch(const std::vector<CResultRecord>& batch, std::int64_t dropped, CTime now);
    // At a new day: closes the old day's pair and opens the new day's.
    void ChangeDay(CTime now);
    // Ends logging: the footer, the losses, "File Closed"; then the folder is released.
    void Close(CTime now);
    // Writes one log line to `file`, or to the day's log when it is empty.
    void WriteLine(const std::string& file, const std::string& line, CTime now);
    // "folder/tavikYYMMDD" (or "-N" when that name was taken) + extension: the day's files that
    // take the records and events while logging. Any thread.
    std::string DayFile(const char* extension) const;

    CResultLog& Log() { return m_resultLog; }
    const CResultLog& Log() const { return m_resultLog; }
    CQueuedPrompt& Notices() { return m_notices; }
    // Whether the folder logged into was deleted or replaced: nothing more is written. Any thread.
    bool IsFolderGivenUp() const { return m_bFolderGivenUp.load(); }
    std::int32_t GetMeasurementId() const { return m_nMeasurementId; }
    const std::string& GetLastResultFile() const { return m_strLastResultFile; }
    const std::string& GetLastLogFile() const { return m_strLastLogFile; }

private:
    // Whether the held log folder can take files now. Its path naming nothing makes the writes
    // fail and wait (a folder moved away may come back); a folder deleted or replaced is given
    // up for good: nothing more is written there.
    bool CheckHeldFolder();
    // The records lost or unconfirmed since the last such lines go into the day's log.
    void LogLosses(CTime now);
    void SetDayName(const std::string& name);
    // The line that says which name the day's files took, and why.
    std::string InPlaceOf(const CResultLog::CContinuation& found) const;

    static constexpr int kMaxDayNames = 100;  // the day's name and 99 beside it

    CResultLog m_resultLog;
    CFolderLock m_folderLock;           // held while logging into the folder
    CQueuedPrompt m_notices;            // shown on the user-interface thread
    std::int32_t m_nMeasurementId = 0;  // id of the last record written
    std::string m_strLastResultFile;
    std::string m_strLastLogFile;
    bool m_bDayFileBegun = false;  // the day's result file was begun and takes records
    // The held folder was deleted or replaced while logging (read by any thread).
    std::atomic<bool> m_bFolderGivenUp{false};
    mutable std::mutex m_dayMutex;  // the day's files are named at a stop that gives up waiting
    std::string m_strDayFolder;     // the folder locked last
    std::string m_strDayName;       // base name of the day's files
};

}  // namespace tavik
