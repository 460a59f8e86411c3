#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "alarms/AlarmMap.h"
#include "analysis/DeviationTavik.h"
#include "analysis/MPXPowerTavik.h"
#include "analysis/MpxLevels.h"
#include "analysis/MultipathHost.h"
#include "analysis/MultipathResult.h"
#include "analysis/MultipathTavik.h"
#include "analysis/SpectrumAnalyser.h"
#include "device/TavikControl.h"
#include "document/AlarmWatch.h"
#include "document/CurrentValues.h"
#include "document/DayFileLogger.h"
#include "document/DropReport.h"
#include "document/Hints.h"
#include "document/LogWriter.h"
#include "document/MpxTap.h"
#include "document/PanoramaScanner.h"
#include "document/PanoramaView.h"
#include "document/ProtocolHeader.h"
#include "document/ResultLog.h"
#include "document/SpectrumDecimation.h"
#include "platform/Archive.h"
#include "platform/Document.h"
#include "platform/FolderLock.h"
#include "platform/GenericException.h"
#include "platform/MessageTarget.h"
#include "platform/MpxReadings.h"
#include "platform/Pacer.h"
#include "platform/Prompt.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "rds/RDSWorker.h"

namespace tavik {

// What SetResultValue records: a value of the second's result record (the numbers are those of
// the result codes that bring them), or the close of the record at the end of the second.
enum class EResultValue : int { Close = 0, Deviation = 4, MpxPower = 7, Multipath = 8 };

// The one document: owns the receiver and the analysers, runs the measurement lifecycle and the
// once-a-second main timer work, and tells its views of changes through hints. Lifecycle
// operations and command handlers run on the user-interface thread.
class CTAVIKSDIDoc : public CDocument, public CMultipathHost {
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
    // Hands every distributed MPX block to `tap` too (nullptr: to nobody); the tap must outlive
    // the measurement it was set for.
    void SetMpxTap(CMpxTap* tap) { m_pMpxTap.store(tap); }
    // Blocks and results dropped since the last start because a consumer was busy.
    CDropCounts GetDropCounts() const { return m_drops.GetCounts(); }
    // Counts drops from now on (a start does it; the batch analysis at its beginning).
    void BeginDropCount() { m_drops.Begin(); }
    HWND GetResultWindow() const override { return m_hResultWnd; }

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
    CMPXPowerTavik& GetMPXPower() { return m_mpxPower; }
    CMpxLevels& GetMpxLevels() { return m_mpxLevels; }
    // The latest MPX readings (pilot, RDS, audio levels, silence), for the window and the
    // alarms (user-interface thread); none before the first second of a measurement and after
    // a stop.
    const std::optional<CMpxReadings>& GetMpxReadings() const { return m_mpxReadings; }
    // Stores the readings the MPX levels analyser posted (the result router calls it).
    void OnMpxReadings(const CMpxReadings& readings) { m_mpxReadings = readings; }
    CSpectrumAnalyser& GetSpectrumAnalyser() { return m_spectrum; }
    CRDSWorker& GetRDSWorker() { return m_rdsWorker; }
    // Clears the decoded RDS data (the RDS view's reset).
    void ResetRDS() { m_rdsWorker.Reset(); }
    ThreadId GetADCDistributionThreadID() const {
        return m_pADCDistributionThread ? m_pADCDistributionThread->GetId() : 0;
    }
    ThreadId GetRDSDistributionThreadID() const {
        return m_pRDSDistributionThread ? m_pRDSDistributionThread->GetId() : 0;
    }

    // Result logging.
    void SetResultValue(EResultValue kind, float value);
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
    // The alarm page's operations, by name (false when no such alarm): the acknowledge
    // question, its answer (Yes = disable), the check box, and disabling all on a stop.
    // The question does not wait for its answer: the ticks go on while it is open and the
    // answer applies when given (`answered` then gets IDYES or IDNO). One open question per
    // alarm: false also when this alarm's question is still open.
    bool AskAlarmAcknowledge(const std::string& name, std::function<void(int)> answered = {});
    // An answer to an alarm that is no longer active (reset, or the measurement stopped) is
    // moot and changes nothing.
    bool AnswerAlarmPrompt(const std::string& name, bool disable);
    bool SetAlarmChecked(const std::string& name, bool checked);
    void DisableAllAlarms();
    // Latest measured values read by CheckAlarm; SetResultValue kinds 4, 7, 8 update them.
    // They are the values of the second's result record, so alarms and the result file
    // always see the same numbers.
    // A quantity not measured since the start (or since the last stop) has no value: alarms on
    // it are not evaluated and its record field keeps 0.
    CCurrentValues GetCurrentValues() const;
    void SetCurrentValues(const CCurrentValues& values);

