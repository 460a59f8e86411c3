#include "document/DayFileLogger.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
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
    m_currentRecord.m_fDeviationPeak =
        std::max(m_currentRecord.m_fDeviationPeak.value_or(value), value);
    m_bHasDeviation = true;
}

void CDayFileLogger::SetMpxPower(float value) {
    m_currentRecord.m_fMPXPower = value;
    m_bHasMpxPower = true;
}

void CDayFileLogger::CloseSecond() {
    // Close the second's record and stamp the next one; the values carry over, so a second
    // without a new value repeats the last one.
    if (!m_bInView) {
        m_currentRecord.m_nTimestamp = 0;  // the seconds away are no records, nor filled in
        return;
    }
    const CTime now = m_host.Now();
    const std::int64_t second = now.GetTime();
    const std::int64_t stamp = m_currentRecord.m_nTimestamp;
    if (stamp != 0 && second == stamp) {
        return;  // a second tick within the record's second (a late tick caught up): it stays open
    }
    if (stamp != 0 && m_host.IsLoggingEnabled()) {
        // The day's pair changes with the first record of the new day, not with the clock: a
        // run that ends before one was closed leaves no pair for a day it measured nothing of.
        ChangeLogDay(CTime(stamp));
        Collect(m_currentRecord);
        // Seconds that a late tick passed over get records of their own, repeating the values
        // as a second without new values does. A longer gap (the machine suspended) measured
        // nothing and stays a gap.
        if (second > stamp + 1 && second - stamp <= kMaxFilledSeconds) {
            CResultRecord filled = m_currentRecord;
            for (std::int64_t s = stamp + 1; s < second; ++s) {
                filled.m_nTimestamp = static_cast<std::uint32_t>(s);
                ChangeLogDay(CTime(s));  // a filled second may begin the new day
                Collect(filled);
            }
        }
    }
    m_currentRecord.m_nTimestamp = static_cast<std::uint32_t>(second);
    m_currentRecord.m_bNoSignal = !m_bSignal;
    // The next second's peak is of its own values; without any it is the value carried over.
    m_currentRecord.m_fDeviationPeak.reset();
}

void CDayFileLogger::Collect(const CResultRecord& record) {
    m_nLastCollected = record.m_nTimestamp;
    m_results[static_cast<std::size_t>(m_nResults)] = record;
    if (++m_nResults >= RESULT_RECORDS) {
        FlushResults();
    }
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
    m_currentRecord.m_fDeviationPeak.reset();
    m_currentRecord.m_fMPXPower = 0.0f;
    m_bHasMultipath = false;
    m_bHasDeviation = false;
    m_bHasMpxPower = false;
}

void CDayFileLogger::ResetRecords() {
    m_nResults = 0;
    m_nLastCollected = 0;
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
    m_currentRecord.m_fDeviationPeak.reset();
    m_currentRecord.m_fMultipath = values.m_fMultipath.value_or(0.0f);
    m_bHasMpxPower = values.m_fMpxPower.has_value();
    m_bHasDeviation = values.m_fDeviation.has_value();
    m_bHasMultipath = values.m_fMultipath.has_value();
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
    const CTime now = m_host.Now();
    const bool queued = m_logWriter.Post([w = m_writer, batch = std::move(batch), dropped,
                                          now] { w->WriteBatch(batch, dropped, now); },
                                         always);
    if (queued) {
        m_nHandedOver += count;
        m_nDroppedResults = 0;
        m_bDropReported = false;
        return;
    }
    m_nDroppedResults += count;
    m_nDroppedTotal += count;
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
    m_strLogDay = CResultLog::BaseName(now);
    m_logWriter.Post([w = m_writer, now] { w->ChangeDay(now); }, true);
    LogStation(now);  // as the day's pair opens
}

void CDayFileLogger::WriteLog(const std::string& line) {
    const CTime now = m_host.Now();
    DeliverLogNotices();
    if (m_host.GetLogFolder().empty()) {
        return;
    }
    if (IsLoggingToFiles() && (!m_host.IsMeasuring() || m_currentRecord.m_nTimestamp == 0)) {
        // No second is open that began on the old day, so the day can change here; but a run's
        // last lines, within the second after its last record, go with that record's day (a
        // run ending at midnight opens no pair for a day it measured nothing of).
        const std::int64_t last = m_nLastCollected;
        ChangeLogDay(last != 0 && now.GetTime() - last <= 1 ? CTime(last) : now);
    }
    // While logging, lines go to the log of the day whose result file takes the records: in
    // the moment between midnight and the next second's close that is still the old day's.
    // (An empty name: the writer's day log, which may have taken a name beside the day's.)
    const std::string today = IsLoggingToFiles() ? std::string() : LogFileName();
    FlushResults();
    std::string text = CResultLog::FormatLogLine(now, line);
    if (!m_logWriter.Post([w = m_writer, today, text = std::move(text), now] {
            w->WriteLine(today, text, now);
        })) {
        m_host.GetPrompt().Notice("Log line not written (the log folder does not keep up): " +
                                  line);
    }
}

