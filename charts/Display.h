#pragma once

#include <list>
#include <vector>

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPen>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "charts/ChartGeometry.h"
#include "charts/Colors.h"
#include "charts/DrawingFailure.h"
#include "platform/Document.h"

class QActionGroup;

namespace tavik {

class CPrompt;

// A text attached to a graph at an x value, drawn vertically next to the graph.
struct SGraphLabel {
    float fX = 0.0f;
    QString strText;
    SRect rcLast;  // where it was last drawn (empty when not drawn); takes mouse clicks
};

// One graph. The arrays are the owner's and stay alive while the chart shows them; the point
// array is the chart's, sized when the data are set so that drawing allocates nothing.
struct SGraph {
    int nId = 0;
    QString strName;  // menu text
    int nStride = 1;  // every stride-th sample is drawn
    bool bVisible = false;
    bool bThinned = false;  // stride from the x spacing: about one sample per pixel column
    int nCount = 0;
    const float* pXData = nullptr;
    const float* pYData = nullptr;
    int nFirstDrawn = 0;  // strided samples below the x minimum in the last drawing
    int nDrawn = 0;       // points of the last drawing
    std::vector<QPoint> points;
    QPen pen;
    std::vector<SGraphLabel> labels;  // in ascending x as added
    bool bBars = false;               // deviation chart: each step down to the zero line
};

// A fixed line segment (limit, marker) in axis units.
struct SLine {
    int nId = 0;
    float fX1 = 0.0f;
    float fY1 = 0.0f;
    float fX2 = 0.0f;
    float fY2 = 0.0f;
    QPen pen;
};

// The chart window of the measurement views: graphs over fixed axis ranges with 1-2-5 ticks,
// grid, limit lines, graph labels, a context menu for visibility and the marker graph, and a
// cursor with a readout box.
//
// Painting is apart from the widget: Render() draws the whole chart into any painter at any
// rectangle (widget, image, printer, PDF). Background, frame, ticks, grid, lines and titles are
// cached in an image rebuilt only when the size, a range or the look changes; graphs are drawn
// over it. New data only mark the chart for repainting (DrawData), so any number of arrivals
// between two refreshes costs one paint. User-interface thread only.
class CDisplay : public QWidget, public CView {
    Q_OBJECT

public:
    // Context-menu commands: visibility 1000 + graph id, marker 2000 + graph id.
    static constexpr int ID_VISIBLE_GRAPH = 1000;
    static constexpr int ID_MARKER_GRAPH = 2000;
    static constexpr int kMaxCommandGraph = 10;  // commands exist for graph ids 0..10
    static constexpr int kUnitGap = 5;           // between the plot's right edge and the x unit

    explicit CDisplay(QWidget* parent = nullptr);
    ~CDisplay() override;

    // Graphs. AddGraph returns the new id (1, 2, ...); the graph is drawn first (head of the
    // list) and stays invisible until ShowGraph.
    int AddGraph(const float* xData, const float* yData, bool thinned, int count,
                 const QString& name);
    bool SetGraphData(const float* xData, const float* yData, bool thinned, int count, int id);
    // True only when the state changed.
    bool ShowGraph(int id);
    bool HideGraph(int id);
    bool SetGraphPen(int id, int width, COLORREF color);
    bool SetMarkerGraph(int id);
    // Moves the graph to the end of the drawing order; the head of the list stays in place.
    void MoveGraphToEnd(int id);
    const SGraph* FindGraph(int id) const;
    const std::list<SGraph>& GetGraphs() const { return m_graphs; }

    // Lines; each end is clipped into the current ranges when added, not when set or moved.
    void AddLine(int id, float x1, float x2, float y1, float y2, COLORREF color, int width);
    bool SetLine(int id, float x1, float x2, float y1, float y2);
    bool MoveLine(int id, float dx, float dy);
    bool RemoveLine(int id);
    const SLine* FindLine(int id) const;

    // Graph labels.
    bool AddGraphLabel(int graphId, float x, const QString& text);
    bool RemoveGraphLabel(int graphId, const QString& text);
    bool RemoveGraphLabels(int graphId);
    // Called when the left button is released inside a label's last drawn rectangle.
    virtual void OnLabelClicked(const QString& text, float x);

