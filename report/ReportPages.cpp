#include "report/ReportPages.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>

#include "charts/ChartFonts.h"
#include "report/ReportError.h"

namespace tavik {

namespace {

constexpr double kMarginMillimetres = 15.0;
constexpr double kFooterPoints = 8.5;
constexpr double kHeaderPoints = 9.0;

}  // namespace

CReportPages::CReportPages(const QString& path, const QString& title, const QString& creator,
                           const QString& footer)
    : m_file(path), m_strFooter(footer) {
    if (!m_file.open(QIODevice::WriteOnly)) {
        throw CReportError("Could not write the report \"" + path.toStdString() + "\" (" +
                           m_file.errorString().toStdString() + ")");
    }
    m_pWriter = std::make_unique<QPdfWriter>(&m_file);
    m_pWriter->setResolution(kDotsPerInch);
    m_pWriter->setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
        QPageLayout::Millimeter));
    m_pWriter->setTitle(title);
    m_pWriter->setCreator(creator);
    if (!m_painter.begin(m_pWriter.get())) {
        throw CReportError("Could not write the report \"" + path.toStdString() + "\"");
    }
    m_nWidth = m_pWriter->width();
    m_nBottom = m_pWriter->height() - QFontMetrics(Font(kFooterPoints), m_pWriter.get()).height() -
                kDotsPerInch / 10;
}

CReportPages::~CReportPages() {
    if (m_painter.isActive()) {
        m_painter.end();
    }
    // An unfinished file is dropped: QSaveFile never commits without Finish.
}

QFont CReportPages::Font(double points, bool bold) {
    QFont font(ResolveFontFamily(QStringLiteral("Arial")));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

int CReportPages::Place(int height) {
    if (!m_bPageEmpty && m_nY + height > m_nBottom) {
        NewPage();
    }
    m_bPageEmpty = false;
    return m_nY;
}

void CReportPages::NewPage() {
    DrawFooter();
    BeginPage();
}

void CReportPages::NewSection(const QString& header, const QString& footer) {
    DrawFooter();
    m_strHeader = header;
    m_strFooter = footer;
    BeginPage();
}

void CReportPages::BeginPage() {
    m_pWriter->newPage();
    ++m_nPage;
    m_nY = 0;
    m_bPageEmpty = true;
    DrawHeader();
}

// The running header: a bold line with a rule below, the content beneath it.
void CReportPages::DrawHeader() {
    if (m_strHeader.isEmpty()) {
        return;
    }
    const QFont font = Font(kHeaderPoints, true);
    const int height = QFontMetrics(font, m_pWriter.get()).height();
    m_painter.save();
    m_painter.setFont(font);
    m_painter.setPen(QColor(0, 60, 150));
    m_painter.drawText(QRect(0, 0, m_nWidth, height), Qt::AlignLeft | Qt::AlignVCenter,
                       m_strHeader);
    m_painter.fillRect(0, height + 2, m_nWidth, 1, QColor(0, 60, 150));
    m_painter.restore();
    m_nY = height + kDotsPerInch / 8;
}

void CReportPages::DrawFooter() {
    m_painter.save();
    m_painter.setFont(Font(kFooterPoints));
    m_painter.setPen(QColor(90, 90, 90));
    const QRect line(0, m_nBottom, m_nWidth, m_pWriter->height() - m_nBottom);
    m_painter.drawText(line, Qt::AlignLeft | Qt::AlignBottom, m_strFooter);
    m_painter.drawText(line, Qt::AlignRight | Qt::AlignBottom,
                       QStringLiteral("Page %1").arg(m_nPage));
    m_painter.restore();
}

void CReportPages::Finish() {
    DrawFooter();
    if (!m_painter.end() || !m_file.commit()) {
        throw CReportError("Could not write the report \"" + m_file.fileName().toStdString() +
                           "\" (" + m_file.errorString().toStdString() + ")");
    }
}

}  // namespace tavik
