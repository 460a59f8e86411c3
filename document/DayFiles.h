#pragma once

#include <string>
#include <vector>

#include "document/ResultLog.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// The log lines after "File Opened" that say what the day's result file held when it was begun
// at `now`: a file moved aside, a previous run that did not close it, a cut record removed.
std::vector<std::string> DescribeContinuation(CTime now, const CResultLog::CContinuation& found);

// Deletes this program's day files in `folder` (the .log files first, then the .xml files); other
// programs' files stay. With `ask`, the user is asked first when there are any: -1 when declined,
// else 0. A file that cannot be deleted is told as a notice.
int DeleteDayFiles(const std::string& folder, bool ask, CPrompt& prompt);

}  // namespace tavik
