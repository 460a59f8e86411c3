#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "analysis/DeviationTavik.h"
#include "device/TavikControl.h"
#include "document/GenericException.h"
#include "document/Hints.h"
#include "document/ProtocolHeader.h"
#include "document/SpectrumDecimation.h"
#include "platform/Document.h"
#include "platform/MessageTarget.h"
#include "platform/Prompt.h"
#include "platform/Thread.h"
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
    // For the time-signal view, from any thread: the last time signal (percent of 75 kHz) and
    // the last level block (dBuV); `samples` has room for GLOBAL_SAMPLE_BUFSIZE values.
    void GetMpxSamples(float* samples, int& count) const;
    void GetLevelSamples(float* samples, int& count) const;
    CDeviationTavik& GetDeviation() { return m_deviation; }
    ThreadId GetADCDistributionThreadID() const {
        return m_pADCDistributionThread ? m_pADCDistributionThread->GetId() : 0;
    }
    ThreadId GetRDSDistributionThreadID() const {
        return m_pRDSDistributionThread ? m_pRDSDistributionThread->GetId() : 0;
    }

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

    // Sample distribution
    using SampleBuffer = std::array<float, GLOBAL_SAMPLE_BUFSIZE>;
    static constexpr int RDS_DATA_BUFSIZE = 500;  // bytes of an RDS block handed to the worker
    int ADCDistribute(CThread& thread);
    void DistributeADCBlock(CSpectrumDecimation& spectrum);
    void HandOver(CWorkerThread& worker, SampleBuffer& copy);
    int RDSDistribute(CThread& thread);
    CDeviationTavik m_deviation;
    SampleBuffer m_mpxBlock{};
    SampleBuffer m_levelBlock{};
    int m_nMpxCount = 0;
    int m_nLevelCount = 0;
    mutable std::mutex m_levelMutex;  // m_levelBlock: ADC distribution thread vs GetLevelSamples
    SampleBuffer m_spectrumCopy{};    // one private copy per consumer
    SampleBuffer m_mpxPowerCopy{};
    SampleBuffer m_deviationCopy{};
    SampleBuffer m_multipathMpxCopy{};
    SampleBuffer m_multipathLevelCopy{};
    std::array<std::uint8_t, RDS_DATA_BUFSIZE> m_rdsBlock{};
    int m_nRdsCount = 0;
    std::unique_ptr<CThread> m_pADCDistributionThread;
    std::unique_ptr<CThread> m_pRDSDistributionThread;
    std::atomic<bool> m_bADCDistributionRunning{false};
    std::atomic<bool> m_bRDSDistributionRunning{false};

    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bPaused{false};
    std::atomic<bool> m_bPanoramaRunning{false};

    CProtocolHeader m_header;
};

}  // namespace tavik
