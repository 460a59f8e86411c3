#include "app/HeadlessRunner.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/AlarmNotifier.h"
#include "app/JsonLine.h"
#include "app/MetricsPublisher.h"
#include "app/StatusLine.h"
#include "document/AlarmEventRecorder.h"
#include "document/ResultRouter.h"
#include "document/TAVIKSDIDoc.h"
#include "evidence/EvidenceView.h"
#include "platform/File.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

// Longest wait for a result before the stop flag is looked at again.
constexpr auto kPollPeriod = std::chrono::milliseconds(50);

}  // namespace

CHeadlessRunner::CHeadlessRunner(const CMonitorOptions& options, std::ostream& out,
                                 std::ostream& err, const std::atomic<int>& stop)
    : m_options(options),
      m_out(out),
      m_info(options.bJsonLines ? err : out),
      m_stop(stop),
      m_prompt(err, options.bJournal),
      m_clock(options.fSpeed),
      m_adcPacer(options.fSpeed),
      m_rdsPacer(options.fSpeed),
      m_panoramaPacer(options.fSpeed) {
    m_pDoc = std::make_unique<CTAVIKSDIDoc>();
    m_pDoc->SetPrompt(&m_prompt);
    m_pDoc->SetClock(&m_clock);
    m_pDoc->GetDevice().SetPacers(&m_adcPacer, &m_rdsPacer, &m_panoramaPacer);
    m_pDoc->SetResultWindow(&m_window);
    m_pDoc->GetDevice().SetDataFolder(options.strDataFolder);
    const std::optional<double> station =
        options.frequency ? std::optional<double>(*options.frequency) : std::nullopt;
    m_pDoc->GetDevice().SetIqSource(options.receiver.IqSettings(station));
    m_pDoc->GetDevice().SetLiveSource(options.receiver.LiveSettings(station));
    m_pView = std::make_unique<CMonitorView>(*m_pDoc, err);
    m_pDoc->AddView(m_pView.get());
    m_pAlarmEvents = std::make_unique<CAlarmEventRecorder>(*m_pDoc);
    m_pDoc->AddView(m_pAlarmEvents.get());
    if (!options.strOnAlarm.empty()) {
        m_pNotifier = std::make_unique<CAlarmNotifier>(*m_pDoc, m_values, options.strOnAlarm, err);
        m_pDoc->AddView(m_pNotifier.get());
    }
    m_pRouter = std::make_unique<CResultRouter>(*m_pDoc);
}

CHeadlessRunner::~CHeadlessRunner() {
    m_pDoc->OnMeasurementStop();  // does nothing unless still measuring
    m_pEvidence.reset();          // no distribution thread hands it blocks any more
    if (m_pNotifier) {
        m_pDoc->RemoveView(m_pNotifier.get());
        m_pNotifier.reset();  // waits for the programs still running
    }
    m_pDoc->RemoveView(m_pAlarmEvents.get());
    m_pDoc->RemoveView(m_pView.get());
}

