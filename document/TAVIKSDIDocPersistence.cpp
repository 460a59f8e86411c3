#include "document/SetupFile.h"
#include "document/SetupRules.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {

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
    ApplyDecoderSettings();
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
    CProtocolHeader header = m_header;
    CAlarmMap alarms;
    std::string why;
    const ESetupRead read = ReadSetupFile(path, header, alarms, why);
    if (read == ESetupRead::Unreadable) {
        // Nothing was touched yet: the document keeps its contents.
        WarningBox("The file could not be read: " + why);
        return false;
    }
    DeleteContents();
    if (read == ESetupRead::Damaged) {
        // Never leave a half-read setup behind, nor a path that a later save would overwrite
        // with it: the document becomes a new one. The log folder is not part of the file and
        // stays.
        const std::string folder = m_header.m_strLogFolder;
        ResetToNewDocument();
        m_header.m_strLogFolder = folder;
        SetPathName("");
        SetModifiedFlag(false);
        WarningBox("The file could not be read: " + why);
        return false;
    }
    m_header = std::move(header);
    m_alarms = std::move(alarms);
    m_nAlarmPosition = kNoAlarmPosition;
    SetPathName(path);
    SetModifiedFlag(false);
    ApplyDeviationFilter();
    ApplyDecoderSettings();
    return true;
}

bool CTAVIKSDIDoc::OnSaveDocument(const std::string& path) {
    if (const std::string cause = WriteSetupFile(path, m_header, m_alarms); !cause.empty()) {
        WarningBox("The file could not be saved: " + cause);
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
    LoadCheckedSetup(ar, m_header, m_alarms);
    m_nAlarmPosition = kNoAlarmPosition;
    ApplyDecoderSettings();
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

bool CTAVIKSDIDoc::SetDecoderSettings(const CProtocolHeader& header) {
    if (!setup_rules::CheckDeemphasis(header.m_nDeemphasis).empty() ||
        !setup_rules::CheckSilenceDb(header.m_fSilenceDb).empty() ||
        !setup_rules::CheckSilenceSeconds(header.m_nSilenceSeconds).empty()) {
        return false;
    }
    m_header.m_nDeemphasis = header.m_nDeemphasis;
    m_header.m_fSilenceDb = header.m_fSilenceDb;
    m_header.m_nSilenceSeconds = header.m_nSilenceSeconds;
    ApplyDecoderSettings();
    return true;
}

}  // namespace tavik
