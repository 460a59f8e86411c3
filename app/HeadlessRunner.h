#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/HeadlessPrompt.h"
#include "app/MonitorOptions.h"
#include "app/MonitorValues.h"
#include "app/MonitorView.h"
#include "app/ScaledClock.h"
#include "app/ServiceNotifier.h"
#include "platform/MessageQueue.h"
#include "platform/Pacer.h"

namespace tavik {

class CTAVIKSDIDoc;
class CResultRouter;
class CAlarmEventRecorder;
class CAlarmNotifier;
class CMetricsPublisher;
class CEvidenceSession;

// Runs one measurement without a display, exactly as the GUI runs it: the document's transfer
// and distribution threads and the analysers on their threads, results posted to a queue that
// this (the user-interface) thread drains, the once-a-second main timer with the alarm check.
// Prints one status line (or with --json-lines one JSON object) per main-timer tick, alarm
// events and errors as they happen.
class CHeadlessRunner {
public:
    // `stop` is polled: non-zero (a signal's number) ends the measurement the normal way.
    CHeadlessRunner(const CMonitorOptions& options, std::ostream& out, std::ostream& err,
                    const std::atomic<int>& stop);
    ~CHeadlessRunner();
    CHeadlessRunner(const CHeadlessRunner&) = delete;
    CHeadlessRunner& operator=(const CHeadlessRunner&) = delete;

    // The console lines dropped so far, for the metrics.
    void SetConsoleDropCount(std::function<std::uint64_t()> count) {
        m_consoleDrops = std::move(count);
    }

    // 0 after a normal stop (seconds done or a signal); 1 when the setup or the log folder could
    // not be used, the device failed (the formatted error text is on the error stream), a live
    // receiver never delivered a measured second (the cause is on the error stream) or results
    // were lost.
    int Run();

private:
    bool Prepare();
    // Handles results until `period` passed since the last tick or the measurement ends.
    void WaitForTick(std::chrono::steady_clock::time_point next);
    void Tick();
    // After a start that failed: the recordings that cannot be read, with the reason.
    void ExplainUnreadableRecordings();
    // The closing lines; the exit code: 0, or 1 when results could not be written.
    int PrintSummary(int code);

    const CMonitorOptions m_options;
    std::ostream& m_out;
    std::ostream& m_info;  // people's lines: the output, or the errors under --json-lines
    const std::atomic<int>& m_stop;
    CHeadlessPrompt m_prompt;
    CScaledClock m_clock;
    CRealTimePacer m_adcPacer;
    CRealTimePacer m_rdsPacer;
    CRealTimePacer m_panoramaPacer;
    // The result window: outlives the document, which posts to it. Bounded: a main loop held up
    // finds the newest result of each kind, not an ever longer backlog.
    static constexpr std::size_t kQueueLimit = 256;
    CQueueTarget m_window{kQueueLimit};
    CMonitorValues m_values;
    std::unique_ptr<CMonitorView> m_pView;
    std::unique_ptr<CAlarmEventRecorder> m_pAlarmEvents;  // alarm log lines and answers
    std::unique_ptr<CAlarmNotifier> m_pNotifier;          // with --on-alarm
    std::unique_ptr<CResultRouter> m_pRouter;
    std::unique_ptr<CMetricsPublisher> m_pMetrics;  // with --metrics
    std::unique_ptr<CEvidenceSession> m_pEvidence;  // with --evidence and a log folder
    std::function<std::uint64_t()> m_consoleDrops;
    CServiceNotifier m_service;            // READY and WATCHDOG under systemd
    std::uint64_t m_nTickResults = 0;      // results taken by the last tick
    std::int64_t m_nMeasuredSeconds = 0;   // ticks that brought results
    std::unique_ptr<CTAVIKSDIDoc> m_pDoc;  // last: ends (with its threads) first
};

}  // namespace tavik
