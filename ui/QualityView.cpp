#include "ui/QualityView.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "analysis/MultipathResult.h"
#include "charts/Display.h"
#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"
#include "rds/RDSSnapshot.h"
#include "ui/MeasurementForm.h"

namespace tavik {

namespace {

constexpr float kRequiredDeviation = CMultipathResult::kMinimumDeviation;
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr int kLampSize = 14;
constexpr int kFormWidth = 250;

void PaintLamp(QLabel& lamp, bool on, const char* onColor) {
    lamp.setStyleSheet(QStringLiteral("QLabel { border: 1px solid rgb(90, 90, 90); "
                                      "border-radius: 7px; background-color: %1; }")
                           .arg(QString::fromLatin1(on ? onColor : "rgb(110, 110, 110)")));
}

QGroupBox* TextBox(QWidget* parent, const char* title, QLabel* field) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(field);
    return box;
}

}  // namespace

CQualityView::CQualityView(CTAVIKSDIDoc& doc, QWidget* parent)
    : CMeasurementView(doc, parent, kRefreshMs) {
    m_pLevelChart = CreateChart("Signal Quality", "RF Level vs. Deviation", "RF Signal Strength",
                                "dBuV", 25.0f, 110.0f, 2, &m_nLevelGraph);
    m_pSlopeChart = CreateChart("Computed Multipath Values", "Derivative",
                                "d/df RF Signal Strength", "%", -3.0f, 3.0f, 3, &m_nSlopeGraph);
    auto* charts = new QVBoxLayout;
    charts->addWidget(m_pLevelChart, 1);
    charts->addWidget(m_pSlopeChart, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    // The form scrolls where the window is too low for it (800 x 600 with a software
    // receiver's reception box), so that no field is squeezed unreadable.
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(CreateForm());
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFixedWidth(kFormWidth + scroll->verticalScrollBar()->sizeHint().width());
    layout->addWidget(scroll);
    layout->addLayout(charts, 1);
    SetToolTips();
}

// What each field shows, from what the multipath and RDS analysis measure, for the tool tips.
void CQualityView::SetToolTips() {
    const struct {
        QWidget* pWidget;
        const char* strTip;
    } tips[] = {
        {m_pOkLamp,
         "Lit while the ITU-R measurement conditions hold: RF level above 54 dBuV, multipath "
         "below 2 %/kHz, and more than 20 kHz deviation in the analysed segment"},
        {m_pStopLamp,
         "Lit while the RF level is 54 dBuV or less or the multipath value 2 %/kHz or more "
         "(or a software receiver's C/N is too low): deviation and MPX power readings are then "
         "not reliable. Neither lamp: too little deviation to judge"},
        {m_pLevel,
         "RF level at zero deviation, dBuV, from the fit of the RF level against the deviation "
         "(averaged over the passes, one every 2 s); the conditions ask for more than 54 dBuV"},
        {m_pMultipath,
         "Multipath value, %/kHz: the steepest relative change of the fitted RF level over "
         "the deviation swing of the analysed segment (FM-to-AM conversion by echoes); the "
         "conditions ask for less than 2 %/kHz"},
        {m_pBitErrorRate,
         "RDS bit error rate, %: bits found in error among the RDS bits received in the last "
         "20 reads of 674 ms (about 13 s); \"settling\" until 21 reads (about 14 s) are "
         "decoded"},
        {m_pDataStatus,
         "\"Data OK!\" after a multipath pass with a value; otherwise why there is none: too "
         "little deviation (< 20 kHz), no signal, no receiver, or C/N too low"},
        {m_pPeaks,
         "Peak deviation of each 10 ms segment of the last analysed 100 ms block, kHz; the "
         "segment with the highest peak is the one fitted, and it needs more than 20 kHz"},
        {m_pLevelChart,
         "Fitted RF level against the deviation of the analysed segment, dBuV over kHz; red "
         "lines at +/-20 kHz, the deviation a multipath measurement needs"},
        {m_pSlopeChart,
         "Relative slope of the fitted RF level, %/kHz over kHz: its largest magnitude is the "
         "multipath value"},
        {m_pCalibrate,
         "On a signal known to be free of multipath, with enough deviation: the receiver's "
         "own response becomes the calibration, is written to the receiver and is taken off "
         "every later fit"},
        {m_pReset,
         "Forgets the calibration in memory; the receiver keeps its own, which returns when "
         "the receiver is detected again"},
    };
    for (const auto& tip : tips) {
        tip.pWidget->setToolTip(QString::fromLatin1(tip.strTip));
    }
}

CQualityView::~CQualityView() = default;

CDisplay* CQualityView::CreateChart(const char* title, const char* graph, const char* yTitle,
                                    const char* yUnit, float yMin, float yMax, int penWidth,
                                    int* graphId) {
    auto* chart = new CDisplay(this);
    chart->SetTitle(QString::fromLatin1(title));
    chart->SetXTitle(QStringLiteral("Deviation"));
    chart->SetXUnit(QStringLiteral("kHz"));
    chart->SetYTitle(QString::fromLatin1(yTitle));
    chart->SetYUnit(QString::fromLatin1(yUnit));
    chart->SetXRange(-110.0f, 110.0f);
    chart->SetYRange(yMin, yMax);
    chart->AddLine(1, kRequiredDeviation, kRequiredDeviation, yMin, yMax, kRed, 1);
    chart->AddLine(2, -kRequiredDeviation, -kRequiredDeviation, yMin, yMax, kRed, 1);
    *graphId = chart->AddGraph(nullptr, nullptr, false, 0, QString::fromLatin1(graph));
    chart->SetGraphPen(*graphId, penWidth, kYellow);
    chart->OnInitialUpdate();
    return chart;
}

QWidget* CQualityView::CreateForm() {
    auto* form = new QWidget(this);
    form->setFixedWidth(kFormWidth);
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(0, 0, 0, 0);

    auto* conditions = new QGroupBox(QStringLiteral("ITU-R Measurement Conditions"), form);
    auto* lamps = new QHBoxLayout(conditions);
    m_pOkLamp = new QLabel(conditions);
    m_pStopLamp = new QLabel(conditions);
    for (QLabel* lamp : {m_pOkLamp, m_pStopLamp}) {
        lamp->setFixedSize(kLampSize, kLampSize);
    }
    lamps->addWidget(m_pOkLamp);
    lamps->addWidget(new QLabel(QStringLiteral("OK"), conditions));
    lamps->addSpacing(20);
    lamps->addWidget(m_pStopLamp);
    lamps->addWidget(new QLabel(QStringLiteral("STOP"), conditions));
    lamps->addStretch(1);
    column->addWidget(conditions);
    SetLamps(false, false);

    m_pLevel = MakeValueField(form, QStringLiteral("n/a"));
    m_pMultipath = MakeValueField(form, QStringLiteral("n/a"));
    m_pDataStatus = MakeValueField(form, QStringLiteral("n/a"));
    m_pBitErrorRate = MakeValueField(form);
    column->addWidget(TextBox(form, "1. RF Level (> 54dBuV)", m_pLevel));
    column->addWidget(TextBox(form, "2. Multipath Value (< 2%/kHz)", m_pMultipath));

    auto* rds = new QGroupBox(QStringLiteral("RDS Signal Quality"), form);
    auto* rdsLayout = new QHBoxLayout(rds);
    rdsLayout->addWidget(new QLabel(QStringLiteral("Bit Error Rate:"), rds));
    rdsLayout->addWidget(m_pBitErrorRate, 1);
    column->addWidget(rds);
    column->addWidget(TextBox(form, "Data Status", m_pDataStatus));
    m_pReception = MakeValueField(form, QStringLiteral("-"));
    m_pReception->setToolTip(
        QStringLiteral("Carrier-to-noise ratio in the 200 kHz channel (at least 30 dB for the "
                       "ITU-R conditions), the carrier's offset from the tuned frequency, and "
                       "the share of IQ samples at the converter's limits"));
    m_pReceptionBox = TextBox(form, "Reception (software receiver)", m_pReception);
    m_pReceptionBox->hide();  // shown once a software receiver reports
    column->addWidget(m_pReceptionBox);

    m_pCalibrate = new QPushButton(QStringLiteral("&Calibrate"), form);
    m_pReset = new QPushButton(QStringLiteral("Reset Calibration"), form);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pCalibrate);
    buttons->addWidget(m_pReset);
    column->addLayout(buttons);

    m_pPeaks = new QListWidget(form);
    m_pPeaks->setObjectName(QStringLiteral("1340"));
    m_pUnused = new QListWidget(form);
    m_pUnused->setObjectName(QStringLiteral("1268"));
    m_pUnused->hide();
    column->addWidget(m_pPeaks, 1);

    connect(m_pCalibrate, &QPushButton::clicked, this, [this] { GetDocument().Calibrate(); });
    connect(m_pReset, &QPushButton::clicked, this, [this] { GetDocument().ResetCalibration(); });
    return form;
}

