#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/ResultLog.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// The log lines after "File Opened" that say what the day's result file held when it was begun
// at `now`: a file moved aside, a previous run that did not close it, a cut record removed.
std::vector<std::string> DescribeContinuation(CTime now, const CResultLog::CContinuation& found);

// The log line that tells of a day file `name` that a run left without its footer and that is
// closed at `now` (`found` is what it held): the seconds missing since its last record up to now
// when `untilNow` (the latest day file, nothing logged after it), else up to the end of its day.
std::string DescribeLeftOpen(CTime now, const std::string& name,
                             const CResultLog::CContinuation& found, bool untilNow);

// The names of this program's day files with `extension` in `folder`, in the order of their
// days.
std::vector<std::string> ListDayFiles(const std::string& folder, std::string_view extension);

// Whether the user agrees to log into `folder` as it is: asked (OK/Cancel) only when it holds
// day files of this program, which are never deleted.
bool ConfirmDayFilesKept(const std::string& folder, CPrompt& prompt);

}  // namespace tavik
