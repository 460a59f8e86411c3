#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "alarms/AlarmMap.h"
#include "device/TavikControl.h"
#include "document/CurrentValues.h"
#include "document/GenericException.h"
#include "document/Hints.h"
#include "document/ProtocolHeader.h"
#include "platform/Archive.h"
#include "platform/Document.h"
#include "platform/MessageTarget.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// The one document: owns the receiver and the analysers, runs the measurement lifecycle and the
// once-a-second main timer work, and tells its views of changes through hints. Lifecycle
// operations and command handlers run on the user-interface thread.
class CTAVIKSDIDoc : public CDocument {
public:
    CTAVIKSDIDoc();
    ~CTAVIKSDIDoc() override;
    CTAVIKSDIDoc(const CTAVIKSDIDoc&) = delete;
    CTAVIKSDIDoc& operator=(const CTAVIKSDIDoc&) = delete;

    // Collaborators: the prompt shows boxes and notices, the clock gives "now".
    void SetPrompt(CPrompt* prompt) { m_pPrompt = prompt; }
    CPrompt& GetPrompt() { return *m_pPrompt; }
    void SetClock(const CClock* clock) { m_pClock = clock; }
    const CClock& GetClock() const { return *m_pClock; }

    // Lifecycle (throw the classes of the error table).
    void StartMeasurement();
    void PauseMeasurement();
    void StopMeasurement();
    void OnMainTimerEvent();
    bool SetTunerFrequency(float megahertz);
    bool SetAntenna(int antenna);
    bool IsRunning() const { return m_bRunning.load(); }
    bool IsPaused() const { return m_bPaused.load(); }
    void SetResultWindow(HWND hwnd);
    HWND GetResultWindow() const { return m_hResultWnd; }

    // Command handlers: catch, show the formatted error in a warning box, send hints.
    void OnMeasurementStart();
    void OnMeasurementPause();
    void OnMeasurementStop();
    void OnDetectHardware();

    void SendStateHint();
    void SendPanoramaHint();

    // Errors.
    static std::string GetErrorMessage(int errorId, int subId, const std::string& message) {
        return tavik::GetErrorMessage(errorId, subId, message);
    }
    static std::string FormatException(const CGenericException& e) {
        return tavik::FormatException(e);
    }

    // Sample distribution to the analysers.
    void StartADCDistribution();
    void StopADCDistribution();

    // Result logging.
    void SetResultValue(int kind, float value);
    void WriteLog(const std::string& line);

    // Alarms: checked once a second by the main timer.
    void CheckAlarm();

    void CloseLogFiles();

    // Calibration values of the multipath analysis, read from the receiver.
    void LoadCalibrators();

    // Analysers: cleared when a measurement stops; the multipath fit runs on even seconds.
    void ClearAnalysers();
    void AnalyseMultipath();

    // Setup.
    const CProtocolHeader& GetProtocolHeaderRef() const { return m_header; }
    void GetProtocolHeader(CProtocolHeader& out) const { out = m_header; }

    CTavikControl& GetDevice() { return m_device; }

    // Alarm set (user-interface thread). GetAlarm with an empty name returns the item at the
    // iteration position, writes its key into `name` and advances; none when exhausted.
    void SetAlarm(const std::string& name, std::unique_ptr<CAlarmItem> item);
    CAlarmItem* GetAlarm(std::string& name);
    bool StartAlarmIteration();
    void RemoveAlarm(const std::string& name);
    const CAlarmMap& GetAlarms() const { return m_alarms; }
    // The alarm page's operations, by name (false when no such alarm): the answer to the
    // acknowledge question (Yes = disable), the check box, and disabling all on a stop.
    int AskAlarmAcknowledge(const std::string& name);
    bool AnswerAlarmPrompt(const std::string& name, bool disable);
    bool SetAlarmChecked(const std::string& name, bool checked);
    void DisableAllAlarms();
    // Latest measured values read by CheckAlarm; SetResultValue kinds 4, 7, 8 update them.
    const CCurrentValues& GetCurrentValues() const { return m_currentValues; }
    void SetCurrentValues(const CCurrentValues& values) { m_currentValues = values; }

    // Document file and setup record.
    bool OnNewDocument();
    bool OnOpenDocument(const std::string& path);
    bool OnSaveDocument(const std::string& path);
    void Serialize(CArchive& ar);
    void DeleteContents();
    void SetProtocolHeader(const CProtocolHeader& header);
    void SetWindowFunction(const CProtocolHeader& header);
    void SetDeviationOptions(const CProtocolHeader& header);

    float m_tunerFrequency = 106.7f;  // MHz, last set through SetTunerFrequency
    CTimeSpan m_elapsed;              // measuring time, grows by m_tickSpan per tick
    CTimeSpan m_tickSpan{1};          // main-timer period
    CTime m_startTime;                // last successful start
    std::string m_strPSName;          // station name shown in the header
    bool m_bLoggingEnabled = false;

private:
    int WarningBox(const std::string& text) {
        return m_pPrompt->MessageBox(text, MB_ICONEXCLAMATION);
    }

    CStderrPrompt m_defaultPrompt;
    CPrompt* m_pPrompt = &m_defaultPrompt;
    const CClock* m_pClock = &CSystemClock::Instance();
    HWND m_hResultWnd = nullptr;

    CTavikControl m_device;

    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bPaused{false};
    std::atomic<bool> m_bPanoramaRunning{false};

    CProtocolHeader m_header;

    // Alarms and setup
    static constexpr std::size_t kNoAlarmPosition = static_cast<std::size_t>(-1);
    void CheckAlarmItem(const std::string& name, CAlarmItem& item);
    void SwitchAlarmOutput(CAlarmItem& item, bool on);
    void SendAlarmHints(const std::string& name, CAlarmItem& item);
    void RequestAlarmReset(CAlarmItem& item);
    bool ConfirmEndMeasurement();
    void ResetToNewDocument();
    // Hooks to the analysers and counters owned elsewhere (TAVIKSDIDocSetupHooks.cpp).
    void ApplyDeviationFilter();
    void ApplyWindowFunction();
    void ResetAnalyserReferences();
    void ResetMeasurementCounters();
    CAlarmMap m_alarms;
    std::size_t m_nAlarmPosition = kNoAlarmPosition;
    CCurrentValues m_currentValues;
};

}  // namespace tavik