    // Document file and setup record.
    bool OnNewDocument();
    bool OnOpenDocument(const std::string& path);
    bool OnSaveDocument(const std::string& path);
    void Serialize(CArchive& ar);
    void DeleteContents();
    void SetProtocolHeader(const CProtocolHeader& header);
    void SetWindowFunction(const CProtocolHeader& header);
    void SetDeviationOptions(const CProtocolHeader& header);
    // Takes the stereo decoder's settings (de-emphasis, silence threshold and duration) and
    // gives them to the MPX levels; false, nothing changed, when one is out of its range.
    bool SetDecoderSettings(const CProtocolHeader& header);

    // MHz, last set through SetTunerFrequency; the panorama scan moves it (any thread).
    float GetTunerFrequency() const { return m_tunerFrequency.load(); }
    // Measuring time: grows by the tick span per main-timer tick, from 0 at a start that is
    // not a resume; it keeps its value after a stop, for the summary.
    CTimeSpan GetElapsed() const { return m_elapsed; }
    // Seconds of the measuring time that had a signal to measure.
    std::uint64_t GetMeasuredSeconds() const { return m_nMeasuredSeconds; }
    CTimeSpan GetTickSpan() const { return m_tickSpan; }  // main-timer period
    void SetTickSpan(CTimeSpan span) { m_tickSpan = span; }
    CTime GetStartTime() const { return m_startTime; }  // of the last successful start
    // A run driven without the receiver's start (the batch analysis) sets its start itself.
    void SetStartTime(CTime start) { m_startTime = start; }
    // The station name as decoded (UTF-8), empty after a stop; HINT_STATION_NAME tells of a change.
    const std::string& GetPSName() const { return m_strPSName; }
    // Results and log lines go into the day files.
    bool IsLoggingEnabled() const { return m_bLoggingEnabled; }
    // What the window shows of result logging; HINT_PROTOCOL_CHANGED tells of a change.
    using ELoggingState = CDayFileLogger::EState;
    ELoggingState GetLoggingState() const { return m_logger.GetState(); }

private:
    std::atomic<float> m_tunerFrequency{106.7f};
    CTimeSpan m_elapsed;
    std::uint64_t m_nMeasuredSeconds = 0;
    CTimeSpan m_tickSpan{1};
    CTime m_startTime;
    std::string m_strPSName;
    bool m_bLoggingEnabled = false;

    int WarningBox(const std::string& text) {
        return m_pPrompt->MessageBox(text, MB_ICONEXCLAMATION);
    }
    // The same box from the main timer's work: it must not hold up the next tick.
    void TickWarningBox(const std::string& text) {
        m_pPrompt->Ask(text, MB_ICONEXCLAMATION, [](int) {});
    }

    CStderrPrompt m_defaultPrompt;
    CPrompt* m_pPrompt = &m_defaultPrompt;
    const CClock* m_pClock = &CSystemClock::Instance();
    HWND m_hResultWnd = nullptr;
    CDropReport m_drops;

    CTavikControl m_device;

    // Multipath and panorama
public:
    static constexpr int kPanoramaPoints = CPanoramaScanner::kPoints;  // most points of one scan

