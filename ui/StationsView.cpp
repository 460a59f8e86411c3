#include "ui/StationsView.h"

#include <algorithm>

#include <QAbstractButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

#include "alarms/AlarmItem.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"
#include "platform/Messages.h"
#include "ui/DataView.h"
#include "ui/GuiMessageTarget.h"
#include "ui/ItemPages.h"
#include "ui/MainViewLayout.h"
#include "ui/TAVIKSDIView.h"

namespace tavik {

CStationsView::CStationsView(const std::vector<SStation>& stations, std::function<void(int)> shown,
                             QWidget* parent)
    : QWidget(parent),
      m_shown(std::move(shown)),
      m_pStack(new QStackedWidget(this)),
      m_pScroll(new QScrollArea(this)),
      m_pList(new CStationList) {
    setObjectName(QStringLiteral("stations view"));
    m_stations.reserve(stations.size());
    for (const SStation& station : stations) {
        m_stations.push_back({station, std::nullopt, std::nullopt, std::nullopt});
        m_pStack->addWidget(station.pView);
        station.pView->SetStationsPane(true);
    }
    // The readings of each station's results, on their way to its pages.
    for (SEntry& entry : m_stations) {
        entry.station.pWindow->SetTap([&entry](const CMessage& message) {
            if (message.message != WM_ANALYSER_RESULT || !entry.station.pDoc->HasSignal()) {
                return;
            }
            if (const float* peak = message.result.Get<EResultCode::DeviationPeak>()) {
                entry.peak = std::max(entry.peak.value_or(*peak), *peak);
            } else if (const float* power = message.result.Get<EResultCode::Power1s>()) {
                entry.power = *power;
            }
        });
    }
    m_pScroll->setObjectName(QStringLiteral("station list pane"));
    m_pScroll->setFrameShape(QFrame::NoFrame);
    m_pScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pScroll->setWidgetResizable(true);
    m_pScroll->setWidget(m_pList);
    m_pScroll->raise();
    connect(m_pList, &CStationList::StationChosen, this, [this](int index) {
        Show(index);
        const int height = m_pList->RowHeight();
        m_pScroll->ensureVisible(0, index * height + height / 2, 0, height / 2);
    });
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CStationsView::Refresh);
    m_refresh.start();
    Refresh();
}

CStationsView::~CStationsView() {
    for (SEntry& entry : m_stations) {
        entry.station.pWindow->SetTap(nullptr);
    }
}

int CStationsView::GetShown() const {
    return m_pStack->currentIndex();
}

void CStationsView::Show(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    m_pList->SetCurrent(index);
    if (index == m_pStack->currentIndex()) {
        return;
    }
    // The station chosen opens on the page, and the measurement view, shown before.
    const CTAVIKSDIView& before = GetView(m_pStack->currentIndex());
    CTAVIKSDIView& after = GetView(index);
    const int page = before.GetCurrentPage();
    if (after.GetCurrentPage() != page) {
        GetDocument(index).UpdateAllViews(nullptr, HINT_SHOW_PAGE + page);
    }
    const auto* from = qobject_cast<const CDataView*>(before.GetItemView(ITEM_DATA));
    const auto* to = qobject_cast<const CDataView*>(after.GetItemView(ITEM_DATA));
    if (from != nullptr && to != nullptr && from->GetSelected() != to->GetSelected()) {
        if (QAbstractButton* button = to->GetSelectorButton(from->GetSelected())) {
            button->click();
        }
    }
    m_pStack->setCurrentIndex(index);
    if (m_shown) {
        m_shown(index);
    }
}

SStationRow CStationsView::FormatRow(const CTAVIKSDIDoc& doc, std::optional<float> deviation,
                                     std::optional<float> power) {
    SStationRow row;
    row.strFrequency = QString::asprintf("%.3f", static_cast<double>(doc.GetTunerFrequency()));
    row.strPS =
        doc.GetPSName().empty() ? QStringLiteral("???") : QString::fromStdString(doc.GetPSName());
    const bool measuring = doc.IsRunning() && doc.HasSignal();
    row.strDeviation = measuring && deviation
                           ? QString::asprintf("%.1f kHz", static_cast<double>(*deviation))
                           : QStringLiteral("--- kHz");
    row.strPower = measuring && power ? QString::asprintf("%.1f dBr", static_cast<double>(*power))
                                      : QStringLiteral("--- dBr");
    const bool alarm =
        std::any_of(doc.GetAlarms().begin(), doc.GetAlarms().end(),
                    [](const CAlarmMap::Entry& entry) { return entry.item->m_bActive != 0; });
    if (!doc.IsRunning()) {
        row.strState = QStringLiteral("STOPPED");
    } else if (!doc.HasSignal()) {
        row.strState = QStringLiteral("NO SIGNAL");
    } else {
        row.strState = alarm ? QStringLiteral("ALARM") : QStringLiteral("OK");
    }
    return row;
}

void CStationsView::Refresh() {
    std::vector<SStationRow> rows;
    for (SEntry& entry : m_stations) {
        const CTAVIKSDIDoc& doc = *entry.station.pDoc;
        if (!doc.IsRunning() || !doc.HasSignal()) {
            entry.peak.reset();
            entry.shownPeak.reset();
            entry.power.reset();
        } else if (entry.peak) {
            // A second without a block (the refresh runs beside the results) keeps the last.
            entry.shownPeak = entry.peak;
            entry.peak.reset();
        }
        rows.push_back(FormatRow(doc, entry.shownPeak, entry.power));
    }
    m_pList->SetRows(std::move(rows));
}

void CStationsView::resizeEvent(QResizeEvent* /*event*/) {
    m_pStack->setGeometry(rect());
    m_pScroll->setGeometry(MainViewLayout(width(), height(), true).rcStations);
}

}  // namespace tavik