void CQualityView::SetLamps(bool ok, bool stop) {
    m_bOk = ok;
    m_bStop = stop;
    PaintLamp(*m_pOkLamp, ok, "rgb(0, 220, 0)");
    PaintLamp(*m_pStopLamp, stop, "rgb(255, 0, 0)");
}

void CQualityView::OnResult(const CAnalyserResult& result) {
    if (const CRDSSnapshot* rds = result.Get<EResultCode::RdsQuality>()) {
        m_bSettled = rds->m_bSettled;
        QString text = FormatValue("%.3f%%", rds->m_dBitErrorRate);
        if (!m_bSettled) {
            text += QStringLiteral(" settling");
        }
        m_pBitErrorRate->setText(text);
    } else if (const CReception* reception = result.Get<EResultCode::Reception>()) {
        OnReception(*reception);
    } else if (const CSegmentPeaks* peaks = result.Get<EResultCode::SegmentPeaks>()) {
        m_pPeaks->clear();
        for (const float peak : *peaks) {
            m_pPeaks->addItem(FormatValue("%.2f", static_cast<double>(peak)));
        }
    }
}

void CQualityView::OnReception(const CReception& reception) {
    m_pReceptionBox->show();
    QString text = std::isnan(reception.fCarrierToNoise)
                       ? QStringLiteral("C/N -")
                       : FormatValue("C/N %.1f dB", static_cast<double>(reception.fCarrierToNoise));
    if (reception.bSignal && !std::isnan(reception.fFrequencyError)) {
        text += FormatValue("\nFrequency %+.2f kHz",
                            static_cast<double>(reception.fFrequencyError) / 1000.0);
        text += FormatValue(" (%+.1f ppm)", static_cast<double>(reception.fFrequencyErrorPpm));
    }
    text += FormatValue("\nOverload %.3f %%", static_cast<double>(reception.fOverload));
    if (reception.Overloaded()) {
        text += QStringLiteral(": lower the gain");
    }
    m_pReception->setText(text);
    if (!reception.bSignal) {
        SetLamps(false, false);
        m_pDataStatus->setText(QStringLiteral("No signal!"));
    } else if (reception.LowCarrierToNoise()) {
        SetLamps(false, true);
        m_pDataStatus->setText(FormatValue(
            "C/N too low (< %.0f dB)!", static_cast<double>(CReception::kMinimumCarrierToNoise)));
    }
}

