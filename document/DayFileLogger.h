#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "document/CurrentValues.h"
#include "document/DayFileWriter.h"
#include "document/LogWriter.h"
#include "document/ResultLog.h"
#include "document/ResultRecord.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// Result logging into one pair of files per day: collects the record of each second, hands the
// records in batches to the log writer's thread, which appends them to the day's result file,
// writes the event lines to the day's log, changes the pair at midnight and holds the log
// folder's lock while logging. Its operations run on the user-interface thread; what it posts
// to the writer touches only the writer's side (CDayFileWriter), never the logger or its host.
class CDayFileLogger {
public:
    // What the logger needs of its owner (user-interface thread).
    class CHost {
    public:
        virtual CPrompt& GetPrompt() = 0;
        virtual CTime Now() const = 0;
        // The log folder of the protocol header; empty for none.
        virtual const std::string& GetLogFolder() const = 0;
        virtual void SetLogFolder(std::string folder) = 0;
        // The logging switch: records are collected only while it is on.
        virtual bool IsLoggingEnabled() const = 0;
        virtual void SetLoggingEnabled(bool enabled) = 0;
        // Whether a measurement runs.
        virtual bool IsMeasuring() const = 0;
        virtual void SendHint(long hint) = 0;
        // The line that names the station of the run, for a log begun after the station was
        // logged (another folder, a new day); empty when none is known yet.
        virtual std::string StationLine() const { return {}; }

    protected:
        ~CHost() = default;
    };

    // The UI's folder chooser: gets the title and the current folder, returns the chosen folder
    // or nothing on Cancel. When a typed name cannot be resolved it asks INVALID_FOLDER_QUESTION
    // (style MB_YESNO_QUESTION_NO): Yes ends the chooser, No keeps it open.
    using CFolderChooser = std::function<std::optional<std::string>(const std::string& title,
                                                                    const std::string& current)>;
    static constexpr const char* SELECT_FOLDER_TITLE = "Select Logfile Location";
    static constexpr const char* INVALID_FOLDER_QUESTION =
        "The path entered is not valid! Continue ?";
    static constexpr int RESULT_RECORDS = 60;  // records per write to the result file
    // Seconds a late tick may have passed over that still get records of their own.
    static constexpr int kMaxFilledSeconds = 10;

    explicit CDayFileLogger(CHost& host)
        : m_host(host), m_logWriter([w = m_writer](const CGenericException& e) {
              w->Notices().Notice(FormatException(e));  // a file job that failed: told, not fatal
          }) {}
    CDayFileLogger(const CDayFileLogger&) = delete;
    CDayFileLogger& operator=(const CDayFileLogger&) = delete;

    // The values of the second being recorded; they carry over into the next second.
    void SetMultipath(float value);
    void SetDeviation(float value);
    void SetMpxPower(float value);
    // Closes the second's record (collected while logging) and stamps the next one with now;
    // every second up to now gets one record, whether the ticks come late or twice.
    void CloseSecond();
    // The record's values as measured; a quantity not measured since the last Forget has none
    // and keeps 0 in the record.
    CCurrentValues GetCurrentValues() const;
    void SetCurrentValues(const CCurrentValues& values);
    void ForgetCurrentValues();
    // Whether a carrier is received; a second with none at any time is marked so.
    void SetSignal(bool present);
    // Whether the station is received at all: seconds out of view are no records.
    void SetInView(bool inView) { m_bInView = inView; }
    // Discards the records collected and not yet flushed (a start).
    void DiscardResults() { m_nResults = 0; }
    // Leaves the open second unstamped: it is not collected at its close.
    void ClearRecordStamp() { m_currentRecord.m_nTimestamp = 0; }
    // A new document: no records, an empty record.
    void ResetRecords();
    const CResultRecord& GetCurrentRecord() const { return m_currentRecord; }
    int GetResultCount() const { return m_nResults; }

    // What OpenLogFiles and OpenLogFilesKeeping return besides 0.
    static constexpr int kNoFolder = -1;  // no log folder is set
    static constexpr int kDeclined = -2;  // the user kept away from the folder's earlier files
    static constexpr int kNotBegun = -3;  // the day files could not be begun (a notice said why)

    // What the window shows of result logging.
    enum class EState {
        Off,     // not switched on
        On,      // switched on: records go to the day files while measuring
        Failed,  // switched on, but the day files could not be begun or the folder was lost
    };

    void WriteLog(const std::string& line);
    // Switches logging on: the day's files are begun (continued when they exist); a folder
    // holding day files that the user has not agreed to yet is asked about first when `ask`.
    int OpenLogFiles(bool ask);
    // Unattended logging into `folder`: nothing asked, day files continued.
    int OpenLogFilesKeeping(const std::string& folder);
    // Switches logging off: the day's files get their footer and "File Closed".
    void CloseLogFiles();
    // A stop: the day's files are closed as by CloseLogFiles, but logging stays switched on
    // and the next start (ResumeLogFiles) continues them.
    void SuspendLogFiles();
    void ResumeLogFiles();
    EState GetState() const;
    // Hands the records collected to the log writer; `always` even when its queue is full.
    void FlushResults(bool always = false);
    void SelectLogFolder(std::optional<std::string> path);
    // Never deletes anything: a folder with day files is used as it is, today's files continued.
    // With `ask` the user is told so and may decline: 0, or -1 when declined.
    int CheckLogFolder(bool ask);
    std::string ResultFileName() const;
    std::string LogFileName() const;
    void SetFolderChooser(CFolderChooser chooser) { m_folderChooser = std::move(chooser); }

