#include "report/ResultFile.h"

#include <charconv>
#include <optional>

#include "document/ResultLog.h"
#include "platform/File.h"
#include "platform/FileContents.h"
#include "report/ReportError.h"

namespace tavik {

namespace {

// A day file holds about 20 MB; anything far larger is not one.
constexpr std::size_t kMaxResultFileBytes = std::size_t{1} << 30;

constexpr std::string_view kRecordStart = "<Measurement";
constexpr std::string_view kRecordEnd = "</Measurement>";

// The number written between `open` and `close` inside `record`.
template <typename T>
bool ReadValue(std::string_view record, std::string_view open, std::string_view close, T& out) {
    const std::size_t at = record.find(open);
    if (at == std::string_view::npos) {
        return false;
    }
    const char* first = record.data() + at + open.size();
    const char* last = record.data() + record.size();
    const auto result = std::from_chars(first, last, out);
    return result.ec == std::errc() &&
           std::string_view(result.ptr, static_cast<std::size_t>(last - result.ptr))
               .starts_with(close);
}

// The second's peak, which records hold after their three values since it is recorded: none in
// an earlier version's record; one that is there but cannot be read damages the record.
bool ReadPeak(std::string_view record, std::optional<float>& out) {
    constexpr std::string_view kOpen = "<DeviationPeak>";
    float peak = 0.0f;
    if (record.find(kOpen) == std::string_view::npos) {
        return true;
    }
    if (!ReadValue(record, kOpen, "</DeviationPeak>", peak)) {
        return false;
    }
    out = peak;
    return true;
}

// Elements that the reader does not know (a later version's) are passed over.
bool ReadRecord(std::string_view record, CResultRecord& out) {
    const std::string_view tag = record.substr(0, record.find('>'));
    out.m_bNoSignal = tag.find(" signal=\"none\"") != std::string_view::npos;
    return ReadValue(record, "timestamp=\"", "\"", out.m_nTimestamp) &&
           ReadValue(record, "<Deviation>", "</Deviation>", out.m_fDeviation) &&
           ReadValue(record, "<MPXPower>", "</MPXPower>", out.m_fMPXPower) &&
           ReadValue(record, "<Multipath>", "</Multipath>", out.m_fMultipath) &&
           ReadPeak(record, out.m_fDeviationPeak);
}

// The local time the writer put into the record's Date element.
std::string_view DateText(std::string_view record) {
    constexpr std::string_view kClose = "</Date>";
    const std::size_t open = record.find("\">", record.find("timestamp=\""));
    const std::size_t close = record.find(kClose);
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return {};
    }
    return record.substr(open + 2, close - open - 2);
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

CResultFile ParseResultFile(std::string_view text) {
    CResultFile file;
    file.nBytes = static_cast<std::int64_t>(text.size());
    file.bHeader = text.starts_with(CResultLog::HEADER);
    // A day holds 86400 records of about 230 bytes.
    file.records.reserve(text.size() / 220 + 1);
    std::size_t consumed = file.bHeader ? CResultLog::HEADER.size() : 0;
    std::size_t start = text.find(kRecordStart, consumed);
    // The first record end at or after `start`: found again only once `start` has passed it,
    // so that many starts without an end (a damaged file) are still read in linear time.
    std::size_t end = 0;
    bool endFound = false;
    while (start != std::string_view::npos) {
        if (!endFound || (end != std::string_view::npos && end < start)) {
            end = text.find(kRecordEnd, start);
            endFound = true;
        }
        if (end == std::string_view::npos) {
            break;  // the last record is cut short
        }
        const std::size_t next = text.find(kRecordStart, start + kRecordStart.size());
        if (next < end) {
            // A record cut short and continued by a whole one: skip the broken one.
            ++file.nDamaged;
            start = next;
            continue;
        }
        CResultRecord record;
        const std::string_view body = text.substr(start, end - start);
        if (ReadRecord(body, record)) {
            if (file.records.empty()) {
                file.strFirstDate = std::string(DateText(body));
            }
            file.records.push_back(record);
        } else {
            ++file.nDamaged;
        }
        consumed = end + kRecordEnd.size();
        start = next;
    }
    const std::string_view tail = text.substr(consumed);
    const std::string_view footer = Trimmed(CResultLog::FOOTER);
    if (Trimmed(tail) == footer) {
        file.bFooter = true;
    } else if (!IsBlank(tail)) {
        file.nCutBytes = static_cast<std::int64_t>(tail.size());
    }
    return file;
}

CResultFile ReadResultFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (const int cause = ReadFileContents(path, bytes, kMaxResultFileBytes); cause != 0) {
        throw CReportError("Could not read the result file \"" + path + "\" (" + CauseText(cause) +
                           ")");
    }
    CResultFile file = ParseResultFile(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // A setup, a log or anything else would make an empty report that looks like a quiet day.
    if (!file.bHeader && file.records.empty()) {
        throw CReportError("\"" + path +
                           "\" is not a result file: it neither begins with the result file "
                           "header nor holds a measurement record");
    }
    return file;
}

}  // namespace tavik
