// Graph, line and label records of the chart.
#include <algorithm>

#include "charts/Display.h"

namespace tavik {

int CDisplay::AddGraph(const float* xData, const float* yData, bool thinned, int count,
                       const QString& name) {
    return AddGraphRecord(xData, yData, thinned, count, name, false);
}

int CDisplay::AddGraphRecord(const float* xData, const float* yData, bool thinned, int count,
                             const QString& name, bool bars) {
    SGraph& graph = m_graphs.emplace_front();
    graph.nId = ++m_nGraphCounter;
    graph.strName = name;
    graph.bThinned = thinned;
    graph.nCount = std::max(count, 0);
    graph.pXData = xData;
    graph.pYData = yData;
    graph.bBars = bars;
    graph.pen = QPen(ColorFromRef(m_crDefaultGraph), m_nDefaultGraphWidth);
    graph.points.resize(static_cast<std::size_t>(graph.nCount) * PointsPerSample(graph));
    AddMenuItems(graph);
    return graph.nId;
}

bool CDisplay::SetGraphData(const float* xData, const float* yData, bool thinned, int count,
                            int id) {
    SGraph* graph = FindGraphRecord(id);
    if (graph == nullptr) {
        return false;
    }
    graph->pXData = xData;
    graph->pYData = yData;
    graph->bThinned = thinned;
    graph->nCount = std::max(count, 0);
    graph->points.assign(static_cast<std::size_t>(graph->nCount) * PointsPerSample(*graph),
                         QPoint());
    graph->nFirstDrawn = 0;
    graph->nDrawn = 0;
    return true;
}

int CDisplay::PointsPerSample(const SGraph& /*graph*/) const {
    return 1;
}

SGraph* CDisplay::FindGraphRecord(int id) {
    auto it = std::find_if(m_graphs.begin(), m_graphs.end(),
                           [id](const SGraph& g) { return g.nId == id; });
    return it != m_graphs.end() ? &*it : nullptr;
}

const SGraph* CDisplay::FindGraph(int id) const {
    auto it = std::find_if(m_graphs.begin(), m_graphs.end(),
                           [id](const SGraph& g) { return g.nId == id; });
    return it != m_graphs.end() ? &*it : nullptr;
}

bool CDisplay::ShowGraph(int id) {
    SGraph* graph = FindGraphRecord(id);
    if (graph == nullptr || graph->bVisible) {
        return false;
    }
    graph->bVisible = true;
    return true;
}

bool CDisplay::HideGraph(int id) {
    SGraph* graph = FindGraphRecord(id);
    if (graph == nullptr || !graph->bVisible) {
        return false;
    }
    graph->bVisible = false;
    return true;
}

bool CDisplay::SetGraphPen(int id, int width, COLORREF color) {
    SGraph* graph = FindGraphRecord(id);
    if (graph == nullptr) {
        return false;
    }
    graph->pen = QPen(ColorFromRef(color), width);
    return true;
}

bool CDisplay::SetMarkerGraph(int id) {
    if (FindGraphRecord(id) == nullptr) {
        return false;
    }
    m_nMarkerGraph = id;
    SyncMarkerItems();
    return true;
}

void CDisplay::MoveGraphToEnd(int id) {
    auto it = std::find_if(m_graphs.begin(), m_graphs.end(),
                           [id](const SGraph& g) { return g.nId == id; });
    if (it == m_graphs.end() || it == m_graphs.begin()) {
        return;
    }
    m_graphs.splice(m_graphs.end(), m_graphs, it);
}

void CDisplay::AddLine(int id, float x1, float x2, float y1, float y2, COLORREF color, int width) {
    SLine line;
    line.nId = id;
    line.fX1 = std::clamp(x1, m_fXMin, m_fXMax);
    line.fX2 = std::clamp(x2, m_fXMin, m_fXMax);
    line.fY1 = std::clamp(y1, m_fYMin, m_fYMax);
    line.fY2 = std::clamp(y2, m_fYMin, m_fYMax);
    line.pen = QPen(ColorFromRef(color), width);
    m_lines.push_back(line);
    InvalidateBackground();
}

const SLine* CDisplay::FindLine(int id) const {
    auto it =
        std::find_if(m_lines.begin(), m_lines.end(), [id](const SLine& l) { return l.nId == id; });
    return it != m_lines.end() ? &*it : nullptr;
}

SLine* CDisplay::FindLineRecord(int id) {
    auto it =
        std::find_if(m_lines.begin(), m_lines.end(), [id](const SLine& l) { return l.nId == id; });
    return it != m_lines.end() ? &*it : nullptr;
}

bool CDisplay::SetLine(int id, float x1, float x2, float y1, float y2) {
    SLine* line = FindLineRecord(id);
    if (line == nullptr) {
        return false;
    }
    line->fX1 = x1;
    line->fX2 = x2;
    line->fY1 = y1;
    line->fY2 = y2;
    InvalidateBackground();
    return true;
}

bool CDisplay::MoveLine(int id, float dx, float dy) {
    SLine* line = FindLineRecord(id);
    if (line == nullptr) {
        return false;
    }
    line->fX1 += dx;
    line->fX2 += dx;
    line->fY1 += dy;
    line->fY2 += dy;
    InvalidateBackground();
    return true;
}

bool CDisplay::RemoveLine(int id) {
    auto it =
        std::find_if(m_lines.begin(), m_lines.end(), [id](const SLine& l) { return l.nId == id; });
    if (it == m_lines.end()) {
        return false;
    }
    m_lines.erase(it);
    InvalidateBackground();
    return true;
}

bool CDisplay::AddGraphLabel(int graphId, float x, const QString& text) {
    SGraph* graph = FindGraphRecord(graphId);
    if (graph == nullptr) {
        return false;
    }
    graph->labels.push_back({x, text, SRect()});
    return true;
}

bool CDisplay::RemoveGraphLabel(int graphId, const QString& text) {
    SGraph* graph = FindGraphRecord(graphId);
    if (graph == nullptr) {
        return false;
    }
    auto it = std::find_if(graph->labels.begin(), graph->labels.end(),
                           [&text](const SGraphLabel& l) { return l.strText == text; });
    if (it == graph->labels.end()) {
        return false;
    }
    graph->labels.erase(it);
    return true;
}

bool CDisplay::RemoveGraphLabels(int graphId) {
    SGraph* graph = FindGraphRecord(graphId);
    if (graph == nullptr) {
        return false;
    }
    graph->labels.clear();
    return true;
}

void CDisplay::ResetLabelRects(SGraph& graph) {
    for (SGraphLabel& label : graph.labels) {
        label.rcLast = SRect();
    }
}

void CDisplay::OnLabelClicked(const QString& /*text*/, float /*x*/) {}

}  // namespace tavik