    // Axes: the smaller value becomes the minimum; equal values throw CDisplayException and
    // keep the old range.
    void SetXRange(float a, float b);
    void SetYRange(float a, float b);
    void SetTitle(const QString& title);
    void SetXTitle(const QString& title);
    void SetYTitle(const QString& title);
    // Units keep their first 8 characters.
    void SetXUnit(const QString& unit);
    void SetYUnit(const QString& unit);
    // "solid", "dash", "dot", "dashdot", "dashdotdot"; anything else draws no grid lines.
    void SetGridStyle(const QString& name);
    void SetGrid(bool on);
    void SetMarker(bool on);
    void SetReadout(bool on);
    void SetGridColor(COLORREF color);
    void SetPlotColor(COLORREF color);
    void SetAxisColor(COLORREF color);
    void SetCursorColor(COLORREF color);
    void SetReadoutColor(COLORREF color);
    void SetLabelColor(COLORREF color);
    void SetFontFace(const QString& face);
    void SetLabelFormat(int mode);
    // Where drawing failures are shown; without one a message box opens.
    void SetPrompt(CPrompt* prompt) { m_reporter.SetPrompt(prompt); }

    float GetXMin() const { return m_fXMin; }
    float GetXMax() const { return m_fXMax; }
    float GetYMin() const { return m_fYMin; }
    float GetYMax() const { return m_fYMax; }
    const QString& GetTitle() const { return m_strTitle; }
    const QString& GetXTitle() const { return m_strXTitle; }
    const QString& GetYTitle() const { return m_strYTitle; }
    const QString& GetXUnit() const { return m_strXUnit; }
    const QString& GetYUnit() const { return m_strYUnit; }
    int GetGridStyle() const { return m_nGridStyle; }
    int GetLabelFormat() const { return m_nLabelFormat; }
    int GetMarkerGraph() const { return m_nMarkerGraph; }
    bool IsMarkerOn() const { return m_bMarkerOn; }
    int GetCursorColumn() const { return m_nCursorColumn; }
    const QString& GetFontFace() const { return m_strFontFace; }
    QFont GetTickFont() const { return m_fontTick; }

    // The layout of the last drawing (or of the widget's size before the first one).
    const SPlotGeometry& GetGeometry() const { return m_geometry; }
    QPoint ValueToPoint(float x, float y, bool* pInRange = nullptr) const;
    QString FormatLabel(double value) const;
    // The readout of the sample at (x, y): titles, values and units on two lines.
    virtual QString ReadoutText(float x, float y);

    // Marks the chart for repainting; the repaint follows once on the next event-loop pass.
    virtual void DrawData();
    // Moves the cursor to a pixel column; the drawing snaps it to the marker graph's point.
    virtual void UpdateCursorPosition(int column);
    // Paints the whole chart (background, visible graphs, cursor while the marker is on) into
    // `pDC` over `rc`. A null painter is reported as a drawing failure.
    void Render(QPainter* pDC, const QRect& rc);
    // Paints frame, ticks, grid, lines and titles without graphs.
    void DrawBackground(QPainter* pDC, const QRect& rc);
    // Draws the background and puts the cursor at the plot's left edge.
    void OnInitialUpdate();
    // Document notifications repaint the chart.
    void OnUpdate(CView* sender, long hint, void* object) override;
    // Context-menu command 1000..1010 (visibility) or 2000..2010 (marker graph).
    void OnCommand(int command);

    QMenu& GetContextMenu() { return m_menuContext; }
    const QMenu& GetVisibleGraphsMenu() const { return m_menuVisible; }
    const QMenu& GetMarkerMenu() const { return m_menuMarkers; }

protected:
    // The text of an x tick label; the label format's number unless a chart shows x otherwise
    // (a time of day).
    virtual QString XTickLabel(double value) const { return FormatLabel(value); }
    // Background and visible graphs, in local coordinates of a `size` area.
    virtual void PaintGraphs(QPainter& dc, QSize size);
    // The marker graph's point at or right of `column` (or its last) and its sample index.
    virtual bool FindCursorSample(const SGraph& graph, int column, QPoint* point,
                                  int* sample) const;
    // The line appended to a drawing failure of DrawData.
    virtual const char* DrawDataFailureLine() const;
    // Points the drawing makes of one sample.
    virtual int PointsPerSample(const SGraph& graph) const;

