#include "ui/SignalView.h"

#include <QVBoxLayout>

#include "charts/Display.h"
#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"

namespace tavik {

namespace {

constexpr float kSamplesPerMs = 200.0f;
constexpr COLORREF kRed = RGB(255, 0, 0);

}  // namespace

CSignalView::CSignalView(CTAVIKSDIDoc& doc, QWidget* parent)
    : CMeasurementView(doc, parent, kRefreshMs) {
    for (int i = 0; i < kSamples; ++i) {
        m_times[i] = static_cast<float>(i) / kSamplesPerMs;
    }
    m_pMpxChart = CreateChart("MPX Time Signal Display", "MPX Signal vs Time", "MPX Signal",
                              "MPX Signal", "%", -150.0f, 150.0f, m_mpx.data(), &m_nMpxId);
    m_pMpxChart->AddLine(0, 0.0f, 100.0f, 100.0f, 100.0f, kRed, 1);
    m_pMpxChart->AddLine(1, 0.0f, 100.0f, -100.0f, -100.0f, kRed, 1);
    m_pLevelChart =
        CreateChart("LEVEL Time Signal Display", "RF Signal Strength vs Time", "Level Signal",
                    "RF Signal Strength", "dBuV", 25.0f, 100.0f, m_level.data(), &m_nLevelId);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pMpxChart, 1);
    layout->addWidget(m_pLevelChart, 1);
}

CSignalView::~CSignalView() = default;

CDisplay* CSignalView::CreateChart(const char* name, const char* title, const char* graph,
                                   const char* yTitle, const char* yUnit, float yMin, float yMax,
                                   const float* samples, int* graphId) {
    auto* chart = new CDisplay(this);
    chart->setObjectName(QString::fromLatin1(name));
    chart->SetXRange(0.0f, 100.0f);
    chart->SetXUnit(QStringLiteral("ms"));
    chart->SetXTitle(QStringLiteral("Time"));
    chart->SetYRange(yMin, yMax);
    chart->SetYUnit(QString::fromLatin1(yUnit));
    chart->SetYTitle(QString::fromLatin1(yTitle));
    chart->SetTitle(QString::fromLatin1(title));
    *graphId = chart->AddGraph(m_times.data(), samples, true, 0, QString::fromLatin1(graph));
    chart->OnInitialUpdate();
    return chart;
}

void CSignalView::OnResult(const CAnalyserResult& result) {
    if (result.Code() == EResultCode::TimeSignal) {
        m_bDirty = true;
    }
}

void CSignalView::FetchSignals() {
    const CTAVIKSDIDoc& doc = GetDocument();
    doc.GetMpxSamples(m_mpx.data(), m_nMpxCount);
    doc.GetLevelSamples(m_level.data(), m_nLevelCount);
    m_pMpxChart->SetGraphData(m_times.data(), m_mpx.data(), true, m_nMpxCount, m_nMpxId);
    m_pLevelChart->SetGraphData(m_times.data(), m_level.data(), true, m_nLevelCount, m_nLevelId);
    m_pMpxChart->DrawData();
    m_pLevelChart->DrawData();
}

void CSignalView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case HINT_MEASUREMENT_STARTED:
            m_bMeasuring = true;
            m_pMpxChart->ShowGraph(m_nMpxId);
            m_pLevelChart->ShowGraph(m_nLevelId);
            break;
        case HINT_MEASUREMENT_STOPPED:
            m_bMeasuring = false;
            m_bDirty = false;
            m_pMpxChart->HideGraph(m_nMpxId);
            m_pLevelChart->HideGraph(m_nLevelId);
            m_pMpxChart->DrawData();
            m_pLevelChart->DrawData();
            break;
        default:
            break;
    }
}

void CSignalView::OnRefresh() {
    if (m_bDirty && m_bMeasuring) {
        m_bDirty = false;
        FetchSignals();
    }
}

}  // namespace tavik