int CDayFileLogger::OpenLogFiles(bool ask) {
    const std::string& folder = m_host.GetLogFolder();
    if (folder.empty()) {
        return kNoFolder;
    }
    // A folder chosen with the question answered is not asked about again.
    if (ask && folder != m_strAgreedFolder && CheckLogFolder(true) != 0) {
        return kDeclined;
    }
    // Switched on by the user: a failure (told by a notice) leaves it off.
    m_bSwitchedOn = true;
    const int result = BeginLogFiles();
    m_bSwitchedOn = result == 0;
    return result;
}

int CDayFileLogger::BeginSwitchedOn() {
    m_bSwitchedOn = true;
    const int result = BeginLogFiles();
    if (result != 0) {
        m_bFailed = true;
        m_host.SendHint(HINT_PROTOCOL_CHANGED);
    }
    return result;
}

int CDayFileLogger::OpenLogFilesKeeping(const std::string& folder) {
    if (folder.empty()) {
        return kNoFolder;
    }
    m_host.SetLogFolder(folder);
    m_strAgreedFolder = folder;  // named by the operator: switching on again asks nothing
    return BeginSwitchedOn();    // a failure shows as failed logging, tried again at each start
}

void CDayFileLogger::ResumeLogFiles() {
    if (!m_bSwitchedOn || IsLoggingToFiles()) {
        return;
    }
    if (BeginSwitchedOn() != 0) {
        m_host.GetPrompt().Notice(StringFormat(
            "Result logging could not be resumed in \"%s\": no results are written; it is tried "
            "again at the next start.",
            m_host.GetLogFolder().c_str()));
    }
}

CDayFileLogger::EState CDayFileLogger::GetState() const {
    if (m_bFailed || (IsLoggingToFiles() && m_writer->IsFolderGivenUp())) {
        return EState::Failed;
    }
    return m_bSwitchedOn ? EState::On : EState::Off;
}

// Begins the day's files in the log folder with logging switched on; on failure the switch
// stays on and the state is failed, so that the window says results are not written.
int CDayFileLogger::BeginLogFiles() {
    if (m_host.GetLogFolder().empty()) {
        return kNoFolder;
    }
    CloseFiles();  // logging that runs already ends with its footer first
    // The writer is idle from here to the start below.
    if (!WaitForWriter()) {
        return kNotBegun;
    }
    const std::string folder = m_host.GetLogFolder();
    // One program per folder: two would interleave their records in one day file.
    std::string holder;
    if (const int cause = m_writer->AcquireFolder(folder, holder); cause != 0) {
        m_host.GetPrompt().Notice(
            cause == EWOULDBLOCK
                ? StringFormat("The log folder \"%s\" is in use by another tavik process (%s); "
                               "no results are written there.",
                               folder.c_str(),
                               holder.empty() ? "process id unknown" : ("pid " + holder).c_str())
                : StringFormat("Could not use the log folder \"%s\" (%s); no results are "
                               "written there.",
                               folder.c_str(), CauseText(cause).c_str()));
        return kNotBegun;
    }
    const CTime now = m_host.Now();
    CResultLog::CContinuation found;
    // A new header is synced by the writer: the first second does not wait for the disk.
    if (!m_writer->BeginResultDay(now, m_host.GetPrompt(), found, false)) {
        // The day's result file cannot be used (the notice said why): no logging.
        m_writer->ReleaseFolder();
        return kNotBegun;
    }
    m_bFailed = false;
    m_host.SetLoggingEnabled(true);
    m_strLogDay = CResultLog::BaseName(now);
    m_logWriter.Post(
        [w = m_writer, now, found] {
            w->SyncNewHeader(found);
            w->LogDayOpened(now, found);
            w->CloseEarlierDays(now, found);
        },
        true);
    m_host.SendHint(HINT_PROTOCOL_CHANGED);
    // A record stamped before logging began (left over from an earlier run) is not collected.
    m_currentRecord.m_nTimestamp = 0;
    return 0;
}

void CDayFileLogger::CloseLogFiles() {
    const bool wasOn = m_bSwitchedOn;
    m_bSwitchedOn = false;
    m_bFailed = false;
    CloseFiles();
    if (wasOn) {
        m_host.SendHint(HINT_PROTOCOL_CHANGED);
    }
}

void CDayFileLogger::SuspendLogFiles() {
    CloseFiles();
}

void CDayFileLogger::LogStation(CTime now) {
    // Straight to the writer: WriteLog would place a line at midnight by the last record.
    if (const std::string line = m_host.StationLine(); !line.empty()) {
        m_logWriter.Post([w = m_writer, text = CResultLog::FormatLogLine(now, line),
                          now] { w->WriteLine({}, text, now); },
                         true);
    }
}

void CDayFileLogger::CloseFiles() {
    if (!IsLoggingToFiles()) {
        m_host.SetLoggingEnabled(false);
        m_writer->Log().SetSyncing(true);  // event lines without logging are synced again
        return;
    }
    // The footer goes where the records went, even if the day has changed since that write.
    // The close waits at most for the write in progress (what it writes is not synced), and
    // for no more than a stop may take: a disk that does not answer is left to the writer.
    StopSyncing();
    FlushResults(true);
    const CTime now = m_host.Now();
    m_logWriter.Post([w = m_writer, now] { w->Close(now); }, true);
    if (!m_logWriter.WaitIdleForStop()) {
        GiveUpWaiting();
    }
    m_host.SetLoggingEnabled(false);
    m_strLogDay.clear();
    DeliverLogNotices();
}

