#pragma once

#include <sys/types.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/ResultRecord.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// The day files of result logging: their names, their byte formats and the writes. A failing
// file is reported once through the prompt's notice; records that could not be written wait
// here (the oldest dropped beyond one hour of them) and go out with the next successful write.
// Used by one thread at a time: the document's log writer (SetSyncing from any thread).
class CResultLog {
public:
    static constexpr int RESULT_BACKLOG = 3600;  // one hour of one-second records
    static constexpr std::string_view HEADER = "<?xml version=\"1.0\"?>\r\n<Tavik>\r\n";
    static constexpr std::string_view FOOTER = "</Tavik>\r\n";
    // BeginResultFile's cause for an existing file that is not a result file.
    static constexpr int NOT_A_RESULT_FILE = -1;

    // "tavik%y%m%d" of the local date of `now`.
    static std::string BaseName(CTime now);
    // The day's files in `folder`; empty names without a folder.
    static std::string ResultFileName(const std::string& folder, CTime now);
    static std::string LogFileName(const std::string& folder, CTime now);
    // Whether `name` is one of this program's day files: "tavik", six digits, `extension`, or
    // with "-N" before the extension (a name beside the day's, taken by another file).
    static bool IsOwnFileName(std::string_view name, std::string_view extension);

    // Appends one record in the result-file layout (no line break after it).
    static void AppendRecord(std::string& out, std::int32_t id, const CResultRecord& record);
    // One text-log line stamped with the local time of `now`, CR LF included.
    static std::string FormatLogLine(CTime now, const std::string& text);

    // What BeginResultFile found in an existing file.
    struct CContinuation {
        std::int32_t nLastId = 0;          // id of the file's last whole record; 0 for none
        std::int64_t nBytesRemoved = 0;    // cut record or footer taken off the end
        std::uint32_t nLastTimestamp = 0;  // timestamp of that record; 0 for none
        bool bContinued = false;           // the file held records or the header already
        bool bClosed = false;              // it ended with the footer (its last run closed it)
        // The name the day file was moved aside to (a cut header, or ids that cannot go on);
        // empty when none was.
        std::string strMovedAside;
        bool bIdsExhausted = false;  // moved aside because its ids would run out
        bool bNotARecord = false;    // moved aside because it does not end in a whole record
        bool bNew = false;           // the header was written now (the file was missing or empty)
        // The day's own name when it was taken by a file that is not ours (left untouched) and the
        // file was begun beside it; empty otherwise.
        std::string strInPlaceOf;
    };
    // Ids beyond this are not continued: such a file is moved aside (ids count seconds, a day
    // has 86 400 of them, and the 32-bit id must never wrap).
    static constexpr std::int32_t LAST_CONTINUED_ID = 2147483647 - 100 * 86400;

    // Files whose path lies in `folder` are opened relative to `folderFd` (a locked folder
    // held open), so they land in that folder whatever happens to its path; -1 opens by path.
    void SetFolder(int folderFd, const std::string& folder);
    // Non-zero: the held folder cannot be used now (its path names nothing), and files in it
    // fail to open with this cause, as they would by path.
    void SetFolderCause(int cause) { m_nFolderCause = cause; }
    // Syncs after each write (the default). Off, writes go out without waiting for the disk:
    // a stop then waits only for the write in progress.
    void SetSyncing(bool sync) { m_bSync = sync; }

