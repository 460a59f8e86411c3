#include "report/DayReport.h"

#include <filesystem>
#include <memory>

#include "document/TAVIKSDIDoc.h"
#include "report/ReportError.h"

namespace tavik {

namespace {

// The setup as the application reads it: through the document's open operation.
CProtocolHeader ReadSetup(const std::string& path) {
    CRecordingPrompt prompt;
    const auto doc = std::make_unique<CTAVIKSDIDoc>();
    doc->SetPrompt(&prompt);
    if (!doc->OnOpenDocument(path)) {
        std::string cause = prompt.m_boxes.empty() ? "unknown cause" : prompt.m_boxes.back().text;
        throw CReportError("Could not read the setup file \"" + path + "\": " + cause);
    }
    return doc->GetProtocolHeaderRef();
}

}  // namespace

void SummariseRecords(CDayReport& report) {
    report.day = MakeDaySeconds(report.file.records);
    report.summary = SummariseDay(report.day);
}

CDayReport LoadDayReport(const CReportOptions& options) {
    CDayReport report;
    report.options = options;
    report.file = ReadResultFile(options.strResultFile);
    SummariseRecords(report);
    if (!options.strLogFile.empty()) {
        report.log = ReadEventLog(options.strLogFile);
    }
    if (options.openSetup) {
        report.setup = options.openSetup;
    } else if (!options.strSetupFile.empty()) {
        report.setup = ReadSetup(options.strSetupFile);
    }
    return report;
}

std::string ReportOutputPath(const CReportOptions& options) {
    if (!options.strOutFile.empty()) {
        return options.strOutFile;
    }
    return std::filesystem::path(options.strResultFile).replace_extension(".pdf").string();
}

}  // namespace tavik