    CMultipathTavik& GetMultipath() { return m_multipath; }
    // The latest multipath result, for the views (user-interface thread).
    const CMultipathResult* GetMultipathResult() const { return &m_multipathResult; }
    // Stores a result posted by the multipath analyser with EResultCode::Multipath; the result
    // router calls it on the user-interface thread, then broadcasts HINT_MULTIPATH_RESULT.
    void OnMultipathResult(std::shared_ptr<const CMultipathResult> result);
    // The RDS record of a decode pass (the result router calls it): a new station name is
    // kept for the header (HINT_STATION_NAME), and the day's log gets
    // "RDS: PI D313, PS "TAVIK FM"" when the station is first decoded in a run and when its PI
    // or PS changes, once a PS has been seen the same in two passes (a PS still arriving
    // segment by segment is not logged).
    void OnStationDecoded(const CRDSData& data);
    // The RDS decoder's group count of a decode pass: a higher one is RDS received.
    void OnRdsGroups(std::int64_t count) { m_alarmWatch.OnRdsGroups(count, m_pClock->Now()); }
    // The RF level of a multipath pass, taken also without a carrier: the level alarms watch
    // it fall.
    void OnRfLevel(float dBuV) { m_alarmWatch.OnRfLevel(dBuV); }
    const CAlarmWatch& GetAlarmWatch() const { return m_alarmWatch; }
    // The value an alarm on `source` compares now; empty when there is none (no receiver
    // reporting it, nothing measured yet, no carrier for the values of the programme).
    std::optional<float> GetAlarmSourceValue(std::int32_t source) const;
    // How a software receiver received the newest block (the result router calls it for code
    // 14): a carrier lost or back, a frequency error beyond kFrequencyWarning and an
    // overloaded converter are logged when they begin and end.
    void OnReception(const CReception& reception);
    // The receiver's stream broke (true) or delivers again (false).
    void OnReceiverLost(bool lost);
    // Whether the values can be measured now: a receiver delivers and a carrier is there.
    bool HasSignal() const;
    bool IsReceiverLost() const { return m_bReceiverLost; }
    // A receiver that measures several bands in turn has the station's band in view (true) or
    // another: seconds out of view are no records and check no alarm, the log says when. Each
    // main-timer tick takes it from the device.
    void SetInView(bool inView);
    bool IsInView() const { return m_bInView; }
    const std::optional<CReception>& GetReception() const { return m_reception; }
    static constexpr float kFrequencyWarning = 2000.0f;  // Hz
    // Reception changes and dropped work: to the day's log and to `listener` (a console).
    void LogReception(const std::string& line);
    void SetReceptionListener(std::function<void(const std::string&)> listener) {
        m_receptionListener = std::move(listener);
    }
    // Calibration values in the receiver's EEPROM (address 26, 16 bytes).
    void SaveCalibrators(const std::uint8_t* block) override;
    void Calibrate();
    void ResetCalibration();

    // Panorama scan, started and stopped on the user-interface thread. The scan thread calls
    // the view, posts 1044 to `hwnd` and ends with (2, 1).
    bool StartPanoramaScan(float start, float restore, int steps, float step, CPanoramaView* view,
                           HWND hwnd);
    bool StopPanoramaScan();
    bool IsPanoramaRunning() const { return m_panorama.IsRunning(); }
    // Waits for the scan thread to end; false when `limit` passed first.
    bool WaitForPanoramaScan(std::chrono::milliseconds limit) { return m_panorama.WaitFor(limit); }
    // Points done; the arrays below hold them (elements before the index are complete).
    int GetPanoramaIndex() const { return m_panorama.GetIndex(); }
    const float* GetPanoramaLevels() const { return m_panorama.GetLevels(); }
    const float* GetPanoramaFrequencies() const { return m_panorama.GetFrequencies(); }
    // Pace of the scan's settling wait after tuning to the start (real time by default).
    void SetPanoramaPacer(CPacer* pacer) { m_panorama.SetPacer(pacer); }

private:
    CMultipathTavik m_multipath{this};
    CMultipathResult m_multipathResult;
    // After the device, which it uses: destroyed (its thread ended) first.
    CPanoramaScanner m_panorama{m_device, m_tunerFrequency};
    // Sample distribution
    using SampleBuffer = std::array<float, GLOBAL_SAMPLE_BUFSIZE>;
    static constexpr int RDS_DATA_BUFSIZE = 500;  // bytes of an RDS block handed to the worker
    int ADCDistribute(CThread& thread);
    void DistributeADCBlock(CSpectrumDecimation& spectrum);
    // `figures`: the block's own (a software receiver's true peaks), or null.
    void HandOver(CWorkerThread& worker, const CBlockFigures* figures);
    int RDSDistribute(CThread& thread);
    void ReportThreadFailure(const CGenericException& e);
    CDeviationTavik m_deviation;
    CMPXPowerTavik m_mpxPower;
    CMpxLevels m_mpxLevels;
    std::optional<CMpxReadings> m_mpxReadings;
    CSpectrumAnalyser m_spectrum;
    CRDSWorker m_rdsWorker;
    SampleBuffer m_mpxBlock{};
    SampleBuffer m_levelBlock{};
    int m_nMpxCount = 0;
    int m_nLevelCount = 0;
    std::optional<CReceivedFigures> m_received;  // with the block, from a software receiver
    mutable std::mutex m_levelMutex;  // m_levelBlock: ADC distribution thread vs GetLevelSamples
    std::array<std::uint8_t, RDS_DATA_BUFSIZE> m_rdsBlock{};
    int m_nRdsCount = 0;
    std::unique_ptr<CThread> m_pADCDistributionThread;
    std::unique_ptr<CThread> m_pRDSDistributionThread;
    std::atomic<bool> m_bADCDistributionRunning{false};
    std::atomic<bool> m_bRDSDistributionRunning{false};
    std::atomic<CMpxTap*> m_pMpxTap{nullptr};

    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bPaused{false};

