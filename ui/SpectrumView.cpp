#include "ui/SpectrumView.h"

#include <algorithm>
#include <cmath>
#include <span>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "charts/Display.h"
#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"

namespace tavik {

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kDarkGreen = RGB(0, 150, 0);

// Copies a spectrum; -inf (an empty bin) is kept at the bottom of the axis.
void CopySpectrum(std::span<const float> values, std::array<float, CSpectrumView::kBins>& out) {
    const std::size_t n = std::min(values.size(), out.size());
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = std::isfinite(values[i]) ? values[i] : CSpectrumView::kFloor;
    }
}

}  // namespace

CSpectrumView::CSpectrumView(CTAVIKSDIDoc& doc, QWidget* parent)
    : CMeasurementView(doc, parent, kRefreshMs) {
    ResetArrays();
    m_pChart = new CDisplay(this);
    m_pChart->setObjectName(QStringLiteral("MPX Spectrum Display"));
    m_pChart->SetXRange(0.0f, 100.0f);
    m_pChart->SetXUnit(QStringLiteral("kHz"));
    m_pChart->SetXTitle(QStringLiteral("MPX Frequency"));
    m_pChart->SetYRange(kFloor, 10.0f);
    m_pChart->SetYUnit(QStringLiteral("dBr"));
    m_pChart->SetYTitle(QStringLiteral("Relative Level"));
    m_pChart->SetTitle(QStringLiteral("MPX FFT Spectrum"));
    m_nSpectrumId = m_pChart->AddGraph(m_frequencies.data(), m_spectrum.data(), true, kBins,
                                       QStringLiteral("Spectrum"));
    m_nPeakHoldId = m_pChart->AddGraph(m_frequencies.data(), m_peakHold.data(), true, kBins,
                                       QStringLiteral("Spectrum Peak Hold"));
    m_pChart->SetGraphPen(m_nPeakHoldId, 1, kRed);
    m_pChart->AddLine(1, 19.0f, 19.0f, kFloor, 10.0f, kRed, 1);         // pilot
    m_pChart->AddLine(10, 38.0f, 38.0f, kFloor, 10.0f, kGreen, 1);      // stereo subcarrier
    m_pChart->AddLine(20, 57.0f, 57.0f, kFloor, 10.0f, kGreen, 1);      // RDS
    m_pChart->AddLine(21, 55.0f, 55.0f, kFloor, 10.0f, kDarkGreen, 1);  // RDS band edges
    m_pChart->AddLine(22, 59.0f, 59.0f, kFloor, 10.0f, kDarkGreen, 1);
    m_pChart->OnInitialUpdate();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pChart, 1);
    layout->addWidget(CreateForm());
}

CSpectrumView::~CSpectrumView() = default;

QWidget* CSpectrumView::CreateForm() {
    auto* box = new QGroupBox(QStringLiteral("Spectrum Options"), this);
    auto* column = new QVBoxLayout(box);
    column->addWidget(new QLabel(QStringLiteral("Window Function:"), box));
    m_pWindow = new QButtonGroup(box);
    const char* const names[] = {"None", "Bartlett", "Blackman"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(names[i]), box);
        m_pWindow->addButton(radio, i);
        column->addWidget(radio);
    }
    m_pWindow->button(0)->setChecked(true);
    auto* clear = new QPushButton(QStringLiteral("Clear Peak Hold"), box);
    column->addWidget(clear);
    column->addStretch(1);
    connect(m_pWindow, &QButtonGroup::idClicked, this, &CSpectrumView::SetWindowFunction);
    connect(clear, &QPushButton::clicked, this,
            [this] { GetDocument().GetSpectrumAnalyser().ClearPeakHold(); });
    return box;
}

// Writes a changed window function to the document, which hands it to the analysis.
void CSpectrumView::SetWindowFunction(int window) {
    m_nWindowFunction = window;
    if (QAbstractButton* radio = m_pWindow->button(window)) {
        radio->setChecked(true);
    }
    CTAVIKSDIDoc& doc = GetDocument();
    CProtocolHeader header;
    doc.GetProtocolHeader(header);
    if (header.m_nWindowFunction != static_cast<std::uint32_t>(window)) {
        header.m_nWindowFunction = static_cast<std::uint32_t>(window);
        doc.SetWindowFunction(header);
        doc.SetModifiedFlag();
    }
}

void CSpectrumView::ResetArrays() {
    for (int i = 0; i < kBins; ++i) {
        m_frequencies[i] = static_cast<float>(i) * 100.0f / static_cast<float>(kBins);
    }
    m_spectrum.fill(kFloor);
    m_peakHold.fill(kFloor);
}

void CSpectrumView::OnResult(const CAnalyserResult& result) {
    if (const CSpectrumBins* spectrum = result.Get<EResultCode::Spectrum>()) {
        CopySpectrum(*spectrum, m_spectrum);
        m_bDirty = true;
    } else if (const CSpectrumBins* peakHold = result.Get<EResultCode::PeakHold>()) {
        CopySpectrum(*peakHold, m_peakHold);
        m_bDirty = true;
    }
}

void CSpectrumView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case 0:
            m_nWindowFunction = 0;
            m_pWindow->button(0)->setChecked(true);
            break;
        case HINT_MEASUREMENT_STARTED:
            m_bMeasuring = true;
            m_pChart->ShowGraph(m_nSpectrumId);
            m_pChart->ShowGraph(m_nPeakHoldId);
            break;
        case HINT_MEASUREMENT_STOPPED:
            m_bMeasuring = false;
            m_bDirty = false;
            m_pChart->HideGraph(m_nSpectrumId);
            m_pChart->HideGraph(m_nPeakHoldId);
            ResetArrays();
            m_pChart->DrawData();
            break;
        default:
            break;
    }
}

void CSpectrumView::OnRefresh() {
    if (m_bDirty && m_bMeasuring) {
        m_bDirty = false;
        m_pChart->DrawData();
    }
}

}  // namespace tavik
