#include "document/DayFiles.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/GenericException.h"

namespace tavik {

namespace {

constexpr const char* kKeptQuestion =
    "This folder already contains log- or resultfiles. Nothing is deleted: today's files are "
    "continued and those of earlier days are kept.\n\nDo you want to log into this folder?";

}  // namespace

std::vector<std::string> DescribeContinuation(CTime now, const CResultLog::CContinuation& found) {
    std::vector<std::string> lines;
    if (!found.strMovedAside.empty()) {
        const std::string name = std::filesystem::path(found.strMovedAside).filename().string();
        const char* why =
            found.bIdsExhausted ? "could not be continued (its record numbers would run out)"
            : found.bNotARecord ? "could not be continued (it does not end in a whole record)"
                                : "held only part of its header (a power loss as it was made)";
        lines.push_back(StringFormat("Result file %s; it was moved aside as %s and a new one begun",
                                     why, name.c_str()));
    }
    if (found.bContinued && !found.bClosed) {
        // The previous run did not close its files (killed, a crash, a power loss): the seconds
        // since its last record are missing from the file.
        if (found.nLastTimestamp != 0) {
            const std::int64_t missing =
                static_cast<std::int64_t>(now.GetTime()) - found.nLastTimestamp - 1;
            lines.push_back(StringFormat(
                "The previous run ended without closing the result file; its last "
                "record is of %s, %lld seconds are missing since",
                CTime(static_cast<std::time_t>(found.nLastTimestamp)).Format("%H:%M:%S").c_str(),
                static_cast<long long>(std::max<std::int64_t>(missing, 0))));
        } else {
            lines.push_back(
                "The previous run ended without closing the result file; it wrote no record");
        }
    }
    if (found.nBytesRemoved > 0) {
        lines.push_back(
            StringFormat("Result file continued after its last whole record; %lld bytes "
                         "of an incomplete record were removed",
                         static_cast<long long>(found.nBytesRemoved)));
    }
    return lines;
}

std::string DescribeLeftOpen(CTime now, const std::string& name,
                             const CResultLog::CContinuation& found, bool untilNow) {
    std::string line = "A run ended without closing the result file " + name;
    if (found.nLastTimestamp == 0) {
        line += ", which holds no record";
    } else {
        const CTime last(static_cast<std::time_t>(found.nLastTimestamp));
        // The end of the record's day: local midnight after it (mktime takes day 32 as the 1st).
        const CTime end(last.GetYear(), last.GetMonth(), last.GetDay() + 1, 0, 0, 0);
        const std::int64_t missing =
            std::max<std::int64_t>((untilNow ? now : end).GetTime() - last.GetTime() - 1, 0);
        line += StringFormat("; its last record is of %d.%d.%d, %02d:%02d:%02d, ", last.GetDay(),
                             last.GetMonth(), last.GetYear(), last.GetHour(), last.GetMinute(),
                             last.GetSecond());
        line += StringFormat(untilNow ? "%lld seconds are missing since"
                                      : "the %lld seconds after it of its day are missing",
                             static_cast<long long>(missing));
    }
    if (found.nBytesRemoved > 0) {
        line += StringFormat("; %lld bytes of an incomplete record were removed",
                             static_cast<long long>(found.nBytesRemoved));
    }
    return line + "; it is closed now";
}

std::vector<std::string> ListDayFiles(const std::string& folder, std::string_view extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (CResultLog::IsOwnFileName(name, extension)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());  // "tavikYYMMDD": by day within a century
    return names;
}

bool ConfirmDayFilesKept(const std::string& folder, CPrompt& prompt) {
    if (ListDayFiles(folder, ".xml").empty() && ListDayFiles(folder, ".log").empty()) {
        return true;
    }
    return prompt.MessageBox(kKeptQuestion, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

}  // namespace tavik
