// The context menu: visible graphs and the graph the marker cursor follows.
#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>

#include "charts/Display.h"

namespace tavik {

namespace {

QAction* FindAction(const QMenu& menu, int command) {
    for (QAction* action : menu.actions()) {
        if (action->data().toInt() == command && action->data().isValid()) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

void CDisplay::AddMenuItems(const SGraph& graph) {
    if (graph.nId == 1) {
        // The "<No Lines>" placeholders go before the first graph's items.
        m_menuVisible.clear();
        m_menuMarkers.clear();
    }
    QAction* visible = m_menuVisible.addAction(graph.strName);
    visible->setCheckable(true);
    visible->setChecked(true);
    visible->setData(ID_VISIBLE_GRAPH + graph.nId);
    connect(visible, &QAction::triggered, this,
            [this, id = graph.nId] { OnCommand(ID_VISIBLE_GRAPH + id); });
    QAction* marker = m_menuMarkers.addAction(graph.strName);
    marker->setCheckable(true);
    marker->setData(ID_MARKER_GRAPH + graph.nId);
    m_pMarkerGroup->addAction(marker);
    connect(marker, &QAction::triggered, this,
            [this, id = graph.nId] { OnCommand(ID_MARKER_GRAPH + id); });
}

void CDisplay::OnCommand(int command) {
    if (command >= ID_VISIBLE_GRAPH && command <= ID_VISIBLE_GRAPH + kMaxCommandGraph) {
        ToggleGraphVisibility(command - ID_VISIBLE_GRAPH);
    } else if (command >= ID_MARKER_GRAPH && command <= ID_MARKER_GRAPH + kMaxCommandGraph) {
        ChooseMarkerGraph(command - ID_MARKER_GRAPH);
    }
}

void CDisplay::ToggleGraphVisibility(int id) {
    QAction* visible = FindAction(m_menuVisible, ID_VISIBLE_GRAPH + id);
    QAction* marker = FindAction(m_menuMarkers, ID_MARKER_GRAPH + id);
    if (visible == nullptr || marker == nullptr) {
        return;
    }
    const bool followed = id == m_nMarkerGraph && m_bMarkerOn;
    if (HideGraph(id)) {
        visible->setChecked(false);
        marker->setEnabled(false);
        if (followed) {
            marker->setChecked(false);
        }
    } else if (ShowGraph(id)) {
        visible->setChecked(true);
        marker->setEnabled(true);
        if (followed) {
            marker->setChecked(true);
        }
    }
    DrawData();
}

void CDisplay::ChooseMarkerGraph(int id) {
    QAction* marker = FindAction(m_menuMarkers, ID_MARKER_GRAPH + id);
    if (marker == nullptr) {
        return;
    }
    // Drawn last, the followed graph lies on top of the others.
    MoveGraphToEnd(id);
    if (!m_bMarkerOn) {
        m_nMarkerGraph = id;
        m_bMarkerOn = true;
        marker->setChecked(true);
    } else if (id == m_nMarkerGraph) {
        m_bMarkerOn = false;
        marker->setChecked(false);
    } else {
        m_nMarkerGraph = id;
        marker->setChecked(true);
    }
    DrawData();
}

void CDisplay::SyncMarkerItems() {
    QAction* marker = FindAction(m_menuMarkers, ID_MARKER_GRAPH + m_nMarkerGraph);
    if (marker != nullptr) {
        marker->setChecked(m_bMarkerOn);
    } else if (QAction* checked = m_pMarkerGroup->checkedAction()) {
        checked->setChecked(false);
    }
}

void CDisplay::contextMenuEvent(QContextMenuEvent* event) {
    m_menuContext.popup(event->globalPos());
}

}  // namespace tavik
