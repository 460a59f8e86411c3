#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/ResultRecord.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// The day files of result logging: their names, their byte formats and the writes. A failing
// file is reported once through the prompt's notice; records that could not be written wait
// here (the oldest dropped beyond one hour of them) and go out with the next successful write.
// Used by the document on the user-interface thread.
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
    // Whether `name` is one of this program's day files: "tavik", six digits, `extension`.
    static bool IsOwnFileName(std::string_view name, std::string_view extension);

    // Appends one record in the result-file layout (no line break after it).
    static void AppendRecord(std::string& out, std::int32_t id, const CResultRecord& record);
    // One text-log line stamped with the local time of `now`, CR LF included.
    static std::string FormatLogLine(CTime now, const std::string& text);

    // What BeginResultFile found in an existing file.
    struct CContinuation {
        std::int32_t nLastId = 0;        // id of the file's last whole record; 0 for none
        std::int64_t nBytesRemoved = 0;  // cut record or footer taken off the end
    };
    // Starts a session's result file: a missing or empty file gets the header; an existing
    // result file is continued after its last whole record (a trailing footer or a record cut
    // by a power loss is removed). Only a regular file is used, never through a symbolic link,
    // and only one that starts with the header: anything else is left untouched and gives
    // NOT_A_RESULT_FILE. Returns 0 or the errno cause.
    int BeginResultFile(const std::string& path, CContinuation& found, CPrompt& prompt);
    // Queues records for the next WriteResults.
    void Keep(const CResultRecord* records, int count, CPrompt& prompt);
    // Writes the waiting records to `path` (created with the header when missing), each with
    // the next id after `measurementId`, and syncs the file. What fits is written record by
    // record; the rest keeps waiting. Returns 0 or the errno cause.
    int WriteResults(const std::string& path, std::int32_t& measurementId, CPrompt& prompt);
    // Ends a result file with the footer.
    int AppendFooter(const std::string& path, CPrompt& prompt);
    // Appends `line` to `today`; on a new day `last` first gets a "File Closed" line.
    int WriteLogLine(const std::string& today, std::string& last, const std::string& line,
                     CTime now, CPrompt& prompt);
    // Forgets the waiting records, telling the user how many were lost; returns that count.
    int DropPending(CPrompt& prompt);

    int GetPendingCount() const { return m_nPending; }
    // Records given up since this object was made (backlog overflow and drops at a close).
    std::int64_t GetLostCount() const { return m_nLost; }

private:
    // Failures are told once per file (`result`: the result file, else the log file), and the
    // end of a told failure is told too.
    void Succeeded(bool result, const std::string& path, CPrompt& prompt);
    void Failed(bool result, const std::string& path, int error, CPrompt& prompt);
    void Forget(int count);
    static int ContinueResultFile(int fd, std::int64_t size, CContinuation& found);

    std::array<CResultRecord, RESULT_BACKLOG> m_pending{};  // ring of unwritten records
    int m_nFirst = 0;
    int m_nPending = 0;
    std::int64_t m_nLost = 0;
    bool m_bOverflowReported = false;
    std::string m_strFailedResultFile;  // failing file already reported; empty when all is well
    std::string m_strFailedLogFile;
    std::string m_strText;  // text of one write, reused so that its capacity stays
    std::array<std::size_t, RESULT_BACKLOG> m_recordEnds{};  // end offsets in m_strText
};

}  // namespace tavik