    // Result logging: the day files are the logger's; these operations forward to it.
public:
    using CFolderChooser = CDayFileLogger::CFolderChooser;
    static constexpr const char* SELECT_FOLDER_TITLE = CDayFileLogger::SELECT_FOLDER_TITLE;
    static constexpr const char* INVALID_FOLDER_QUESTION = CDayFileLogger::INVALID_FOLDER_QUESTION;
    static constexpr int RESULT_RECORDS = CDayFileLogger::RESULT_RECORDS;

    // Switches logging on in the log folder (asking first, when `ask`, about a folder that
    // holds day files); 0, else CDayFileLogger::kNoFolder, kDeclined or kNotBegun.
    int OpenLogFiles(bool ask) { return m_logger.OpenLogFiles(ask); }
    // Unattended logging: takes `folder` as the log folder and opens the day's files there
    // without asking anything; day files of an earlier run are continued. 0, or as above;
    // a failure leaves logging switched on and failed, tried again at each start.
    int OpenLogFilesKeeping(const std::string& folder) {
        return m_logger.OpenLogFilesKeeping(folder);
    }
    // What a stop does to logging: the day's files are closed, logging stays switched on.
    void SuspendLogFiles() { m_logger.SuspendLogFiles(); }
    void FlushResults() { m_logger.FlushResults(); }
    // The records collected so far are in the day's result file when this returns (a report
    // made from the window reads them).
    void WriteOutResults() {
        m_logger.FlushResults();
        m_logger.WaitForLogWrites();
    }
    void SelectLogFolder(std::optional<std::string> path = std::nullopt) {
        m_logger.SelectLogFolder(std::move(path));
    }
    // Whether the log folder may be used as it is (nothing is ever deleted), asking first when
    // `ask` and it holds day files; 0, or -1 when the user declined.
    int CheckLogFolder(bool ask) { return m_logger.CheckLogFolder(ask); }
    void GetLogFolder(std::string& out) const { out = m_header.m_strLogFolder; }
    std::string ResultFileName() const { return m_logger.ResultFileName(); }
    std::string LogFileName() const { return m_logger.LogFileName(); }
    void OnSpecifyResultFile() { SelectLogFolder(); }
    void SetFolderChooser(CFolderChooser chooser) { m_logger.SetFolderChooser(std::move(chooser)); }
    // The values of the second being recorded; the alarm check reads them too.
    const CResultRecord& GetCurrentRecord() const { return m_logger.GetCurrentRecord(); }
    int GetResultCount() const { return m_logger.GetResultCount(); }
    // These wait for the file work queued so far (the log writer's thread); the file names not
    // when a stop gave up waiting for it (see CDayFileLogger).
    std::int32_t GetMeasurementId() const { return m_logger.GetMeasurementId(); }
    const std::string& GetLastResultFile() const { return m_logger.GetLastResultFile(); }
    const std::string& GetLastLogFile() const { return m_logger.GetLastLogFile(); }
    int GetUnwrittenResultCount() const { return m_logger.GetUnwrittenResultCount(); }
    // Records given up since the document was made: not written before a close, dropped from
    // a full backlog, or meant for a log folder that was deleted or replaced while logging.
    std::int64_t GetLostResultCount() const { return m_logger.GetLostResultCount(); }
    // Records written while the result file's syncs failed and none succeeded after them.
    std::int64_t GetUnsyncedResultCount() const { return m_logger.GetUnsyncedResultCount(); }
    // Records that a stop left to a disk that did not answer (neither written nor given up).
    std::int64_t GetAbandonedResultCount() const { return m_logger.GetAbandonedResultCount(); }
    // Without waiting for the file work: the records written to result files and those lost so
    // far, as the log writer has counted them yet (read every second for the metrics).
    std::int64_t PeekWrittenResultCount() const { return m_logger.PeekWrittenResultCount(); }
    std::int64_t PeekLostResultCount() const { return m_logger.PeekLostResultCount(); }
    // Waits until the file work queued so far is done and shows its notices; tests and the
    // end of a run use it, the once-a-second work never does.
    void WaitForLogWrites() const { m_logger.WaitForLogWrites(); }
    // Whether a full queue of file work makes the measurement wait for room (the batch
    // analysis, which has no deadline and must lose nothing) rather than drop records.
    void SetLogWritesWaitForRoom(bool wait) { m_logger.SetLogWritesWaitForRoom(wait); }

private:
    // What the logger reaches of the document: the prompt, the clock, the protocol header's
    // log folder, the logging switch, whether a measurement runs, and the views' hints.
    class CLoggerHost final : public CDayFileLogger::CHost {
    public:
        explicit CLoggerHost(CTAVIKSDIDoc& doc) : m_doc(doc) {}
        CPrompt& GetPrompt() override { return m_doc.GetPrompt(); }
        CTime Now() const override { return m_doc.GetClock().Now(); }
        const std::string& GetLogFolder() const override { return m_doc.m_header.m_strLogFolder; }
        void SetLogFolder(std::string folder) override {
            m_doc.m_header.m_strLogFolder = std::move(folder);
        }
        bool IsLoggingEnabled() const override { return m_doc.m_bLoggingEnabled; }
        void SetLoggingEnabled(bool enabled) override { m_doc.m_bLoggingEnabled = enabled; }
        bool IsMeasuring() const override { return m_doc.IsRunning(); }
        void SendHint(long hint) override { m_doc.UpdateAllViews(nullptr, hint); }
        std::string StationLine() const override {
            return m_doc.m_strStationLogged.empty() ? std::string()
                                                    : "RDS: " + m_doc.m_strStationLogged;
        }