    // Starts a session's result file: a missing or empty file gets the header, synced; an
    // existing result file is continued after its last whole record (a trailing footer or a
    // record cut by a power loss is removed; only the end of the file is read). A file that
    // holds nothing but part of the header or zeros (a power loss in its first moments), whose
    // ids would run out, or whose end is no whole record as written here (so that what followed
    // would not be well-formed), is moved aside as NAME.damaged and the file begun afresh. Only a
    // regular file is used, never through a symbolic link, and only one that starts with the
    // header: anything else is left untouched and gives NOT_A_RESULT_FILE. Returns 0 or the
    // errno cause.
    // Without `syncHeader` a new header is not synced here (a start must not wait for the disk):
    // SyncHeader does it later.
    int BeginResultFile(const std::string& path, CContinuation& found, CPrompt& prompt,
                        bool syncHeader = true);
    // Closes a day file that a run left without its footer (killed, a crash, a power loss): cut
    // back after its last whole record as a continued file is, then the footer. `found` says
    // what it held (bClosed: it was closed already and is left as it is). A file that is not a
    // result file of this program, or a damaged one, is left untouched (NOT_A_RESULT_FILE).
    // Returns 0 or the cause.
    int CloseLeftOpen(const std::string& path, CContinuation& found);
    // Syncs a result file that holds nothing but the header; when the sync fails the header is
    // cut off again (the next write begins the file anew with its records). 0 or the cause.
    int SyncHeader(const std::string& path, CPrompt& prompt);
    // Queues records for the next WriteResults.
    void Keep(const CResultRecord* records, int count, CPrompt& prompt);
    // Writes the waiting records to `path` (created with the header when missing), each with
    // the next id after `measurementId`, and syncs the file. What fits is written record by
    // record; the rest keeps waiting. A failed sync cuts the file back to where the write began
    // and the records wait too, so that they are never both in the file and waiting. Returns 0
    // or the errno cause.
    int WriteResults(const std::string& path, std::int32_t& measurementId, CPrompt& prompt);
    // Ends a result file with the footer.
    int AppendFooter(const std::string& path, CPrompt& prompt);
    // Appends `line` to `today`; on a new day `last` first gets a "File Closed" line.
    int WriteLogLine(const std::string& today, std::string& last, const std::string& line,
                     CTime now, CPrompt& prompt);
    // Forgets the waiting records, telling the user how many were lost; returns that count.
    int DropPending(CPrompt& prompt);
    // Counts `count` records as lost that never reached this log (a folder given up).
    void CountLost(std::int64_t count) {
        m_nLost += count;
        m_nUnloggedLost += count;
    }
    // Records lost before they reached this log (refused by a full queue, counted where they
    // were refused): only told in the day's log.
    void CountUnloggedLoss(std::int64_t count) { m_nUnloggedLost += count; }
    // Records lost since the last call, for a line in the day's log.
    std::int64_t TakeUnloggedLosses() { return std::exchange(m_nUnloggedLost, 0); }
    // Records written without being confirmed on disk since the last call, for the day's log.
    std::int64_t TakeUnloggedUnsynced() { return std::exchange(m_nUnloggedUnsynced, 0); }

    int GetPendingCount() const { return m_nPending; }
    // Records given up since this object was made (backlog overflow and drops at a close), and
    // records written; any thread may read them while the log writer's thread counts.
    std::int64_t GetLostCount() const { return m_nLost.load(); }
    std::int64_t GetWrittenCount() const { return m_nWritten.load(); }
    // Records written while the result file's syncs failed and no sync succeeded after them (a
    // stop writes without syncing): in the file, but not confirmed on disk.
    std::int64_t GetUnsyncedCount() const { return m_nUnsynced.load(); }

private:
    // Failures are told once per file (`result`: the result file, else the log file), and the
    // end of a told failure is told too.
    void Succeeded(bool result, const std::string& path, CPrompt& prompt);
    void SucceededIfSynced(bool result, const std::string& path, CPrompt& prompt);
    // `written`: the log line is in the file, only its sync failed.
    void Failed(bool result, const std::string& path, int error, CPrompt& prompt,
                bool written = false);
    void Forget(int count);
    static int ContinueResultFile(int fd, std::int64_t size, CContinuation& found);
    // The descriptor's folder and name for `path`: the held folder when `path` lies in it.
    int OpenFile(const std::string& path, int flags) const;
    int Append(const std::string& path, std::string_view head, std::string_view body, bool create,
               bool cutOnSyncFailure = false, const std::size_t* boundaries = nullptr,
               std::size_t boundaryCount = 0, std::size_t* kept = nullptr);
    // A failed write whose cut failed too leaves part of a record or line in the file: it is cut
    // to `length` before the next write to `path`, which fails with the cut's cause until then.
    void RememberCut(const std::string& path, off_t length);
    int CutLeftover(const std::string& path, int fd, off_t& size);
    int MoveAside(const std::string& path, std::string& movedTo) const;

    std::array<CResultRecord, RESULT_BACKLOG> m_pending{};  // ring of unwritten records
    int m_nFirst = 0;
    int m_nPending = 0;
    std::atomic<std::int64_t> m_nLost{0};
    std::atomic<std::int64_t> m_nWritten{0};
    std::atomic<std::int64_t> m_nUnsynced{0};
    std::int64_t m_nUnloggedLost = 0;
    std::int64_t m_nUnloggedUnsynced = 0;
    // How the last Append's sync went: none (not syncing, or nothing written), or its outcome.
    enum class ESync { Skipped, Synced, Failed };
    ESync m_lastSync = ESync::Skipped;
    bool m_bResultSyncFailing = false;  // the result file's last sync failed
    int m_nFolderFd = -1;
    int m_nFolderCause = 0;
    std::string m_strFolder;
    std::atomic<bool> m_bSync{true};
    bool m_bOverflowReported = false;
    std::string m_strFailedResultFile;  // failing file already reported; empty when all is well
    std::string m_strFailedLogFile;
    std::string m_strText;  // text of one write, reused so that its capacity stays
    std::array<std::size_t, RESULT_BACKLOG> m_recordEnds{};  // end offsets in m_strText
    std::vector<std::pair<std::string, off_t>> m_leftovers;  // files to cut, and to what length
};

}  // namespace tavik
