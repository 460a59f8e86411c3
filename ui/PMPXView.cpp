#include "ui/PMPXView.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "charts/Display.h"
#include "charts/LevelMeter.h"
#include "document/Hints.h"
#include "platform/AnalyserResult.h"
#include "ui/MeasurementForm.h"

namespace tavik {

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

}  // namespace

int PowerSpanSeconds(int range, int count) {
    switch (range) {
        case 1:
            return 60;
        case 2:
            return 600;
        case 3:
            return 3600;
        default:
            if (count < 60) {
                return 60;
            }
            return count < 600 ? 600 : 3600;
    }
}

CPMPXView::CPMPXView(CTAVIKSDIDoc& doc, QWidget* parent)
    : CMeasurementView(doc, parent, kRefreshMs), m_values(1, 0.0f), m_times(1, 0.0f) {
    m_values.reserve(kMaxValues);
    m_times.reserve(kMaxValues);

    m_pChart = new CDisplay(this);
    m_pChart->setObjectName(QStringLiteral("PMPX Display"));
    m_pChart->SetYRange(-10.0f, 10.0f);
    m_pChart->SetYUnit(QStringLiteral("dBr"));
    m_pChart->SetYTitle(QStringLiteral("MPX Power"));
    m_pChart->SetXTitle(QStringLiteral("Time"));
    m_pChart->SetTitle(QStringLiteral("MPX Power Measurement"));
    m_pChart->SetXRange(0.0f, 60.0f);
    m_pChart->SetXUnit(QStringLiteral("s"));
    m_nGraphId =
        m_pChart->AddGraph(m_times.data(), m_values.data(), true, 1, QStringLiteral("MPX Power"));

    m_pMeter = new CLevelMeter(this);
    m_pMeter->setObjectName(QStringLiteral("PMPX Display"));
    m_pMeter->SetMeterTexts(QStringLiteral("dBr"), QStringLiteral("Current Power"));
    m_pMeter->SetPeakHold(false, 0);
    m_pMeter->SetScaleMode(2);
    m_pMeter->SetAlarmMark(false, false, 10);
    m_pMeter->SetWarningMark(false, false, 10);
    m_pMeter->SetScaleLeft(true);
    m_pMeter->setMinimumWidth(150);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pChart, 1);
    layout->addWidget(m_pMeter);
    auto* column = new QVBoxLayout;
    column->addWidget(CreateValues());
    column->addWidget(CreateForm(), 1);
    layout->addLayout(column);
    m_pChart->OnInitialUpdate();
}

QString CPMPXView::FormatPower(float dBr) {
    if (std::isnan(dBr)) {
        return QStringLiteral("\u2014");
    }
    if (std::isinf(dBr)) {
        return dBr < 0.0f ? QStringLiteral("\u2212\u221e dBr") : QStringLiteral("\u221e dBr");
    }
    return FormatValue("%.2f dBr", static_cast<double>(dBr));
}

// The numbers the bar and the chart show, to read at a glance: the MPX power of the last
// second and the 60-second value the ITU-R BS.412 limit (+3 dBr) applies to.
QWidget* CPMPXView::CreateValues() {
    auto* box = new QGroupBox(QStringLiteral("MPX Power:"), this);
    auto* grid = new QGridLayout(box);
    m_pOneSecond = MakeValueField(box, FormatPower(kNoValue));
    m_pMinute = MakeValueField(box, FormatPower(kNoValue));
    m_pOneSecond->setObjectName(QStringLiteral("power 1 s"));
    m_pMinute->setObjectName(QStringLiteral("power 60 s"));
    m_pOneSecond->setToolTip(QStringLiteral(
        "MPX power of the last second (10 blocks of 100 ms), dBr: 0 dBr is the power of a "
        "sine tone of 19 kHz peak deviation; the bar shows the same value"));
    m_pMinute->setToolTip(QStringLiteral(
        "MPX power over the last 60 seconds, renewed every second, dBr: the value the ITU-R "
        "BS.412 limit of +3 dBr applies to; shown once a minute has been measured"));
    grid->addWidget(new QLabel(QStringLiteral("1 s"), box), 0, 0);
    grid->addWidget(m_pOneSecond, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("60 s"), box), 1, 0);
    grid->addWidget(m_pMinute, 1, 1);
    return box;
}

