#pragma once

#include <sys/types.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "app/MonitorValues.h"
#include "platform/Document.h"

namespace tavik {

class CAlarmItem;
class CTAVIKSDIDoc;

// `tavik monitor --on-alarm PROGRAM`: runs PROGRAM on every alarm activation and deactivation
// (HINT_ALARM_STATE), with what happened in environment variables and no shell in between, so no
// text of the signal (an alarm name, a PS) is ever interpreted. The program's standard output goes
// to the monitor's standard error, its input is /dev/null. Starting it never waits for it: the
// programs are reaped by Poll() on the main timer, and one still running after kTimeLimit is
// killed, which goes to the error stream and the text log. Runs on the document's thread.
class CAlarmNotifier final : public CView {
public:
    static constexpr auto kTimeLimit = std::chrono::seconds(10);

    CAlarmNotifier(CTAVIKSDIDoc& doc, const CMonitorValues& values, std::string program,
                   std::ostream& err);
    // Waits for the programs still running, killing those that reach the limit.
    ~CAlarmNotifier() override;
    CAlarmNotifier(const CAlarmNotifier&) = delete;
    CAlarmNotifier& operator=(const CAlarmNotifier&) = delete;

    void OnUpdate(CView* sender, long hint, void* object) override;
    // Reaps ended programs and kills those past the limit.
    void Poll();
    // "NAME=value" entries added to the inherited environment for one event.
    std::vector<std::string> Environment(const std::string& name, const CAlarmItem& item) const;

private:
    struct CChild {
        pid_t pid;
        std::chrono::steady_clock::time_point started;
    };

    void Start(const std::vector<std::string>& variables);
    void Report(const std::string& text);

    CTAVIKSDIDoc& m_doc;
    const CMonitorValues& m_values;
    const std::string m_strProgram;
    std::ostream& m_err;
    std::vector<CChild> m_children;
};

}  // namespace tavik
