#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "document/TAVIKSDIDoc.h"

namespace tavik {

namespace {

constexpr const char* kDeleteQuestion =
    "This folder already contains log- or resultfiles. If you continue they will be "
    "deleted.\n\nDo you want to continue?";

}  // namespace

void CTAVIKSDIDoc::SetResultValue(EResultValue kind, float value) {
    switch (kind) {
        case EResultValue::Multipath:
            m_currentRecord.m_fMultipath = value;
            m_bHasMultipath = true;
            break;
        case EResultValue::Deviation:
            m_currentRecord.m_fDeviation = value;
            m_bHasDeviation = true;
            break;
        case EResultValue::MpxPower:
            m_currentRecord.m_fMPXPower = value;
            m_bHasMpxPower = true;
            break;
        case EResultValue::Close: {
            // Close the second's record and stamp the next one; the values carry over, so a
            // second without a new value repeats the last one.
            if (m_currentRecord.m_nTimestamp != 0 && m_bLoggingEnabled) {
                m_results[static_cast<std::size_t>(m_nResults)] = m_currentRecord;
                if (++m_nResults >= RESULT_RECORDS) {
                    FlushResults();
                }
            }
            const CTime now = GetClock().Now();
            // Every record closed so far began on the old day: they go to its file before the
            // new day's files are started.
            ChangeLogDay(now);
            m_currentRecord.m_nTimestamp = static_cast<std::uint32_t>(now.GetTime());
            break;
        }
    }
}

void CTAVIKSDIDoc::ForgetCurrentValues() {
    m_currentRecord.m_fMultipath = 0.0f;
    m_currentRecord.m_fDeviation = 0.0f;
    m_currentRecord.m_fMPXPower = 0.0f;
    m_bHasMultipath = false;
    m_bHasDeviation = false;
    m_bHasMpxPower = false;
}

CCurrentValues CTAVIKSDIDoc::GetCurrentValues() const {
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

void CTAVIKSDIDoc::SetCurrentValues(const CCurrentValues& values) {
    m_currentRecord.m_fMPXPower = values.m_fMpxPower.value_or(0.0f);
    m_currentRecord.m_fDeviation = values.m_fDeviation.value_or(0.0f);
    m_currentRecord.m_fMultipath = values.m_fMultipath.value_or(0.0f);
    m_bHasMpxPower = values.m_fMpxPower.has_value();
    m_bHasDeviation = values.m_fDeviation.has_value();
    m_bHasMultipath = values.m_fMultipath.has_value();
}

std::string CTAVIKSDIDoc::LoggingDayFile(const char* extension) const {
    return JoinPath(m_header.m_strLogFolder, m_strLogDay + extension);
}

bool CTAVIKSDIDoc::IsLoggingToFiles() const {
    return m_bLoggingEnabled && !m_strLogDay.empty();
}

void CTAVIKSDIDoc::FlushResults() {
    if (!IsLoggingToFiles()) {
        m_nResults = 0;
        return;
    }
    // Records move to the log's queue first, so that a failed write keeps them for the next.
    m_resultLog.Keep(m_results.data(), m_nResults, GetPrompt());
    m_nResults = 0;
    if (m_resultLog.GetPendingCount() == 0) {
        return;
    }
    const std::string file = LoggingDayFile(".xml");
    if (m_resultLog.WriteResults(file, m_nMeasurementId, GetPrompt()) == 0) {
        m_strLastResultFile = file;
    }
}

void CTAVIKSDIDoc::ChangeLogDay(CTime now) {
    if (!IsLoggingToFiles() || CResultLog::BaseName(now) == m_strLogDay) {
        return;
    }
    // The old day's pair is closed: its records, the footer, "File Closed".
    FlushResults();
    m_resultLog.AppendFooter(LoggingDayFile(".xml"), GetPrompt());
    m_resultLog.WriteLogLine(LoggingDayFile(".log"), m_strLastLogFile,
                             CResultLog::FormatLogLine(now, "File Closed"), now, GetPrompt());
    m_strLastLogFile.clear();
    // The new day's pair starts as a newly opened one does.
    BeginDayFiles(now);
}

bool CTAVIKSDIDoc::BeginDayFiles(CTime now) {
    m_strLogDay = CResultLog::BaseName(now);
    const std::string resultFile = LoggingDayFile(".xml");
    CResultLog::CContinuation found;
    const int error = m_resultLog.BeginResultFile(resultFile, found, GetPrompt());
    if (error != 0) {
        return false;
    }
    m_strLastResultFile = resultFile;
    m_nMeasurementId = found.nLastId;  // a continued file goes on with its own numbering
    WriteLog("File Opened");
    if (found.nBytesRemoved > 0) {
        WriteLog(
            StringFormat("Result file continued after its last whole record; %lld bytes "
                         "of an incomplete record were removed",
                         static_cast<long long>(found.nBytesRemoved)));
    }
    return true;
}

void CTAVIKSDIDoc::WriteLog(const std::string& line) {
    const CTime now = GetClock().Now();
    if (m_header.m_strLogFolder.empty()) {
        return;
    }
    if (IsLoggingToFiles() && (!IsRunning() || m_currentRecord.m_nTimestamp == 0)) {
        // No second is open that began on the old day, so the day can change here.
        ChangeLogDay(now);
    }
    // While logging, lines go to the log of the day whose result file takes the records: in
    // the moment between midnight and the next second's close that is still the old day's.
    const std::string today = IsLoggingToFiles() ? LoggingDayFile(".log") : LogFileName();
    FlushResults();
    m_resultLog.WriteLogLine(today, m_strLastLogFile, CResultLog::FormatLogLine(now, line), now,
                             GetPrompt());
}

int CTAVIKSDIDoc::OpenLogFiles(bool ask) {
    // A declined deletion does not stop logging: the day's result file is then continued.
    CheckLogFolder(ask);
    return BeginLogFiles();
}

int CTAVIKSDIDoc::OpenLogFilesKeeping(const std::string& folder) {
    // No CheckLogFolder: unattended, nobody could be asked before files are deleted.
    if (folder.empty()) {
        return -1;
    }
    m_header.m_strLogFolder = folder;
    return BeginLogFiles();
}

int CTAVIKSDIDoc::BeginLogFiles() {
    if (m_header.m_strLogFolder.empty()) {
        return -1;
    }
    CloseLogFiles();  // logging that runs already ends with its footer first
    const std::string& folder = m_header.m_strLogFolder;
    // One program per folder: two would interleave their records in one day file.
    std::string holder;
    if (const int cause = m_logFolderLock.Acquire(folder, holder); cause != 0) {
        GetPrompt().Notice(
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
    m_strLastResultFile.clear();
    m_strLastLogFile.clear();
    m_bLoggingEnabled = true;
    if (!BeginDayFiles(GetClock().Now())) {
        // The day's result file cannot be used (the notice said why): no logging.
        m_bLoggingEnabled = false;
        m_strLogDay.clear();
        m_logFolderLock.Release();
        return -1;
    }
    UpdateAllViews(nullptr, HINT_PROTOCOL_CHANGED);
    // A record stamped before logging began (left over from an earlier run) is not collected.
    m_currentRecord.m_nTimestamp = 0;
    return 0;
}

void CTAVIKSDIDoc::CloseLogFiles() {
    if (!IsLoggingToFiles()) {
        m_bLoggingEnabled = false;
        return;
    }
    // The footer goes where the records went, even if the day has changed since that write.
    FlushResults();
    const std::string file = LoggingDayFile(".xml");
    m_resultLog.AppendFooter(file, GetPrompt());
    m_strLastResultFile = file;
    // Nothing may follow the footer: records still unwritten are given up and reported.
    m_resultLog.DropPending(GetPrompt());
    const CTime now = GetClock().Now();
    m_resultLog.WriteLogLine(LoggingDayFile(".log"), m_strLastLogFile,
                             CResultLog::FormatLogLine(now, "File Closed"), now, GetPrompt());
    m_bLoggingEnabled = false;
    m_strLogDay.clear();
    m_logFolderLock.Release();
}

void CTAVIKSDIDoc::SelectLogFolder(std::optional<std::string> path) {
    std::string candidate;
    if (path) {
        if (*path == m_header.m_strLogFolder) {
            return;
        }
        candidate = std::move(*path);
    } else {
        if (!m_folderChooser) {
            return;  // no chooser (headless): the folder is set with a path
        }
        std::optional<std::string> chosen =
            m_folderChooser(SELECT_FOLDER_TITLE, m_header.m_strLogFolder);
        if (!chosen || *chosen == m_header.m_strLogFolder) {
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
    std::string old = std::move(m_header.m_strLogFolder);
    m_header.m_strLogFolder = std::move(candidate);
    if (CheckLogFolder(true) == -1) {
        m_header.m_strLogFolder = std::move(old);
    }
    if (logging && BeginLogFiles() == 0) {
        // The new folder, or the old one again when the change was refused; the second that
        // is open now belongs to the measurement and goes into it.
        m_currentRecord.m_nTimestamp = openSecond;
    }
    // The protocol view shows the folder that is in effect now.
    UpdateAllViews(nullptr, HINT_PROTOCOL_CHANGED);
}

int CTAVIKSDIDoc::CheckLogFolder(bool ask) {
    namespace fs = std::filesystem;
    const std::string& folder = m_header.m_strLogFolder;
    if (folder.empty()) {
        return 0;  // no folder: nothing to look at (and never the root folder)
    }
    // Only this program's day files; other programs' .log and .xml files stay untouched.
    std::vector<fs::path> logs;
    std::vector<fs::path> results;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            continue;
        }
        const std::string name = it->path().filename().string();
        if (CResultLog::IsOwnFileName(name, ".log")) {
            logs.push_back(it->path());
        } else if (CResultLog::IsOwnFileName(name, ".xml")) {
            results.push_back(it->path());
        }
    }
    if (logs.empty() && results.empty()) {
        return 0;
    }
    if (ask && GetPrompt().MessageBox(kDeleteQuestion, MB_YESNO_QUESTION_NO) != IDYES) {
        return -1;
    }
    for (const std::vector<fs::path>* files : {&logs, &results}) {
        for (const fs::path& file : *files) {
            std::error_code removeError;
            if (!fs::remove(file, removeError) && removeError) {
                GetPrompt().Notice(StringFormat("Could not delete \"%s\" (%d).",
                                                file.string().c_str(), removeError.value()));
            }
        }
    }
    return 0;
}

std::string CTAVIKSDIDoc::ResultFileName() const {
    return CResultLog::ResultFileName(m_header.m_strLogFolder, GetClock().Now());
}

std::string CTAVIKSDIDoc::LogFileName() const {
    return CResultLog::LogFileName(m_header.m_strLogFolder, GetClock().Now());
}

}  // namespace tavik