// The setup, the tuner and the log files, before the start.
bool CHeadlessRunner::Prepare() {
    CTAVIKSDIDoc& doc = *m_pDoc;
    if (!m_options.strSetupFile.empty() && !doc.OnOpenDocument(m_options.strSetupFile)) {
        return false;  // the document showed why
    }
    doc.SetDecoderSettings(m_options.decoder.AppliedTo(doc.GetProtocolHeaderRef()));
    // Without --frequency a capture is received at the station its metadata names, else its
    // centre (the setup's frequency would lie outside many a capture). A capture that cannot be
    // received is refused now, with its cause alone, as the analysis refuses it.
    std::optional<float> frequency = m_options.frequency;
    if (const auto iq = m_options.receiver.IqSettings(frequency)) {
        try {
            const double station = CIqFileSource(*iq).ReceiverSettings().fStation;
            frequency = frequency.value_or(static_cast<float>(std::round(station / 1e3) / 1e3));
        } catch (const CIqSourceError& e) {
            m_prompt.MessageBox(e.what(), MB_ICONEXCLAMATION);
            return false;
        }
    }
    if (frequency) {
        try {
            doc.SetTunerFrequency(*frequency);
        } catch (const CTavikControlException& e) {
            m_prompt.MessageBox(CTAVIKSDIDoc::FormatException(e), MB_ICONEXCLAMATION);
            return false;
        }
    }
    // As the application does at start-up: tuner, antenna and the receiver's calibration.
    doc.OnDetectHardware();
    // A receiver lost or back, a carrier gone or back, work dropped: the console (and the
    // journal) hears it with the log.
    doc.SetReceptionListener([this](const std::string& line) { m_prompt.Notice(line); });
    if (m_options.bEnableAlarms) {
        int count = 0;
        for (const CAlarmMap::Entry& entry : doc.GetAlarms()) {
            count += doc.SetAlarmChecked(entry.key, true) ? 1 : 0;
        }
        if (m_options.strSetupFile.empty()) {
            m_prompt.Notice(kNoAlarmsWithoutSetup);
        } else {
            m_info << count << (count == 1 ? " alarm" : " alarms") << " enabled" << std::endl;
        }
    }
    if (m_options.pSharedMetrics != nullptr) {
        m_pMetrics = std::make_unique<CMetricsPublisher>();
        m_pMetrics->Join(*m_options.pSharedMetrics, m_options.nStation, doc, *m_pAlarmEvents);
    } else if (m_options.metrics) {
        m_pMetrics = std::make_unique<CMetricsPublisher>();
        if (const std::string fault = m_pMetrics->Start(*m_options.metrics, m_options.metricsAccess,
                                                        doc, *m_pAlarmEvents);
            !fault.empty()) {
            m_prompt.Error("cannot serve the metrics on " + m_options.metrics->ListeningPort() +
                           ": " + fault);
            return false;
        }
        m_info << "Metrics at " << m_pMetrics->Url() << std::endl;
    }
    if (!m_options.strLogFolder.empty()) {
        // Before measuring: a folder that cannot take the files is an error now, not a loss
        // noticed at the stop.
        std::error_code ec;
        std::filesystem::create_directories(m_options.strLogFolder, ec);
        if (doc.OpenLogFilesKeeping(m_options.strLogFolder) != 0) {
            m_prompt.Error("cannot log into \"" + m_options.strLogFolder + "\"");
            return false;
        }
    }
    if (m_options.nEvidenceSeconds > 0) {
        if (m_options.strLogFolder.empty()) {
            m_prompt.Notice(kEvidenceWithoutLogFolder);
        } else {
            m_pEvidence = std::make_unique<CEvidenceSession>(
                doc, m_options.strLogFolder, m_options.nEvidenceSeconds,
                static_cast<std::uint64_t>(m_options.nEvidenceMaxMb) << 20);
        }
    }
    return true;
}

