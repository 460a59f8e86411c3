#pragma once

#include <string>

#include "report/DailyReport.h"
#include "report/StationFolders.h"

namespace tavik {

// The output path of the report of all stations: the option, else "tavikYYMMDD-stations.pdf"
// in the log folder.
std::string StationsReportPath(const CLogFolder& folder, const std::string& day,
                               const CReportOptions& options);

// Writes one PDF of a log folder's stations on `day`: a summary page with a row per station in
// frequency order, then each station's daily report with its frequency at the head of its
// pages. The setup of `options` (read here when only named) serves every station; a station
// without a result file of the day is a "no data" row, one whose files cannot be read a row
// saying why and an entry of the result's errors. Throws CReportError when the setup cannot be
// read or the PDF cannot be written. Needs a QApplication, as WriteDailyReport does.
CReportResult WriteStationsReport(const CLogFolder& folder, const std::string& day,
                                  const CReportOptions& options);

}  // namespace tavik
