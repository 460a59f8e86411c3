#include "ui/DeviationView.h"

#include <algorithm>
#include <span>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "charts/DeviationDisplay.h"
#include "charts/LevelMeter.h"
#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"
#include "ui/MeasurementForm.h"

namespace tavik {

namespace {

constexpr float kMaxLimit = 110.0f;
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kCyan = RGB(0, 255, 255);

// Copies the analyser's values, in order, into the first classes; the rest keep theirs.
void CopyClasses(std::span<const float> values, std::array<float, CDeviationView::kClasses>& out) {
    const std::size_t n = std::min(values.size(), out.size() - 1);
    std::copy_n(values.begin(), n, out.begin());
}

}  // namespace

CDeviationView::CDeviationView(CTAVIKSDIDoc& doc, QWidget* parent)
    : CMeasurementView(doc, parent, kRefreshMs) {
    for (int i = 0; i < kClasses; ++i) {
        m_classes[i] = static_cast<float>(i);
    }
    CreateChart();
    CreateMeter();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pChart, 1);
    layout->addWidget(m_pMeter);
    layout->addWidget(CreateForm());
    LoadSettings();
    SetLimitLines();
    m_pChart->AddLine(LINE_20KHZ, 20.0f, 20.0f, 0.0f, 100.0f, kGreen, 1);
    m_pChart->OnInitialUpdate();
}

CDeviationView::~CDeviationView() = default;

void CDeviationView::CreateChart() {
    m_pChart = new CDeviationDisplay(this);
    m_pChart->SetXRange(0.0f, kMaxLimit);
    m_pChart->SetXUnit(QStringLiteral("kHz"));
    m_pChart->SetXTitle(QStringLiteral("Deviation"));
    m_pChart->SetYRange(0.0f, 100.0f);
    m_pChart->SetYUnit(QStringLiteral("%"));
    m_pChart->SetYTitle(QStringLiteral("Percent"));
    m_pChart->SetTitle(QStringLiteral("MPX Deviation Measurement"));
    m_nRelativeId = m_pChart->AddGraph(m_classes.data(), m_relative.data(), true, kClasses,
                                       QStringLiteral("Relative Distribution"), true);
    m_pChart->SetGraphPen(m_nRelativeId, 1, kCyan);
    m_nAccumulatedId = m_pChart->AddGraph(m_classes.data(), m_accumulated.data(), true, kClasses,
                                          QStringLiteral("Accumulated Distribution"), false);
}

void CDeviationView::CreateMeter() {
    m_pMeter = new CLevelMeter(this);
    m_pMeter->SetMeterTexts(QStringLiteral("kHz"), QStringLiteral("Current\nDeviation"));
    m_pMeter->SetMeterRange(0.0f, kMaxLimit);
    m_pMeter->SetScaleLeft(true);
    m_pMeter->SetScaleMode(3);
    m_pMeter->SetOverloadLamp(false);
    m_pMeter->setMinimumWidth(150);
}

QWidget* CDeviationView::CreateForm() {
    auto* form = new QWidget(this);
    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(0, 0, 0, 0);

    auto* display = new QGroupBox(QStringLiteral("Display Options"), form);
    auto* grid = new QGridLayout(display);
    m_pLimitEdit = new QLineEdit(display);
    m_pLimitEdit->setMaximumWidth(60);
    grid->addWidget(new QLabel(QStringLiteral("Deviation Limit:"), display), 0, 0);
    grid->addWidget(m_pLimitEdit, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("kHz"), display), 0, 2);
    m_pTriangle = new QCheckBox(QStringLiteral("Limit Triangle"), display);
    m_pTriangle->setToolTip(QStringLiteral("10% / 10kHz Triangle"));
    grid->addWidget(m_pTriangle, 1, 0, 1, 3);
    column->addWidget(display);

    auto* options = new QGroupBox(QStringLiteral("Measurement Options"), form);
    auto* optionsLayout = new QVBoxLayout(options);
    m_pFilter = new QCheckBox(QStringLiteral("Use Filter"), options);
    m_pFilter->setToolTip(QStringLiteral("Peak Filter (1e-3)"));
    optionsLayout->addWidget(m_pFilter);
    column->addWidget(options);

    m_pMaximumCaption = new QLabel(QStringLiteral("Maximum Deviation:"), form);
    m_pMaximum = MakeValueField(form);
    m_pMaximumCaption->setEnabled(false);
    m_pMaximum->setEnabled(false);
    column->addWidget(m_pMaximumCaption);
    column->addWidget(m_pMaximum);
    column->addStretch(1);

    connect(m_pLimitEdit, &QLineEdit::editingFinished, this, &CDeviationView::OnLimitEdited);
    connect(m_pTriangle, &QCheckBox::toggled, this, [this](bool on) {
        m_bTriangle = on;
        SetLimitLines();
        WriteSettings();
    });
    connect(m_pFilter, &QCheckBox::toggled, this, [this](bool on) {
        m_bFilter = on;
        WriteSettings();
    });
    return form;
}

// The form from the document's deviation settings (hint 0 and construction).
void CDeviationView::LoadSettings() {
    const CProtocolHeader& header = GetDocument().GetProtocolHeaderRef();
    m_fLimit = header.m_fDeviationLimit;
    m_bTriangle = header.m_bLimitTriangle != 0;
    m_bFilter = header.m_bFilter != 0;
    const QSignalBlocker blockTriangle(m_pTriangle);
    const QSignalBlocker blockFilter(m_pFilter);
    m_pLimitEdit->setText(QString::number(static_cast<double>(m_fLimit)));
    m_pTriangle->setChecked(m_bTriangle);
    m_pFilter->setChecked(m_bFilter);
    m_pMeter->SetAlarmMark(true, false, static_cast<int>(m_fLimit));
}

