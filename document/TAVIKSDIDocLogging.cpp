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

void CTAVIKSDIDoc::SetResultValue(int kind, float value) {
    switch (kind) {
        case 8:
            m_currentRecord.m_fMultipath = value;
            break;
        case 4:
            m_currentRecord.m_fDeviation = value;
            break;
        case 7:
            m_currentRecord.m_fMPXPower = value;
            break;
        case 0:
            // Close the second's record and stamp the next one; the values carry over, so a
            // second without a new value repeats the last one.
            if (m_currentRecord.m_nTimestamp != 0 && m_bLoggingEnabled) {
                m_results[static_cast<std::size_t>(m_nResults)] = m_currentRecord;
                if (++m_nResults >= RESULT_RECORDS) {
                    FlushResults();
                }
            }
            m_currentRecord.m_nTimestamp = static_cast<std::uint32_t>(GetClock().Now().GetTime());
            break;
        default:
            break;
    }
}

void CTAVIKSDIDoc::FlushResults() {
    if (!m_bLoggingEnabled) {
        m_nResults = 0;
        return;
    }
    // Records move to the log's queue first, so that a failed write keeps them for the next.
    m_resultLog.Keep(m_results.data(), m_nResults, GetPrompt());
    m_nResults = 0;
    const std::string today = ResultFileName();
    if (!today.empty()) {
        m_resultLog.WriteResults(today, m_strLastResultFile, m_nMeasurementId, GetPrompt());
    }
}

void CTAVIKSDIDoc::WriteLog(const std::string& line) {
    const CTime now = GetClock().Now();
    const std::string today = CResultLog::LogFileName(m_header.m_strLogFolder, now);
    if (today.empty()) {
        return;
    }
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
    m_strLastResultFile.clear();
    m_strLastLogFile.clear();
    const std::string resultFile = ResultFileName();
    if (m_resultLog.BeginResultFile(resultFile, GetPrompt()) == 0) {
        m_strLastResultFile = resultFile;
    }
    WriteLog("File Opened");
    UpdateAllViews(nullptr, HINT_PROTOCOL_CHANGED);
    m_bLoggingEnabled = true;
    m_nMeasurementId = 0;
    // A record stamped before logging began (left over from an earlier run) is not collected.
    m_currentRecord.m_nTimestamp = 0;
    return 0;
}

void CTAVIKSDIDoc::CloseLogFiles() {
    if (!m_bLoggingEnabled) {
        return;
    }
    FlushResults();
    // The footer goes where the records went, even if the day has changed since that write.
    const std::string file = m_strLastResultFile.empty() ? ResultFileName() : m_strLastResultFile;
    if (!file.empty()) {
        m_resultLog.AppendFooter(file, GetPrompt());
    }
    m_strLastResultFile = file;
    // Nothing may follow the footer: records still unwritten are given up and reported.
    m_resultLog.DropPending(GetPrompt());
    m_bLoggingEnabled = false;
    WriteLog("File Closed");
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
    std::string old = std::move(m_header.m_strLogFolder);
    m_header.m_strLogFolder = std::move(candidate);
    if (CheckLogFolder(true) == -1) {
        m_header.m_strLogFolder = std::move(old);
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
