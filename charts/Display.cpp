#include "charts/Display.h"

#include <algorithm>

#include <QActionGroup>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include "charts/ChartFonts.h"
#include "charts/LabelFormat.h"
#include "charts/MemDC.h"
#include "platform/GenericException.h"
#include "platform/Prompt.h"

namespace tavik {

namespace {

Qt::PenStyle GridPenStyle(int style) {
    switch (style) {
        case 0:
            return Qt::SolidLine;
        case 1:
            return Qt::DashLine;
        case 2:
            return Qt::DotLine;
        case 3:
            return Qt::DashDotLine;
        case 4:
            return Qt::DashDotDotLine;
        default:
            return Qt::NoPen;
    }
}

}  // namespace

CDisplay::CDisplay(QWidget* parent)
    : QWidget(parent), m_pMarkerGroup(new QActionGroup(&m_menuMarkers)), m_reporter(this) {
    m_pMarkerGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    m_menuVisible.setTitle(QStringLiteral("Visible Graphs"));
    m_menuMarkers.setTitle(QStringLiteral("Marker"));
    m_menuVisible.addAction(QStringLiteral("<No Lines>"))->setEnabled(false);
    m_menuMarkers.addAction(QStringLiteral("<No Lines>"))->setEnabled(false);
    m_menuContext.addMenu(&m_menuVisible);
    m_menuContext.addMenu(&m_menuMarkers);
    RebuildPens();
    RebuildFonts();
    UpdateGeometry(size());
    // The off-screen drawing covers the whole window: no erase before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

CDisplay::~CDisplay() = default;

void CDisplay::RebuildPens() {
    m_brPlot = QBrush(ColorFromRef(m_crPlot));
    m_brReadout = QBrush(ColorFromRef(m_crReadout));
    m_penAxis = QPen(ColorFromRef(m_crAxis), 1);
    m_penGrid = QPen(ColorFromRef(m_crGrid), 1, GridPenStyle(m_nGridStyle));
    m_penCursor = QPen(ColorFromRef(m_crCursor), 1);
    m_penReadout = QPen(ColorFromRef(m_crCursor), 1);
}

void CDisplay::RebuildFonts() {
    m_fontTitle = MakeChartFont(m_strFontFace, 16, 600);
    m_fontVerticalTitle = MakeChartFont(m_strFontFace, 15, 600);
    m_fontTick = MakeChartFont(m_strFontFace, 14, 300);
    m_fontLabel = MakeChartFont(m_strFontFace, 14, 300);
    m_fontUnit = MakeChartFont(m_strFontFace, 14, 600);
    m_fontReadout = MakeChartFont(m_strFontFace, 14, 300);
}

void CDisplay::UpdateGeometry(QSize size) {
    // The x unit is drawn right of the plot: a unit wider than the right margin takes the
    // room it needs from the plot instead of being cut at the window's edge.
    const int unitRoom = kUnitGap + QFontMetrics(m_fontUnit).horizontalAdvance(m_strXUnit) + 2;
    m_nChartWidth = size.width();
    const int width = size.width() - std::max(0, unitRoom - kPlotMarginRight);
    m_geometry = ComputePlotGeometry(width, size.height(), m_fXMin, m_fXMax, m_fYMin, m_fYMax);
}

void CDisplay::InvalidateBackground() {
    m_bBackgroundValid = false;
    update();
}

void CDisplay::SetXRange(float a, float b) {
    if (a == b) {
        throw CDisplayException("\"Scan From:\" must be smaller than \"Scan To:\"");
    }
    m_fXMin = std::min(a, b);
    m_fXMax = std::max(a, b);
    UpdateGeometry(size());
    InvalidateBackground();
}

void CDisplay::SetYRange(float a, float b) {
    if (a == b) {
        throw CDisplayException("Upper and lower y-axis range limits are equal.");
    }
    m_fYMin = std::min(a, b);
    m_fYMax = std::max(a, b);
    UpdateGeometry(size());
    InvalidateBackground();
}

void CDisplay::SetTitle(const QString& title) {
    m_strTitle = title;
    InvalidateBackground();
}

void CDisplay::SetXTitle(const QString& title) {
    m_strXTitle = title;
    InvalidateBackground();
}

void CDisplay::SetYTitle(const QString& title) {
    m_strYTitle = title;
    InvalidateBackground();
}

void CDisplay::SetXUnit(const QString& unit) {
    m_strXUnit = unit.left(8);
    InvalidateBackground();
}

void CDisplay::SetYUnit(const QString& unit) {
    m_strYUnit = unit.left(8);
    InvalidateBackground();
}

void CDisplay::SetGridStyle(const QString& name) {
    static const char* const kNames[] = {"solid", "dash", "dot", "dashdot", "dashdotdot"};
    m_nGridStyle = 5;
    for (int i = 0; i < 5; ++i) {
        if (name == QLatin1String(kNames[i])) {
            m_nGridStyle = i;
        }
    }
    RebuildPens();
    InvalidateBackground();
}

void CDisplay::SetGrid(bool on) {
    m_bGridOn = on;
    InvalidateBackground();
}

void CDisplay::SetMarker(bool on) {
    m_bMarkerOn = on;
    SyncMarkerItems();
    DrawData();
}

void CDisplay::SetReadout(bool on) {
    m_bReadoutOn = on;
    DrawData();
}

void CDisplay::SetGridColor(COLORREF color) {
    m_crGrid = color;
    RebuildPens();
    InvalidateBackground();
}

void CDisplay::SetPlotColor(COLORREF color) {
    m_crPlot = color;
    RebuildPens();
    InvalidateBackground();
}

void CDisplay::SetAxisColor(COLORREF color) {
    m_crAxis = color;
    RebuildPens();
    InvalidateBackground();
}

void CDisplay::SetCursorColor(COLORREF color) {
    m_crCursor = color;
    RebuildPens();
    DrawData();
}

void CDisplay::SetReadoutColor(COLORREF color) {
    m_crReadout = color;
    RebuildPens();
    DrawData();
}

void CDisplay::SetLabelColor(COLORREF color) {
    m_crLabel = color;
    DrawData();
}

void CDisplay::SetFontFace(const QString& face) {
    m_strFontFace = face;
    RebuildFonts();
    InvalidateBackground();
}

void CDisplay::SetLabelFormat(int mode) {
    m_nLabelFormat = mode;
    InvalidateBackground();
}

QPoint CDisplay::ValueToPoint(float x, float y, bool* pInRange) const {
    return tavik::ValueToPoint(m_geometry, x, y, pInRange);
}

QString CDisplay::FormatLabel(double value) const {
    return tavik::FormatLabel(value, m_nLabelFormat);
}

void CDisplay::DrawData() {
    update();
}

void CDisplay::UpdateCursorPosition(int column) {
    m_nCursorColumn = column;
    update();
}

void CDisplay::OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) {
    update();
}

void CDisplay::OnInitialUpdate() {
    UpdateGeometry(size());
    m_nCursorColumn = m_geometry.rcPlot.left;
    m_bInitialUpdateDone = true;
    update();
}

const char* CDisplay::DrawDataFailureLine() const {
    return "in CDisplay::DrawData()\n";
}

void CDisplay::DrawBackground(QPainter* pDC, const QRect& rc) {
    UpdateGeometry(rc.size());
    try {
        CMemDC dc(pDC, rc, m_imgFrame);
        QPainter& painter = dc.Painter();
        painter.save();
        painter.translate(rc.topLeft());
        PaintBackground(painter, rc.size());
        painter.restore();
    } catch (CMemDCException& e) {
        e.AppendMessage("in CDisplay::DrawBackground()\n");
        m_reporter.Report(FormatException(e), MB_ICONSTOP);
    }
}

void CDisplay::Render(QPainter* pDC, const QRect& rc) {
    if (m_graphs.empty()) {
        DrawBackground(pDC, rc);
        return;
    }
    UpdateGeometry(rc.size());
    try {
        CMemDC dc(pDC, rc, m_imgFrame);
        QPainter& painter = dc.Painter();
        painter.save();
        painter.translate(rc.topLeft());
        PaintGraphs(painter, rc.size());
        if (m_bMarkerOn) {
            DrawCursor(painter);
        }
        painter.restore();
    } catch (CMemDCException& e) {
        if (m_bMarkerOn) {
            m_reporter.Report(
                e.GetMessage() +
                    "\nCaught CMemDCException in CDeviationDisplay::UpdateCursorPosition",
                MB_OK);
        } else {
            e.AppendMessage(DrawDataFailureLine());
            m_reporter.Report(FormatException(e), MB_ICONSTOP);
        }
    }
}

void CDisplay::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Render(&painter, rect());
}

void CDisplay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateGeometry(size());
    m_bBackgroundValid = false;
}

void CDisplay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_bInitialUpdateDone) {
        OnInitialUpdate();
    }
}

}  // namespace tavik
