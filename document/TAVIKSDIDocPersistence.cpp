#include <system_error>
#include <vector>

#include "document/SetupFile.h"
#include "document/SetupRules.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/FileContents.h"

namespace tavik {
namespace {

// A setup file is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxDocumentBytes = 64u << 20;

}  // namespace

bool CTAVIKSDIDoc::ConfirmEndMeasurement() {
    if (!IsRunning()) {
        return true;
    }
    return GetPrompt().MessageBox(
               "The Measurement is still running !\nDo you want to end the measurement ?",
               MB_YESNO_EXCLAMATION) == IDYES;
}

void CTAVIKSDIDoc::DeleteContents() {
    OnMeasurementStop();  // does nothing unless a measurement runs or is paused
    m_alarms.RemoveAll();
    m_nAlarmPosition = kNoAlarmPosition;
}

void CTAVIKSDIDoc::ResetToNewDocument() {
    CloseLogFiles();  // logging ends with the day's footer, never cut off
    ResetMeasurementCounters();
    m_elapsed = CTimeSpan();
    m_tickSpan = CTimeSpan(1);
    m_header = CProtocolHeader();  // strings and log folder empty, 106.7 MHz, antenna 1, ...
    m_bLoggingEnabled = false;
    m_bRunning.store(false);
    m_bPaused.store(false);
    ResetAnalyserReferences();
}

bool CTAVIKSDIDoc::OnNewDocument() {
    if (!ConfirmEndMeasurement()) {
        return false;
    }
    DeleteContents();
    SetPathName("");
    SetModifiedFlag(false);
    ResetToNewDocument();
    return true;
}

bool CTAVIKSDIDoc::OnOpenDocument(const std::string& path) {
    if (!ConfirmEndMeasurement()) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (const int cause = ReadFileContents(path, bytes, kMaxDocumentBytes); cause != 0) {
        // Nothing was touched yet: the document keeps its contents.
        WarningBox("The file could not be read: " + CauseText(cause));
        return false;
    }
    DeleteContents();
    try {
        CArchive ar(bytes.data(), bytes.size());
        Serialize(ar);
    } catch (const CArchiveException& e) {
        // Never leave a half-read setup behind, nor a path that a later save would overwrite
        // with it: the document becomes a new one. The log folder is not part of the file and
        // stays.
        const std::string folder = m_header.m_strLogFolder;
        ResetToNewDocument();
        m_header.m_strLogFolder = folder;
        SetPathName("");
        SetModifiedFlag(false);
        WarningBox(std::string("The file could not be read: ") + e.what());
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    ApplyDeviationFilter();
    return true;
}

bool CTAVIKSDIDoc::OnSaveDocument(const std::string& path) {
    CArchive ar;
    Serialize(ar);
    if (const int cause = ReplaceFileContents(path, ar.GetBuffer()); cause != 0) {
        WarningBox("The file could not be saved: " + CauseText(cause));
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

void CTAVIKSDIDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreSetup(ar, m_header, m_alarms);
        return;
    }
    // Read into copies and take them only when the whole file was read.
    CProtocolHeader header = m_header;
    CAlarmMap alarms;
    LoadSetup(ar, header, alarms);
    // A damaged or hostile file that reads whole is refused all the same when a field breaks
    // the rules that the forms and `setup write` keep: no alarm that can never fire.
    if (const std::string reason = setup_rules::CheckSetup(header, alarms); !reason.empty()) {
        throw CArchiveException(reason);
    }
    m_header = std::move(header);
    m_alarms = std::move(alarms);
    m_nAlarmPosition = kNoAlarmPosition;
}

void CTAVIKSDIDoc::SetProtocolHeader(const CProtocolHeader& header) {
    m_header.m_strings = header.m_strings;
}

void CTAVIKSDIDoc::SetWindowFunction(const CProtocolHeader& header) {
    m_header.m_nWindowFunction = header.m_nWindowFunction;
    ApplyWindowFunction();
}

void CTAVIKSDIDoc::SetDeviationOptions(const CProtocolHeader& header) {
    // A new filter setting restarts the maximum; the limit and the triangle only change what
    // is drawn, so they leave the run's statistics alone.
    const bool filterChanged = m_header.m_bFilter != header.m_bFilter;
    m_header.m_fDeviationLimit = header.m_fDeviationLimit;
    m_header.m_bLimitTriangle = header.m_bLimitTriangle;
    m_header.m_bFilter = header.m_bFilter;
    if (filterChanged) {
        ApplyDeviationFilter();
    }
}

}  // namespace tavik
