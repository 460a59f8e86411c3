#include "report/EventLog.h"

#include <algorithm>
#include <charconv>

#include "platform/File.h"
#include "platform/FileContents.h"
#include "report/ReportError.h"

namespace tavik {

namespace {

// A day's log is a few kilobytes, or some megabytes when an alarm flaps all day.
constexpr std::size_t kMaxLogFileBytes = std::size_t{256} << 20;

constexpr std::string_view kAlarmStart = "Alarm \"";
constexpr std::string_view kAlarmActive = "\" caused an alarm because ";
constexpr std::string_view kAlarmReset = "\" was reset.";
constexpr std::string_view kEvidenceClip = "Evidence clip: ";

// The line after an activation that names the activation's clip: the clip goes to that line.
bool TakeClip(CEventLog& log, const CLogLine& line) {
    if (log.lines.empty() || log.lines.back().kind != CLogLine::ALARM_ACTIVE ||
        !log.lines.back().strClip.empty() || !line.strText.starts_with(kEvidenceClip)) {
        return false;
    }
    log.lines.back().strClip = line.strText.substr(kEvidenceClip.size());
    return true;
}

// Reads a decimal number followed by `separator` at `text`, advancing past both.
bool Take(std::string_view& text, int& value, std::string_view separator) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(result.ptr - text.data()));
    if (!text.starts_with(separator)) {
        return false;
    }
    text.remove_prefix(separator.size());
    return true;
}

bool ParseLine(std::string_view text, CLogLine& line) {
    if (!Take(text, line.nDay, ".") || !Take(text, line.nMonth, ".") ||
        !Take(text, line.nYear, ", ") || !Take(text, line.nHour, ":") ||
        !Take(text, line.nMinute, ":") || !Take(text, line.nSecond, ": ")) {
        return false;
    }
    line.strText = std::string(text);
    if (!text.starts_with(kAlarmStart)) {
        return true;
    }
    const std::string_view rest = text.substr(kAlarmStart.size());
    if (const std::size_t at = rest.find(kAlarmActive); at != std::string_view::npos) {
        line.kind = CLogLine::ALARM_ACTIVE;
        line.strAlarm = std::string(rest.substr(0, at));
    } else if (rest.ends_with(kAlarmReset)) {
        line.kind = CLogLine::ALARM_RESET;
        line.strAlarm = std::string(rest.substr(0, rest.size() - kAlarmReset.size()));
    }
    return true;
}

void CountAlarm(CEventLog& log, const CLogLine& line) {
    if (line.kind == CLogLine::EVENT) {
        return;
    }
    auto it = std::find_if(log.activations.begin(), log.activations.end(),
                           [&line](const auto& entry) { return entry.first == line.strAlarm; });
    if (it == log.activations.end()) {
        log.activations.emplace_back(line.strAlarm, 0);
        it = log.activations.end() - 1;
    }
    if (line.kind == CLogLine::ALARM_ACTIVE) {
        ++it->second;
    }
}

}  // namespace

CEventLog ParseEventLog(std::string_view text) {
    CEventLog log;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        const bool whole = end != std::string_view::npos;
        std::string_view raw = text.substr(0, whole ? end : text.size());
        text.remove_prefix(whole ? end + 1 : text.size());
        if (raw.ends_with('\r')) {
            raw.remove_suffix(1);
        }
        if (!whole) {
            log.bCutLine = true;
        }
        if (raw.empty()) {
            continue;
        }
        CLogLine line;
        if (!ParseLine(raw, line)) {
            ++log.nUnreadable;
            continue;
        }
        if (TakeClip(log, line)) {
            continue;
        }
        CountAlarm(log, line);
        log.lines.push_back(std::move(line));
    }
    return log;
}

CEventLog ReadEventLog(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (const int cause = ReadFileContents(path, bytes, kMaxLogFileBytes); cause != 0) {
        throw CReportError("Could not read the log file \"" + path + "\" (" + CauseText(cause) +
                           ")");
    }
    return ParseEventLog(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace tavik