// Writes changed switches and limit back to the document and marks it modified.
void CDeviationView::WriteSettings() {
    CTAVIKSDIDoc& doc = GetDocument();
    CProtocolHeader header;
    doc.GetProtocolHeader(header);
    const std::int32_t triangle = m_bTriangle ? 1 : 0;
    const std::int32_t filter = m_bFilter ? 1 : 0;
    if (header.m_fDeviationLimit == m_fLimit && header.m_bLimitTriangle == triangle &&
        header.m_bFilter == filter) {
        return;
    }
    header.m_fDeviationLimit = m_fLimit;
    header.m_bLimitTriangle = triangle;
    header.m_bFilter = filter;
    doc.SetDeviationOptions(header);
    doc.SetModifiedFlag();
}

// The finished entry (Enter or leaving the field): a value outside 0..110 puts the last valid
// one back and says the range. Checking each keystroke would apply "12" on the way to a
// refused "120".
void CDeviationView::OnLimitEdited() {
    bool ok = false;
    const float value = m_pLimitEdit->text().trimmed().toFloat(&ok);
    if (!ok || !(value >= 0.0f && value <= kMaxLimit)) {
        // Put back first: the box takes the focus, which finishes the entry once more.
        m_pLimitEdit->setText(QString::number(static_cast<double>(m_fLimit)));
        GetDocument().GetPrompt().MessageBox(
            "The deviation limit must be a number from 0 to 110 kHz.", MB_ICONEXCLAMATION);
        return;
    }
    if (value == m_fLimit) {
        return;
    }
    m_fLimit = value;
    WriteSettings();
    SetLimitLines();
    m_pMeter->SetAlarmMark(true, true, static_cast<int>(m_fLimit));
}

// Line 1 from (limit, 10) up; line 2 below it, vertical or the triangle's slant.
void CDeviationView::SetLimitLines() {
    const float footX = m_bTriangle ? m_fLimit + 10.0f : m_fLimit;
    if (m_pChart->FindLine(LINE_LIMIT) == nullptr) {
        m_pChart->AddLine(LINE_LIMIT, m_fLimit, m_fLimit, 10.0f, 100.0f, kRed, 1);
    }
    if (m_pChart->FindLine(LINE_LIMIT_FOOT) == nullptr) {
        m_pChart->AddLine(LINE_LIMIT_FOOT, footX, m_fLimit, 0.0f, 10.0f, kRed, 1);
    }
    m_pChart->SetLine(LINE_LIMIT, m_fLimit, m_fLimit, 10.0f, 100.0f);
    m_pChart->SetLine(LINE_LIMIT_FOOT, footX, m_fLimit, 0.0f, 10.0f);
    m_pChart->DrawData();
}

void CDeviationView::OnResult(const CAnalyserResult& result) {
    if (const auto* relative = result.Get<EResultCode::DeviationRelative>()) {
        CopyClasses(*relative, m_relative);
        m_bDirty = true;
    } else if (const auto* accumulated = result.Get<EResultCode::DeviationAccumulated>()) {
        CopyClasses(*accumulated, m_accumulated);
        m_bDirty = true;
    } else if (const float* peak = result.Get<EResultCode::DeviationPeak>()) {
        m_pMeter->SetLevel(*peak);
    } else if (const float* maximum = result.Get<EResultCode::DeviationMax>()) {
        m_pMaximum->setText(FormatValue("%.2fkHz", static_cast<double>(*maximum)));
    }
}

void CDeviationView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case 0:
            LoadSettings();
            SetLimitLines();
            break;
        case HINT_MEASUREMENT_STARTED:
            OnStarted();
            break;
        case HINT_MEASUREMENT_STOPPED:
            OnStopped();
            break;
        default:
            break;
    }
}

void CDeviationView::OnStarted() {
    m_bMeasuring = true;
    m_pChart->ShowGraph(m_nRelativeId);
    m_pChart->ShowGraph(m_nAccumulatedId);
    m_pMeter->SetPeakHold(true, 0);
    m_pMeter->SetMeterActive(true);
    m_pMaximumCaption->setEnabled(true);
    m_pMaximum->setEnabled(true);
    m_pFilter->setEnabled(false);
}

void CDeviationView::OnStopped() {
    m_bMeasuring = false;
    m_pChart->HideGraph(m_nRelativeId);
    m_pChart->HideGraph(m_nAccumulatedId);
    m_relative.fill(0.0f);
    m_accumulated.fill(0.0f);
    m_pChart->DrawData();
    m_pMeter->SetPeakHold(false, 0);
    m_pMeter->SetLevel(0.0f);
    m_pMeter->ResetPeak();
    m_pMeter->SetMeterActive(false);
    m_pMaximumCaption->setEnabled(false);
    m_pMaximum->setEnabled(false);
    m_pMaximum->clear();
    m_pFilter->setEnabled(true);
    m_bDirty = false;
}

void CDeviationView::OnRefresh() {
    if (m_bDirty && m_bMeasuring) {
        m_bDirty = false;
        m_pChart->DrawData();
    }
}

}  // namespace tavik
