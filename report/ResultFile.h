#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/ResultRecord.h"

namespace tavik {

// A day's result file as read back: its whole records in file order and what was wrong with
// it. A file may lack its footer (logging still ran, or the power failed) or end in a record
// cut short; both are read up to the last whole record.
struct CResultFile {
    std::vector<CResultRecord> records;
    bool bHeader = false;        // starts with the result file's header
    bool bFooter = false;        // ends with the footer after the last record
    std::int64_t nCutBytes = 0;  // bytes after the last whole record that are not the footer
    int nDamaged = 0;            // records between whole ones whose values could not be read
    std::int64_t nBytes = 0;
    std::string strFirstDate;  // the first whole record's date as written (the writer's time)

    // Whether the report must say that the file is incomplete or damaged.
    bool IsIncomplete() const { return !bHeader || !bFooter || nCutBytes > 0 || nDamaged > 0; }
};

// Reads the records of a result file's text. Values are taken as written, including INF, -INF
// and NaN; a record needs its timestamp and all three values to count as whole. The second's
// peak deviation and the mark of a second without signal are read when the record has them.
CResultFile ParseResultFile(std::string_view text);

// Reads a result file from disk; throws CReportError when it cannot be read.
CResultFile ReadResultFile(const std::string& path);

}  // namespace tavik