    // These two wait for the file work queued so far (the log writer's thread).
    std::int32_t GetMeasurementId() const;
    int GetUnwrittenResultCount() const;
    // These wait for the file work too, unless a stop gave up waiting for it (a disk that does
    // not answer) and it is not done yet: the files and counts as of that stop then.
    const std::string& GetLastResultFile() const;
    const std::string& GetLastLogFile() const;
    // Records given up since the logger was made: not written before a close, dropped from a
    // full backlog, or meant for a log folder that was deleted or replaced while logging.
    std::int64_t GetLostResultCount() const;
    // Records written to a result file whose syncs failed, with no sync succeeding after them:
    // in the file, not confirmed on disk.
    std::int64_t GetUnsyncedResultCount() const;
    // Records that a stop left to a writer that did not answer within CLogWriter::STOP_WAIT
    // (neither written nor given up by then); 0 once the writer has done that work.
    std::int64_t GetAbandonedResultCount() const;
    // Without waiting for the file work: the records written and those lost so far, as the log
    // writer has counted them yet (any thread may read them while it counts).
    std::int64_t PeekWrittenResultCount() const { return m_writer->Log().GetWrittenCount(); }
    std::int64_t PeekLostResultCount() const {
        return m_writer->Log().GetLostCount() + m_nDroppedTotal.load();
    }
    // Waits until the file work queued so far is done, whatever the disk does, and shows its
    // notices.
    void WaitForLogWrites() const;
    // Whether a full queue of file work makes the caller wait for room rather than drop records.
    void SetLogWritesWaitForRoom(bool wait) { m_logWriter.SetWaitForRoom(wait); }
    // A stop waits at most for the write in progress: its lines, records and footer go out
    // without waiting for the disk to sync them.
    void StopSyncing() { m_writer->Log().SetSyncing(false); }
    // Shows the notices of the file work done so far.
    void DeliverLogNotices() const;

private:
    void Collect(const CResultRecord& record);
    int BeginLogFiles();
    // BeginLogFiles for logging that is wanted on: a failure leaves it on and failed.
    int BeginSwitchedOn();
    // Closes the day's files; the switch stays as it is.
    void CloseFiles();
    // The station's line into the log of a pair begun after the run named its station.
    void LogStation(CTime now);
    // At a new day while logging: closes the old day's pair and opens the new day's.
    void ChangeLogDay(CTime now);
    // Logging is on and its day files were begun.
    bool IsLoggingToFiles() const;
    // A close whose work the writer has not done within CLogWriter::STOP_WAIT: counts and tells
    // what is not confirmed on disk.
    void GiveUpWaiting();
    // Waits as a stop does for the writer to be idle (not at all while work given up on is not
    // done); false, with a notice, when it is not.
    bool WaitForWriter() const;
    // Waits for the file work queued so far and shows its notices; false without waiting while
    // work that a stop gave up on is not done.
    bool CatchUp() const;

    CHost& m_host;

    // User-interface thread.
    CResultRecord m_currentRecord;
    std::array<CResultRecord, RESULT_RECORDS> m_results{};
    std::int32_t m_nResults = 0;
    std::int64_t m_nLastCollected = 0;  // the second of the last record collected
    std::string m_strLogDay;            // "tavikYYMMDD" of the day whose files take the records
    bool m_bSignal = true;
    bool m_bInView = true;
    bool m_bHasMultipath = false;  // the record's values were measured (not the 0 start)
    bool m_bHasDeviation = false;
    bool m_bHasMpxPower = false;
    std::int64_t m_nDroppedResults = 0;            // refused by a full writer queue, not yet logged
    std::atomic<std::int64_t> m_nDroppedTotal{0};  // refused by a full writer queue, in all
    bool m_bDropReported = false;
    std::int64_t m_nHandedOver = 0;  // records queued for the writer, in all
    mutable bool m_bGaveUp = false;  // a close did not wait for the writer to finish
    mutable std::int64_t m_nAbandoned = 0;
    std::string m_strGaveUpResultFile;  // the files that close was for
    std::string m_strGaveUpLogFile;
    CFolderChooser m_folderChooser;
    bool m_bSwitchedOn = false;     // the user's logging switch, kept across stops
    bool m_bFailed = false;         // switched on, but the files of the last begin failed
    std::string m_strAgreedFolder;  // the folder the user agreed to log into as it is
    // The writer's side: the day files' state and work (log writer's thread).
    const std::shared_ptr<CDayFileWriter> m_writer = std::make_shared<CDayFileWriter>();
    mutable CLogWriter m_logWriter;  // last: ends (running its queue) first
};

}  // namespace tavik