int CHeadlessRunner::Run() {
    CTAVIKSDIDoc& doc = *m_pDoc;
    if (!Prepare()) {
        return 1;
    }
    m_info << StringFormat("Monitoring %.2f MHz",
                           static_cast<double>(doc.GetProtocolHeaderRef().m_fFrequency))
           << (m_options.nSeconds > 0 ? " for " + std::to_string(m_options.nSeconds) + " s" : "")
           << "; SIGINT or SIGTERM stops" << std::endl;
    doc.OnMeasurementStart();
    if (!doc.IsRunning()) {
        doc.CloseLogFiles();  // a file begun for this run still gets its footer
        ExplainUnreadableRecordings();
        return 1;
    }
    int code = 0;
    // Each tick falls in the middle of the clock's next second. A tick held up is not made up
    // for: the next one goes to the second after the one it stamped (the logger gives the
    // seconds passed over records of their own).
    CTime stamped = m_clock.Now();
    int ticks = 0;
    for (;;) {
        // Never more than one and a half periods away, whatever the system clock did.
        const auto longest = std::chrono::steady_clock::now() +
                             std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(1.5 / m_options.fSpeed));
        WaitForTick(std::min(m_clock.MiddleOf(stamped + CTimeSpan(1)), longest));
        if (const int signal = m_stop.load(); signal != 0) {
            m_info << "Stopping on signal " << signal << std::endl;
            break;
        }
        if (!doc.IsRunning()) {
            // A device failure ended the measurement; its text went to the error stream.
            code = 1;
            break;
        }
        Tick();
        if (!doc.IsRunning()) {
            code = 1;
            break;
        }
        if (m_options.nSeconds > 0 && ++ticks >= m_options.nSeconds) {
            break;
        }
        // A system clock set back restarts the schedule from its new time.
        const CTime now = m_clock.Now();
        stamped = now < stamped ? now : std::max(stamped + CTimeSpan(1), now);
    }
    if (m_options.pSharedService == nullptr) {  // the stations' notifier hears of the end apart
        m_service.Stopping();
    }
    doc.OnMeasurementStop();
    if (m_pEvidence) {
        // The clips of the last seconds end with the measurement.
        if (const std::string fault = m_pEvidence->Finish(); !fault.empty()) {
            m_prompt.Error(fault);
            code = 1;
        }
    }
    if (code != 0) {
        ExplainUnreadableRecordings();  // a recording emptied or replaced while playing
    } else if (m_options.receiver.live && m_nMeasuredSeconds == 0) {
        // Reconnecting is no failure while the run lasts, but a run that ends without a
        // measured second measured nothing.
        const std::string loss = doc.GetDevice().ReceptionLoss();
        m_prompt.MessageBox("nothing was measured from " + m_options.receiver.live->strName + ": " +
                                (loss.empty() ? "it delivered no samples" : loss),
                            MB_ICONEXCLAMATION);
        code = 1;
    }
    return PrintSummary(code);
}

void CHeadlessRunner::WaitForTick(std::chrono::steady_clock::time_point next) {
    for (;;) {
        if (m_stop.load() != 0 || !m_pDoc->IsRunning()) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= next) {
            return;
        }
        const auto wait = std::min<std::chrono::steady_clock::duration>(next - now, kPollPeriod);
        CMessage message;
        if (m_window.Queue().GetMessageFor(
                message, std::chrono::duration_cast<std::chrono::milliseconds>(wait))) {
            // The router logs a reception notice, and the console hears it through the
            // document's reception listener.
            m_values.Take(message);
            m_pRouter->Route(message);
        }
    }
}

void CHeadlessRunner::Tick() {
    m_pDoc->OnMainTimerEvent();  // which also takes whether the station is in view
    if (m_options.receiver.live && m_options.receiver.live->channel) {
        m_values.inView = m_pDoc->IsInView();
    }
    if (m_pNotifier) {
        m_pNotifier->Poll();
    }
    if (!m_pDoc->IsRunning()) {
        return;
    }
    const std::vector<std::string> alarms = CJsonLine::ActiveAlarms(m_pDoc->GetAlarms());
    m_values.drops = m_pDoc->GetDropCounts();
    if (m_options.bQuiet) {
        // No line, but the second counts as measured.
    } else if (m_options.bJsonLines) {
        m_out << CJsonLine::Format(m_pDoc->GetClock().Now(),
                                   m_pDoc->GetProtocolHeaderRef().m_fFrequency, m_values, alarms)
              << std::endl;
    } else {
        std::string names;
        for (const std::string& name : alarms) {
            names += (names.empty() ? "" : ",") + name;
        }
        m_out << CStatusLine::Format(m_pDoc->GetElapsed(), m_values, names) << std::endl;
    }
    if (m_pMetrics) {
        m_pMetrics->Publish(*m_pDoc, m_values, *m_pAlarmEvents,
                            m_consoleDrops ? m_consoleDrops() : 0);
    }
    // The watchdog is fed by a second that brought results, or in which a live receiver is
    // being reconnected: ticks of a measurement whose sample path froze do not keep it alive,
    // a link down (which the metrics show) does not get the service restarted.
    const bool fresh = m_values.nResults != m_nTickResults;
    m_nTickResults = m_values.nResults;
    m_nMeasuredSeconds += fresh ? 1 : 0;
    const CTavikControl& device = m_pDoc->GetDevice();
    const bool awaiting = device.IsAwaitingReception();
    std::string status = StringFormat(
        "Measured %s at %.2f MHz", CStatusLine::FormatElapsed(m_pDoc->GetElapsed()).c_str(),
        static_cast<double>(m_pDoc->GetProtocolHeaderRef().m_fFrequency));
    if (awaiting) {
        const std::string loss = device.ReceptionLoss();
        status += "; receiver: " + (loss.empty()              ? std::string("connecting")
                                    : device.IsReconnecting() ? loss + "; reconnecting"
                                                              : loss);
    }
    if (m_options.pSharedService != nullptr) {
        // A station out of view has nothing to deliver while another band is measured.
        m_options.pSharedService->Measured(m_options.nStation, status,
                                           fresh || awaiting || !device.IsInView());
    } else {
        m_service.Measured(status, fresh || awaiting);
    }
    m_values.StartSecond();
}