void CQualityView::OnMultipathResult(const CMultipathResult& result) {
    m_pDataStatus->setText(QStringLiteral("Data OK!"));
    const std::optional<CReception>& reception = GetDocument().GetReception();
    const bool lowCn = reception && reception->LowCarrierToNoise() &&
                       result.m_nStatus != CMultipathResult::STATUS_CONDITIONS_NOT_MET;
    switch (lowCn ? -1 : result.m_nStatus) {
        case -1:  // the fit of a noisy channel: not under the conditions
            SetLamps(false, true);
            m_pDataStatus->setText(
                FormatValue("C/N too low (< %.0f dB)!",
                            static_cast<double>(CReception::kMinimumCarrierToNoise)));
            break;
        case CMultipathResult::STATUS_CONDITIONS_MET:
            SetLamps(true, false);
            break;
        case CMultipathResult::STATUS_CONDITIONS_NOT_MET:
            SetLamps(false, true);
            break;
        case CMultipathResult::STATUS_DEVIATION_TOO_LOW:
            SetLamps(false, false);
            m_pDataStatus->setText(FormatValue("Deviation too low (< %.1f kHz)!",
                                               static_cast<double>(kRequiredDeviation)));
            break;
        default:
            break;
    }
    m_deviation = result.m_deviation;
    m_levelFit = result.m_levelFit;
    m_slope = result.m_slope;
    const int count = static_cast<int>(std::min(m_deviation.size(), m_levelFit.size()));
    const int slopes = static_cast<int>(std::min(m_deviation.size(), m_slope.size()));
    m_pLevelChart->SetGraphData(m_deviation.data(), m_levelFit.data(), false, count, m_nLevelGraph);
    m_pSlopeChart->SetGraphData(m_deviation.data(), m_slope.data(), false, slopes, m_nSlopeGraph);
    m_bDirty = true;
    if (result.m_nStatus != CMultipathResult::STATUS_DEVIATION_TOO_LOW) {
        // Before the first accepted fit level and multipath are placeholders, not values.
        m_pLevel->setText(result.HasValue()
                              ? FormatValue("%.1f dBuV", static_cast<double>(result.m_fLevel))
                              : QStringLiteral("-"));
        m_pMultipath->setText(
            result.HasValue() ? FormatValue("%.2f %%/kHz", static_cast<double>(result.m_fMultipath))
                              : QStringLiteral("-"));
    }
}

void CQualityView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case HINT_MULTIPATH_RESULT:
            if (const CMultipathResult* result = GetDocument().GetMultipathResult()) {
                OnMultipathResult(*result);
            }
            break;
        case HINT_TIMER_TICK:
            if (GetDocument().IsRunning() && !GetDocument().HasSignal()) {
                SetLamps(false, false);
                m_pDataStatus->setText(GetDocument().IsReceiverLost()
                                           ? QStringLiteral("No receiver!")
                                           : QStringLiteral("No signal!"));
            }
            break;
        case HINT_MEASUREMENT_STARTED:
            m_pLevelChart->ShowGraph(m_nLevelGraph);
            m_pSlopeChart->ShowGraph(m_nSlopeGraph);
            break;
        case HINT_MEASUREMENT_STOPPED:
            // Curves and lamps describe the running measurement: a stopped one shows none.
            m_pLevelChart->SetGraphData(nullptr, nullptr, false, 0, m_nLevelGraph);
            m_pSlopeChart->SetGraphData(nullptr, nullptr, false, 0, m_nSlopeGraph);
            m_pLevelChart->HideGraph(m_nLevelGraph);
            m_pSlopeChart->HideGraph(m_nSlopeGraph);
            SetLamps(false, false);
            m_bDirty = true;
            break;
        default:
            break;
    }
}

void CQualityView::OnRefresh() {
    if (m_bDirty) {
        m_bDirty = false;
        m_pLevelChart->DrawData();
        m_pSlopeChart->DrawData();
    }
}

}  // namespace tavik