CPMPXView::~CPMPXView() = default;

QWidget* CPMPXView::CreateForm() {
    auto* box = new QGroupBox(QStringLiteral("Display Range:"), this);
    auto* column = new QVBoxLayout(box);
    m_pRange = new QButtonGroup(box);
    const char* const names[] = {"auto", "last minute", "last 10 mins", "last 60 mins"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(names[i]), box);
        m_pRange->addButton(radio, i);
        column->addWidget(radio);
    }
    m_pRange->button(0)->setChecked(true);
    auto* all = new QPushButton(QStringLiteral("all data"), box);
    all->hide();
    column->addWidget(all);
    column->addStretch(1);
    connect(m_pRange, &QButtonGroup::idClicked, this, &CPMPXView::SetDisplayRange);
    return box;
}

void CPMPXView::SetDisplayRange(int range) {
    m_nDisplayRange = range;
    if (QAbstractButton* radio = m_pRange->button(range)) {
        radio->setChecked(true);
    }
    ApplySpan();
}

void CPMPXView::ApplySpan() {
    const int count = static_cast<int>(m_values.size());
    m_nSpan = PowerSpanSeconds(m_nDisplayRange, count);
    m_bMinutes = m_nSpan > 60;
    const float scale = m_bMinutes ? 1.0f / 60.0f : 1.0f;
    m_times.resize(m_values.size());
    for (int i = 0; i < count; ++i) {
        m_times[i] = static_cast<float>(i) * scale;
    }
    m_pChart->SetXRange(0.0f, static_cast<float>(m_bMinutes ? m_nSpan / 60 : m_nSpan));
    m_pChart->SetXUnit(m_bMinutes ? QStringLiteral("min") : QStringLiteral("s"));
    if (m_bMeasuring) {
        m_pChart->ShowGraph(m_nGraphId);
    }
    m_pChart->SetGraphData(m_times.data(), m_values.data(), true, count, m_nGraphId);
    m_pChart->DrawData();
}

void CPMPXView::OnResult(const CAnalyserResult& result) {
    if (const auto* history = result.Get<EResultCode::PowerHistory>()) {
        const std::size_t n = std::min<std::size_t>(history->size(), kMaxValues);
        if (n == 0) {
            return;
        }
        m_values.assign(history->begin(), history->begin() + static_cast<std::ptrdiff_t>(n));
        m_pMinute->setText(FormatPower(m_values.front()));
        m_bDirty = true;
    } else if (const float* power = result.Get<EResultCode::Power1s>()) {
        m_pMeter->SetLevel(*power);
        m_pOneSecond->setText(FormatPower(*power));
    }
}

void CPMPXView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case 0:
            SetDisplayRange(0);
            break;
        case HINT_MEASUREMENT_STARTED:
            m_bMeasuring = true;
            m_pMeter->SetMeterActive(true);
            break;
        case HINT_MEASUREMENT_STOPPED:
            OnStopped();
            break;
        default:
            break;
    }
}

void CPMPXView::OnStopped() {
    m_bMeasuring = false;
    m_bDirty = false;
    m_values.assign(1, 0.0f);
    m_pChart->HideGraph(m_nGraphId);
    m_nDisplayRange = 0;
    m_pRange->button(0)->setChecked(true);
    ApplySpan();
    m_pMeter->SetLevel(-10.0f);
    m_pMeter->SetMeterActive(false);
    m_pOneSecond->setText(FormatPower(kNoValue));
    m_pMinute->setText(FormatPower(kNoValue));
}

void CPMPXView::OnRefresh() {
    if (m_bDirty && m_bMeasuring) {
        m_bDirty = false;
        ApplySpan();
    }
}

}  // namespace tavik