    private:
        CTAVIKSDIDoc& m_doc;
    };

    // Forgets the measured values (after the analysers were cleared or on a new document).
    void ForgetCurrentValues();
    // A carrier came or went (or the receiver): the log says so, the values measured before
    // no longer stand, and the records say whether the second had a signal.
    void SetSignal(bool present, const std::string& why);
    void ResetReception();

    std::optional<CReception> m_reception;  // of the newest block of a software receiver
    bool m_bReceiverLost = false;           // the receiver's stream broke and is reconnecting
    bool m_bSignal = true;                  // as last logged
    bool m_bInView = true;                  // the station's band is received
    bool m_bFrequencyOff = false;           // a frequency error beyond kFrequencyWarning logged
    bool m_bOverloadLogged = false;
    std::function<void(const std::string&)> m_receptionListener;

    // The highest block peak since the last alarm check: the deviation alarm compares the
    // second's peak, so that a short overmodulation between two checks is not missed. The
    // record keeps the newest block's value, as the result file defines it.
    std::optional<float> m_fDeviationPeakSinceCheck;
    CAlarmWatch m_alarmWatch;
    std::string m_strStationSeen;    // PI and PS of the last decode pass
    std::string m_strStationLogged;  // PI and PS last written to the log in this run
    CLoggerHost m_loggerHost{*this};
    CDayFileLogger m_logger{m_loggerHost};  // after its host: ends (writing its queue) first

    CProtocolHeader m_header;

    // Alarms and setup
    static constexpr std::size_t kNoAlarmPosition = static_cast<std::size_t>(-1);
    // One alarm's check: its measured value into EvaluateAlarm, then the decision carried out.
    void CheckAlarmItem(const std::string& name, CAlarmItem& item);
    void SwitchAlarmOutput(CAlarmItem& item, bool on);
    void SendAlarmHints(const std::string& name, CAlarmItem& item);
    void RequestAlarmReset(CAlarmItem& item);
    bool ConfirmEndMeasurement();
    void ResetToNewDocument();
    // Hooks to the analysers and counters owned elsewhere (TAVIKSDIDocSetupHooks.cpp).
    void ApplyDeviationFilter();
    void ApplyWindowFunction();
    void ApplyDecoderSettings();
    void ResetAnalyserReferences();
    void ResetMeasurementCounters();
    CAlarmMap m_alarms;
    std::set<std::string> m_openAlarmQuestions;  // alarms whose acknowledge question is open
    std::size_t m_nAlarmPosition = kNoAlarmPosition;
};

}  // namespace tavik
