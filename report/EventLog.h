#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavik {

// One line of the text log: the local time as written and the event text.
struct CLogLine {
    enum Kind { EVENT, ALARM_ACTIVE, ALARM_RESET };

    int nDay = 0;
    int nMonth = 0;
    int nYear = 0;
    int nHour = 0;
    int nMinute = 0;
    int nSecond = 0;
    std::string strText;
    Kind kind = EVENT;
    std::string strAlarm;  // the alarm's name on alarm lines
    // On an activation: the evidence clip that the next line names ("evidence/FILE.wav"); that
    // line is then not listed by itself.
    std::string strClip;
};

// A day's text log as read back.
struct CEventLog {
    std::vector<CLogLine> lines;
    int nUnreadable = 0;    // lines not in the log's "d.m.yyyy, hh:mm:ss: text" form
    bool bCutLine = false;  // the last line has no line end (a write cut short)
    // Alarm name and how often it went active, in the order of the alarms' first lines; an
    // alarm with only reset lines has 0.
    std::vector<std::pair<std::string, int>> activations;
};

// Reads the lines of a log's text; CR LF and LF line ends are both accepted.
CEventLog ParseEventLog(std::string_view text);

// Reads a log file from disk; throws CReportError when it cannot be read.
CEventLog ReadEventLog(const std::string& path);

}  // namespace tavik