    int AddGraphRecord(const float* xData, const float* yData, bool thinned, int count,
                       const QString& name, bool bars);
    SGraph* FindGraphRecord(int id);
    std::list<SGraph>& GraphRecords() { return m_graphs; }
    // The background layer from the cache (rebuilt when stale), or drawn directly on vector
    // targets.
    void PaintBackground(QPainter& dc, QSize size);
    // Draws the labels whose x is at or below the sample's x against `point`.
    void DrawLabelsUpTo(QPainter& dc, SGraph& graph, std::size_t& nextLabel, float x, QPoint point);
    static void ResetLabelRects(SGraph& graph);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    SLine* FindLineRecord(int id);
    void UpdateGeometry(QSize size);
    void InvalidateBackground();
    void RebuildPens();
    void RebuildFonts();
    void PaintBackgroundLayer(QPainter& dc, QSize size);
    void DrawTicksAndGrid(QPainter& dc);
    void DrawLines(QPainter& dc);
    void DrawTexts(QPainter& dc);
    void DrawTickLabels(QPainter& dc);
    void PaintGraph(QPainter& dc, SGraph& graph);
    void DrawCursor(QPainter& dc);
    void ToggleGraphVisibility(int id);
    void ChooseMarkerGraph(int id);
    void AddMenuItems(const SGraph& graph);
    void SyncMarkerItems();

    QMenu m_menuMarkers;
    QMenu m_menuVisible;
    QMenu m_menuContext;
    QActionGroup* m_pMarkerGroup;  // owned by m_menuMarkers
    int m_nGraphCounter = 0;
    QString m_strFontFace = QStringLiteral("Arial");
    QBrush m_brPlot;
    QBrush m_brReadout;
    QPen m_penAxis;
    QPen m_penGrid;
    QPen m_penCursor;
    QPen m_penReadout;
    QFont m_fontTitle;
    QFont m_fontVerticalTitle;
    QFont m_fontTick;
    QFont m_fontLabel;
    QFont m_fontUnit;
    QFont m_fontReadout;
    SPlotGeometry m_geometry;  // plot rectangle, pixels per tick and steps
    int m_nChartWidth = 0;     // of the area painted last (widget, image, printer)
    int m_nLabelFormat = 2;
    int m_nGridStyle = 2;
    bool m_bGridOn = true;
    float m_fXMin = 0.0f;
    float m_fXMax = 100.0f;
    float m_fYMin = 0.0f;
    float m_fYMax = 100.0f;
    QString m_strTitle;
    QString m_strXTitle = QStringLiteral("x-Axis Title");
    QString m_strYTitle = QStringLiteral("y-Axis Title");
    QString m_strXUnit = QStringLiteral("%");
    QString m_strYUnit = QStringLiteral("%");
    COLORREF m_crGrid = 0xFFFFFF;
    COLORREF m_crPlot = 0xFF4040;
    COLORREF m_crAxis = 0;
    COLORREF m_crCursor = 0;
    COLORREF m_crLabel = 0x00FFFF;
    COLORREF m_crReadout = 0;
    int m_nMarkerGraph = 0;
    COLORREF m_crDefaultGraph = 0x00FFFF;
    int m_nDefaultGraphWidth = 1;
    bool m_bMarkerOn = false;
    bool m_bReadoutOn = true;
    int m_nCursorColumn = 0;
    std::list<SGraph> m_graphs;  // drawing order
    std::vector<SLine> m_lines;

    QImage m_imgBackground;  // cached background layer
    bool m_bBackgroundValid = false;
    QImage m_imgFrame;  // off-screen frame buffer reused by every paint
    bool m_bInitialUpdateDone = false;
    CDrawingFailureReporter m_reporter;
};

}  // namespace tavik
