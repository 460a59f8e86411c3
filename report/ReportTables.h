#pragma once

#include <string>
#include <vector>

#include "report/EventLog.h"
#include "report/ReportTexts.h"
#include "report/StationFolders.h"

namespace tavik {

class CReportPages;

// The text blocks of the report, each placed on the pages from the current position.
namespace report_tables {

void DrawTitle(CReportPages& pages, const std::string& title, const std::string& subtitle);
void DrawHeading(CReportPages& pages, const std::string& heading);
// Label and value columns; a long value wraps within its column.
void DrawRows(CReportPages& pages, const std::vector<CReportRow>& rows);
// A framed box of notes about the inputs.
void DrawNotes(CReportPages& pages, const std::vector<std::string>& notes);
// The framed verdict box: each check with its count and its mark (pass, attention, or a grey
// "no data"), then empty fields for a comment and a signature.
void DrawVerdict(CReportPages& pages, const std::vector<CVerdictRow>& rows);
// A line of running text that wraps.
void DrawParagraph(CReportPages& pages, const std::string& text);
// The log's lines with their times, at most `maxLines`; the column heads repeat on every page.
void DrawEventTable(CReportPages& pages, const CReportTexts& texts,
                    const std::vector<CLogLine>& lines, std::size_t maxLines);

// The stations' summary: frequency, figures and verdict of each; a row without figures gives
// its message across their columns. The column heads repeat on every page.
void DrawStationTable(CReportPages& pages, const std::vector<CStationRow>& rows);

}  // namespace report_tables

}  // namespace tavik
