#include "report/ReportTables.h"

#include <algorithm>
#include <iterator>
#include <numeric>

#include <QFontMetrics>

#include "report/ReportPages.h"

namespace tavik::report_tables {

namespace {

constexpr double kBodyPoints = 9.0;
constexpr int kPadding = 4;         // units around a cell's text
constexpr int kLabelWidth = 230;    // units of the label column
constexpr int kTimeWidth = 150;     // units of the event table's time column
const QColor kRule(200, 200, 200);  // lines between rows
const QColor kShade(242, 242, 242);
const QColor kHead(225, 230, 240);  // the column heads of a table
constexpr double kTablePoints = 8.0;
// The stations' columns in parts of the width: frequency, the figures, verdict.
constexpr int kStationWeights[] = {62, 150, 86, 72, 72, 72, 62, 90, 62, 52, 60};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Word wrap, or wrap anywhere for a text without blanks (a path).
int WrapFlags(const QString& text) {
    return Qt::AlignLeft | Qt::AlignTop |
           (text.contains(QLatin1Char(' ')) ? Qt::TextWordWrap : Qt::TextWrapAnywhere);
}

int TextHeight(QPainter& painter, int width, const QString& text) {
    return painter.boundingRect(QRect(0, 0, width, 100000), WrapFlags(text), text).height();
}

QColor MarkColour(EVerdictMark mark) {
    switch (mark) {
        case EVerdictMark::Pass:
            return {0, 120, 0};
        case EVerdictMark::Attention:
            return {200, 80, 0};
        case EVerdictMark::NoData:
            break;
    }
    return {130, 130, 130};  // neutral: neither pass nor attention
}

QString MarkText(EVerdictMark mark) {
    switch (mark) {
        case EVerdictMark::Pass:
            return QStringLiteral("pass");
        case EVerdictMark::Attention:
            return QStringLiteral("attention");
        case EVerdictMark::NoData:
            break;
    }
    return QStringLiteral("no data");
}

}  // namespace

void DrawTitle(CReportPages& pages, const std::string& title, const std::string& subtitle) {
    QPainter& p = pages.Painter();
    const QFont big = CReportPages::Font(16.0, true);
    const QFont small = CReportPages::Font(10.0);
    const int bigHeight = QFontMetrics(big, p.device()).height();
    const int smallHeight = QFontMetrics(small, p.device()).height();
    const int top = pages.Place(bigHeight + smallHeight + 3 * kPadding);
    p.setPen(Qt::black);
    p.setFont(big);
    p.drawText(QRect(0, top, pages.Width(), bigHeight), Qt::AlignLeft, Q(title));
    p.setFont(small);
    p.drawText(QRect(0, top + bigHeight, pages.Width(), smallHeight), Qt::AlignLeft, Q(subtitle));
    const int rule = top + bigHeight + smallHeight + kPadding;
    p.fillRect(0, rule, pages.Width(), 2, QColor(0, 60, 150));
    pages.Advance(bigHeight + smallHeight + 3 * kPadding);
}

void DrawHeading(CReportPages& pages, const std::string& heading) {
    QPainter& p = pages.Painter();
    const QFont font = CReportPages::Font(11.5, true);
    const int height = QFontMetrics(font, p.device()).height() + 2 * kPadding;
    // A heading never stands alone at a page's foot.
    const int top = pages.Place(height + 120);
    p.setPen(QColor(0, 60, 150));
    p.setFont(font);
    p.drawText(QRect(0, top + kPadding, pages.Width(), height), Qt::AlignLeft, Q(heading));
    pages.Advance(height + kPadding);
}

void DrawRows(CReportPages& pages, const std::vector<CReportRow>& rows) {
    QPainter& p = pages.Painter();
    const int valueWidth = pages.Width() - kLabelWidth - 2 * kPadding;
    bool shaded = false;
    for (const CReportRow& row : rows) {
        const QString label = Q(row.strLabel);
        const QString value = Q(row.strValue);
        p.setFont(CReportPages::Font(kBodyPoints));
        const int height = TextHeight(p, valueWidth, value) + 2 * kPadding;
        const int top = pages.Place(height);
        if (shaded) {
            p.fillRect(0, top, pages.Width(), height, kShade);
        }
        shaded = !shaded;
        p.setPen(Qt::black);
        p.drawText(QRect(kLabelWidth + kPadding, top + kPadding, valueWidth, height),
                   WrapFlags(value), value);
        p.setFont(CReportPages::Font(kBodyPoints, true));
        p.drawText(QRect(kPadding, top + kPadding, kLabelWidth - kPadding, height),
                   Qt::AlignLeft | Qt::AlignTop, label);
        p.fillRect(0, top + height - 1, pages.Width(), 1, kRule);
        pages.Advance(height);
    }
}

void DrawNotes(CReportPages& pages, const std::vector<std::string>& notes) {
    if (notes.empty()) {
        return;
    }
    QPainter& p = pages.Painter();
    p.setFont(CReportPages::Font(kBodyPoints, true));
    QString text;
    for (const std::string& note : notes) {
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + Q(note);
    }
    const int width = pages.Width() - 4 * kPadding;
    const int height = TextHeight(p, width, text) + 4 * kPadding;
    const int top = pages.Place(height + kPadding);
    const QRect box(0, top + kPadding, pages.Width(), height);
    p.fillRect(box, QColor(255, 236, 200));
    p.setPen(QPen(QColor(200, 80, 0), 2));
    p.drawRect(box);
    p.setPen(QColor(120, 40, 0));
    p.drawText(box.adjusted(2 * kPadding, 2 * kPadding, -2 * kPadding, -2 * kPadding),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    pages.Advance(height + 3 * kPadding);
}

void DrawVerdict(CReportPages& pages, const std::vector<CVerdictRow>& rows) {
    QPainter& p = pages.Painter();
    const QFont body = CReportPages::Font(kBodyPoints);
    const QFont bold = CReportPages::Font(kBodyPoints, true);
    const int line = QFontMetrics(body, p.device()).height() + 2 * kPadding;
    const int signature = 3 * line;  // room to write by hand
    const int height = static_cast<int>(rows.size()) * line + 2 * signature + 2 * kPadding;
    const int top = pages.Place(height + kPadding);
    const int width = pages.Width();
    const int countLeft = width * 6 / 10;
    const int markLeft = width * 8 / 10;
    p.setPen(QPen(QColor(0, 60, 150), 2));
    p.drawRect(QRect(0, top, width, height));
    int y = top + kPadding;
    for (const CVerdictRow& row : rows) {
        p.setPen(Qt::black);
        p.setFont(bold);
        p.drawText(QRect(2 * kPadding, y, countLeft - 3 * kPadding, line),
                   Qt::AlignLeft | Qt::AlignVCenter, Q(row.strCheck));
        p.setFont(body);
        p.drawText(QRect(countLeft, y, markLeft - countLeft, line),
                   Qt::AlignLeft | Qt::AlignVCenter, Q(row.strCount));
        p.setFont(bold);
        p.setPen(MarkColour(row.mark));
        p.drawText(QRect(markLeft, y, width - markLeft - 2 * kPadding, line),
                   Qt::AlignLeft | Qt::AlignVCenter, MarkText(row.mark));
        p.fillRect(kPadding, y + line - 1, width - 2 * kPadding, 1, kRule);
        y += line;
    }
    p.setPen(Qt::black);
    p.setFont(bold);
    for (const char* field : {"Comment:", "Signature, date:"}) {
        p.drawText(QRect(2 * kPadding, y + kPadding, width / 4, line), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromLatin1(field));
        p.fillRect(width / 4, y + signature - 2 * kPadding, width - width / 4 - 2 * kPadding, 1,
                   QColor(120, 120, 120));
        y += signature;
    }
    pages.Advance(height + 2 * kPadding);
}

void DrawParagraph(CReportPages& pages, const std::string& text) {
    QPainter& p = pages.Painter();
    p.setFont(CReportPages::Font(kBodyPoints));
    const QString body = Q(text);
    const int height = TextHeight(p, pages.Width(), body) + kPadding;
    const int top = pages.Place(height);
    p.setPen(QColor(60, 60, 60));
    p.drawText(QRect(0, top, pages.Width(), height), WrapFlags(body), body);
    pages.Advance(height);
}

void DrawEventTable(CReportPages& pages, const CReportTexts& texts,
                    const std::vector<CLogLine>& lines, std::size_t maxLines) {
    QPainter& p = pages.Painter();
    const QFont body = CReportPages::Font(kBodyPoints);
    const QFont bold = CReportPages::Font(kBodyPoints, true);
    const int rowHeight = QFontMetrics(body, p.device()).height() + kPadding;
    const int textWidth = pages.Width() - kTimeWidth - 2 * kPadding;
    auto head = [&](int top) {
        p.fillRect(0, top, pages.Width(), rowHeight, kHead);
        p.setPen(Qt::black);
        p.setFont(bold);
        p.drawText(QRect(kPadding, top, kTimeWidth, rowHeight), Qt::AlignVCenter, "Time");
        p.drawText(QRect(kTimeWidth + kPadding, top, textWidth, rowHeight), Qt::AlignVCenter,
                   "Event");
    };
    int page = 0;
    const std::size_t shown = std::min(lines.size(), maxLines);
    for (std::size_t i = 0; i < shown; ++i) {
        int top = pages.Place(i == 0 ? 2 * rowHeight : rowHeight);
        if (pages.PageCount() != page) {
            page = pages.PageCount();
            head(top);
            pages.Advance(rowHeight);
            top += rowHeight;
        }
        const CLogLine& line = lines[i];
        const QColor colour = line.kind == CLogLine::ALARM_ACTIVE  ? QColor(190, 0, 0)
                              : line.kind == CLogLine::ALARM_RESET ? QColor(0, 110, 40)
                                                                   : QColor(Qt::black);
        p.setFont(body);
        p.setPen(colour);
        p.drawText(QRect(kPadding, top, kTimeWidth, rowHeight), Qt::AlignVCenter,
                   Q(texts.LogTime(line)));
        // An activation's evidence clip stands at the row's right end, the text elided before it.
        const QFontMetrics metrics(body, p.device());
        const QString clip = line.strClip.empty() ? QString() : Q("clip " + line.strClip);
        const int clipWidth = clip.isEmpty() ? 0 : metrics.horizontalAdvance(clip) + 2 * kPadding;
        const QString text =
            metrics.elidedText(Q(line.strText), Qt::ElideRight, textWidth - clipWidth);
        p.drawText(QRect(kTimeWidth + kPadding, top, textWidth, rowHeight), Qt::AlignVCenter, text);
        if (!clip.isEmpty()) {
            p.drawText(QRect(kTimeWidth + kPadding, top, textWidth, rowHeight),
                       Qt::AlignVCenter | Qt::AlignRight, clip);
        }
        p.fillRect(0, top + rowHeight - 1, pages.Width(), 1, kRule);
        pages.Advance(rowHeight);
    }
    if (shown < lines.size()) {
        DrawParagraph(pages, std::to_string(lines.size() - shown) +
                                 " further lines of the log are not listed here.");
    }
}

void DrawStationTable(CReportPages& pages, const std::vector<CStationRow>& rows) {
    QPainter& p = pages.Painter();
    const QFont body = CReportPages::Font(kTablePoints);
    const QFont bold = CReportPages::Font(kTablePoints, true);
    // The columns' left edges, the last entry the right edge.
    std::vector<int> edges{0};
    const int total = std::accumulate(std::begin(kStationWeights), std::end(kStationWeights), 0);
    for (int sum = 0; const int weight : kStationWeights) {
        sum += weight;
        edges.push_back(pages.Width() * sum / total);
    }
    const auto cell = [&](std::size_t first, std::size_t last, int top, int height) {
        return QRect(edges[first] + kPadding, top + kPadding,
                     edges[last + 1] - edges[first] - 2 * kPadding, height - 2 * kPadding);
    };
    // The texts of a row in their columns (a message spans the figures') and its height.
    struct SCell {
        QString text;
        std::size_t first, last;
        QColor colour;
        bool bold;
    };
    const auto height = [&](const std::vector<SCell>& cells) {
        int tallest = 0;
        for (const SCell& c : cells) {
            p.setFont(c.bold ? bold : body);
            tallest = std::max(tallest, TextHeight(p, cell(c.first, c.last, 0, 0).width(), c.text));
        }
        return tallest + 2 * kPadding;
    };
    const auto draw = [&](const std::vector<SCell>& cells, int top, int h) {
        for (const SCell& c : cells) {
            p.setFont(c.bold ? bold : body);
            p.setPen(c.colour);
            p.drawText(cell(c.first, c.last, top, h), WrapFlags(c.text), c.text);
        }
        p.fillRect(0, top + h - 1, pages.Width(), 1, kRule);
    };
    const std::size_t verdictColumn = std::size(kStationWeights) - 1;
    std::vector<SCell> head{{QStringLiteral("MHz"), 0, 0, Qt::black, true}};
    for (std::size_t i = 0; i < StationColumns().size(); ++i) {
        head.push_back({Q(StationColumns()[i]), i + 1, i + 1, Qt::black, true});
    }
    head.push_back({QStringLiteral("Verdict"), verdictColumn, verdictColumn, Qt::black, true});
    const int headHeight = height(head);
    int page = 0;
    for (const CStationRow& row : rows) {
        std::vector<SCell> cells{{Q(row.strFrequency), 0, 0, Qt::black, true}};
        if (row.cells.empty()) {
            cells.push_back({Q(row.strMessage), 1, verdictColumn - 1, QColor(90, 90, 90), false});
        }
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const CSummaryCell& c = row.cells[i];
            cells.push_back({Q(c.strText), i + 1, i + 1,
                             c.mark ? MarkColour(*c.mark) : QColor(Qt::black), false});
        }
        cells.push_back(
            {Q(row.strVerdict), verdictColumn, verdictColumn, MarkColour(row.verdict), true});
        const int rowHeight = height(cells);
        // Room for the heads too, as they come first on a new page.
        int top = pages.Place(rowHeight + headHeight);
        if (pages.PageCount() != page) {
            page = pages.PageCount();
            p.fillRect(0, top, pages.Width(), headHeight, kHead);
            draw(head, top, headHeight);
            pages.Advance(headHeight);
            top += headHeight;
        }
        draw(cells, top, rowHeight);
        pages.Advance(rowHeight);
    }
    pages.Advance(2 * kPadding);
}

}  // namespace tavik::report_tables
