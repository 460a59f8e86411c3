#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QTimer>
#include <QWidget>

#include "ui/StationList.h"

class QScrollArea;
class QStackedWidget;

namespace tavik {

class CTAVIKSDIDoc;
class CTAVIKSDIView;
class CGuiMessageTarget;

// Several stations of one receiver in one window: each station's main view (its own document,
// pages, timer, alarms and logging) in a stack of which one is shown, and the station list over
// the left column below the navigation pane, refreshed once a second from every station while
// all go on measuring. Choosing a station in the list shows its main view and tells `shown`.
// User-interface thread.
class CStationsView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;

    struct SStation {
        CTAVIKSDIDoc* pDoc;
        CGuiMessageTarget* pWindow;  // the station's result window, tapped for the readings
        CTAVIKSDIView* pView;        // taken into the stack
    };

    CStationsView(const std::vector<SStation>& stations, std::function<void(int)> shown,
                  QWidget* parent);
    ~CStationsView() override;

    int Count() const { return static_cast<int>(m_stations.size()); }
    CTAVIKSDIDoc& GetDocument(int index) const { return *m_stations.at(index).station.pDoc; }
    CTAVIKSDIView& GetView(int index) const { return *m_stations.at(index).station.pView; }
    int GetShown() const;
    // Shows the station's main view, on the page and measurement view shown before, and marks
    // it in the list.
    void Show(int index);
    CStationList& GetList() const { return *m_pList; }
    // The list's rows from the stations' documents and their last second's readings.
    void Refresh();
    // One station's row, as the list shows it.
    static SStationRow FormatRow(const CTAVIKSDIDoc& doc, std::optional<float> deviation,
                                 std::optional<float> power);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct SEntry {
        SStation station;
        std::optional<float> peak;       // kHz, the largest block peak since the last refresh
        std::optional<float> shownPeak;  // kHz, that of the last refresh
        std::optional<float> power;      // dBr, the last 1-second MPX power
    };

    std::vector<SEntry> m_stations;
    std::function<void(int)> m_shown;
    QStackedWidget* m_pStack;
    QScrollArea* m_pScroll;
    CStationList* m_pList;
    QTimer m_refresh;
};

}  // namespace tavik
