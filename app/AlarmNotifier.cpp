#include "app/AlarmNotifier.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/TextParse.h"
#include "rds/RDSCharacterSet.h"
#include "rds/RDSData.h"

extern char** environ;

namespace tavik {

namespace {

// The value of the alarm's source now (for a deactivation: the value that cleared it).
std::optional<float> SourceValue(const CCurrentValues& values, std::int32_t source) {
    switch (source) {
        case ALARM_SOURCE_MPX_POWER:
            return values.m_fMpxPower;
        case ALARM_SOURCE_DEVIATION:
            return values.m_fDeviation;
        case ALARM_SOURCE_MULTIPATH:
            return values.m_fMultipath;
        default:
            return std::nullopt;
    }
}

}  // namespace

CAlarmNotifier::CAlarmNotifier(CTAVIKSDIDoc& doc, const CMonitorValues& values, std::string program,
                               std::ostream& err)
    : m_doc(doc), m_values(values), m_strProgram(std::move(program)), m_err(err) {}

CAlarmNotifier::~CAlarmNotifier() {
    while (!m_children.empty()) {
        Poll();
        if (!m_children.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

std::vector<std::string> CAlarmNotifier::Environment(const std::string& name,
                                                     const CAlarmItem& item) const {
    const std::optional<float> value = item.m_bActive
                                           ? std::optional<float>(item.m_fTriggerValue)
                                           : SourceValue(m_doc.GetCurrentValues(), item.m_nSource);
    std::string pi;
    std::string ps;
    if (m_values.rds) {
        pi = FourDigitPI(m_values.rds->m_data.m_strPI);
        ps = CRDSCharacterSet::ToUtf8(m_values.rds->m_data.m_strPS);
    }
    return {
        "TAVIK_ALARM_NAME=" + name,
        std::string("TAVIK_ALARM_STATE=") + (item.m_bActive ? "active" : "cleared"),
        std::string("TAVIK_ALARM_SOURCE=") + CAlarmItem::GetSourceText(item.m_nSource),
        "TAVIK_ALARM_VALUE=" + (value ? FormatNumber(*value, 3) : std::string()),
        std::string("TAVIK_ALARM_RELATION=") + CAlarmItem::GetRelationText(item.m_nRelation),
        "TAVIK_ALARM_THRESHOLD=" + FormatNumber(item.m_fThreshold, 3),
        std::string("TAVIK_ALARM_UNIT=") + CAlarmItem::GetUnitText(item.m_nSource),
        "TAVIK_ALARM_TIME=" + FormatIsoLocalTime(m_doc.GetClock().Now().GetTime()),
        "TAVIK_FREQUENCY_MHZ=" + FormatNumber(m_doc.GetProtocolHeaderRef().m_fFrequency, 3),
        "TAVIK_PI=" + pi,
        "TAVIK_PS=" + ps,
    };
}

void CAlarmNotifier::OnUpdate(CView* /*sender*/, long hint, void* object) {
    if (hint != HINT_ALARM_STATE || object == nullptr) {
        return;
    }
    const auto& item = *static_cast<const CAlarmItem*>(object);
    Start(Environment(CAlarmEventRecorder::NameOf(m_doc, item), item));
}

void CAlarmNotifier::Start(const std::vector<std::string>& variables) {
    // The inherited environment without the names set here, then ours.
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "TAVIK_", 6) != 0) {
            entries.emplace_back(*entry);
        }
    }
    entries.insert(entries.end(), variables.begin(), variables.end());
    std::vector<char*> envp;
    for (std::string& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string program = m_strProgram;
    char* argv[] = {program.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    // The monitor ignores SIGPIPE and SIGXFSZ; the program gets the defaults back.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // A process group of its own: a program that outlives its time is killed with every
    // process it started, not only the first.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv, envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        Report("--on-alarm: cannot run \"" + m_strProgram + "\": " + std::strerror(error));
        return;
    }
    m_children.push_back({pid, std::chrono::steady_clock::now()});
}

void CAlarmNotifier::Poll() {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(m_children, [&](const CChild& child) {
        int status = 0;
        if (waitpid(child.pid, &status, WNOHANG) == child.pid) {
            return true;
        }
        if (now - child.started < kTimeLimit) {
            return false;
        }
        kill(-child.pid, SIGKILL);  // the whole group
        waitpid(child.pid, &status, 0);
        Report("--on-alarm: \"" + m_strProgram + "\" (pid " + std::to_string(child.pid) +
               ") still ran after 10 s and was killed");
        return true;
    });
}

void CAlarmNotifier::Report(const std::string& text) {
    m_err << "monitor: " << text << std::endl;
    m_doc.WriteLog(text);
}

}  // namespace tavik