// The records handed to the writer and neither written nor given up by now are not confirmed
// on disk; the writer closes the files when the disk answers, if the program still runs.
void CDayFileLogger::GiveUpWaiting() {
    m_bGaveUp = true;
    m_strGaveUpResultFile = m_writer->DayFile(".xml");
    m_strGaveUpLogFile = m_writer->DayFile(".log");
    const CResultLog& log = m_writer->Log();
    m_nAbandoned =
        std::max<std::int64_t>(0, m_nHandedOver - log.GetWrittenCount() - log.GetLostCount());
    m_host.GetPrompt().Notice(StringFormat(
        "The disk of the log folder \"%s\" did not answer within %.2f s of the stop; %lld "
        "results are not confirmed on disk, and \"%s\" may stay without its footer until the "
        "next run continues it.",
        m_host.GetLogFolder().c_str(), std::chrono::duration<double>(CLogWriter::STOP_WAIT).count(),
        static_cast<long long>(m_nAbandoned), m_strGaveUpResultFile.c_str()));
}

bool CDayFileLogger::WaitForWriter() const {
    if (m_bGaveUp ? !m_logWriter.IsIdle() : !m_logWriter.WaitIdleForStop()) {
        m_host.GetPrompt().Notice(StringFormat(
            "The log writer has not finished its earlier work (the disk of the log folder does "
            "not answer); no log file is begun in \"%s\" nor any deleted until it has.",
            m_host.GetLogFolder().c_str()));
        return false;
    }
    CatchUp();
    return true;
}

bool CDayFileLogger::CatchUp() const {
    if (m_bGaveUp && !m_logWriter.IsIdle()) {
        return false;  // the writer still waits for the disk: nothing here waits for it
    }
    m_logWriter.WaitIdle();
    // Work given up on by a stop has been done since: the writer's counts include it.
    m_bGaveUp = false;
    m_nAbandoned = 0;
    DeliverLogNotices();
    return true;
}

void CDayFileLogger::WaitForLogWrites() const {
    m_bGaveUp = false;  // waits whatever the disk does
    CatchUp();
}

void CDayFileLogger::DeliverLogNotices() const {
    m_writer->Notices().Deliver(m_host.GetPrompt());
}

std::int32_t CDayFileLogger::GetMeasurementId() const {
    WaitForLogWrites();
    return m_writer->GetMeasurementId();
}

const std::string& CDayFileLogger::GetLastResultFile() const {
    return CatchUp() ? m_writer->GetLastResultFile() : m_strGaveUpResultFile;
}

const std::string& CDayFileLogger::GetLastLogFile() const {
    return CatchUp() ? m_writer->GetLastLogFile() : m_strGaveUpLogFile;
}

int CDayFileLogger::GetUnwrittenResultCount() const {
    WaitForLogWrites();
    return m_writer->Log().GetPendingCount();
}

std::int64_t CDayFileLogger::GetLostResultCount() const {
    CatchUp();
    return PeekLostResultCount();
}

std::int64_t CDayFileLogger::GetUnsyncedResultCount() const {
    CatchUp();
    return m_writer->Log().GetUnsyncedCount();
}

std::int64_t CDayFileLogger::GetAbandonedResultCount() const {
    CatchUp();
    return m_nAbandoned;
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
        CloseFiles();
    }
    std::string old = m_host.GetLogFolder();
    m_host.SetLogFolder(std::move(candidate));
    const bool kept = CheckLogFolder(true) == -1;
    if (kept) {
        m_host.SetLogFolder(std::move(old));
    }
    if (logging && BeginSwitchedOn() == 0) {
        // The new folder, or the old one again when the change was refused; the second that
        // is open now belongs to the measurement and goes into it.
        m_currentRecord.m_nTimestamp = openSecond;
        if (!kept) {
            LogStation(m_host.Now());  // the new folder's log names the station too
        }
    }
    // The protocol view shows the folder that is in effect now.
    m_host.SendHint(HINT_PROTOCOL_CHANGED);
}

int CDayFileLogger::CheckLogFolder(bool ask) {
    const std::string& folder = m_host.GetLogFolder();
    if (folder.empty()) {
        return 0;  // no folder: nothing to look at (and never the root folder)
    }
    if (ask && !ConfirmDayFilesKept(folder, m_host.GetPrompt())) {
        return -1;
    }
    m_strAgreedFolder = folder;
    return 0;
}

std::string CDayFileLogger::ResultFileName() const {
    return CResultLog::ResultFileName(m_host.GetLogFolder(), m_host.Now());
}

std::string CDayFileLogger::LogFileName() const {
    return CResultLog::LogFileName(m_host.GetLogFolder(), m_host.Now());
}

}  // namespace tavik