// The device's error names the folder and what it lacks ("The recordings folder "/srv/rec"
// holds no mpx.dat"); this adds where each file was looked for and why it cannot be read, in
// words. A folder that is not there was said so, and is not repeated file by file.
void CHeadlessRunner::ExplainUnreadableRecordings() {
    if (m_pDoc->GetDevice().UsesIq() || m_pDoc->GetDevice().UsesLive()) {
        return;  // no recording was read
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(
            m_options.strDataFolder.empty() ? "." : m_options.strDataFolder, ec)) {
        return;
    }
    for (const char* name : {"rds.dat", "mpx.dat", "lev.dat"}) {
        const std::string path =
            std::filesystem::absolute(m_options.strDataFolder.empty()
                                          ? std::string(name)
                                          : JoinPath(m_options.strDataFolder, name))
                .string();
        CFile file;
        off_t size = 0;
        if (const int cause = file.Open(path, CFile::modeRead); cause != 0) {
            m_prompt.Error("cannot read the recording \"" + path + "\": " + CauseText(cause));
        } else if (file.SeekToEnd(size) == 0 && size == 0) {
            m_prompt.Error("cannot read the recording \"" + path + "\": it is empty");
        }
    }
}

int CHeadlessRunner::PrintSummary(int code) {
    m_info << "Stopped after " << CStatusLine::FormatElapsed(m_pDoc->GetElapsed()) << std::endl;
    // Only files that were written are named.
    std::error_code ec;
    for (const auto& [label, file] : {std::pair{"Result file: ", m_pDoc->GetLastResultFile()},
                                      std::pair{"Log file: ", m_pDoc->GetLastLogFile()}}) {
        if (!file.empty() && std::filesystem::is_regular_file(file, ec)) {
            m_info << label << file << std::endl;
        }
    }
    // A record lost, or written without the disk confirming it, is never reported as success.
    const std::int64_t lost = m_pDoc->GetLostResultCount();
    if (lost > 0) {
        m_prompt.Error(StringFormat("%lld results were lost", static_cast<long long>(lost)));
    }
    const std::int64_t unsynced = m_pDoc->GetUnsyncedResultCount();
    if (unsynced > 0) {
        m_prompt.Error(StringFormat("%lld results were written but not confirmed on disk",
                                    static_cast<long long>(unsynced)));
    }
    // The stop did not wait for a disk that did not answer: the files stay as far as it got.
    const std::int64_t abandoned = m_pDoc->GetAbandonedResultCount();
    if (abandoned > 0) {
        m_prompt.Error(
            StringFormat("%lld results were not confirmed on disk when the stop "
                         "stopped waiting for it",
                         static_cast<long long>(abandoned)));
    }
    return lost > 0 || unsynced > 0 || abandoned > 0 ? 1 : code;
}

}  // namespace tavik
