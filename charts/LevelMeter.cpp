#include "charts/LevelMeter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QResizeEvent>

#include "charts/ChartFonts.h"

namespace tavik {

CLevelMeter::CLevelMeter(QWidget* parent)
    : QWidget(parent), m_font(MakeChartFont(QStringLiteral("Arial"), 14, 300)), m_reporter(this) {
    for (QTimer* timer : {&m_timerAnimation, &m_timerOverload, &m_timerPeak}) {
        timer->setSingleShot(true);
    }
    m_timerAnimation.setInterval(kAnimationMs);
    m_timerOverload.setInterval(kOverloadMs);
    connect(&m_timerAnimation, &QTimer::timeout, this, [this] { OnTimer(TIMER_ANIMATION); });
    connect(&m_timerOverload, &QTimer::timeout, this, [this] { OnTimer(TIMER_OVERLOAD); });
    connect(&m_timerPeak, &QTimer::timeout, this, [this] { OnTimer(TIMER_PEAK); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetMeterRect({0, 0, width(), height()});
    RebuildScale();
}

CLevelMeter::~CLevelMeter() = default;

const QTimer* CLevelMeter::Timer(int id) const {
    switch (id) {
        case TIMER_ANIMATION:
            return &m_timerAnimation;
        case TIMER_OVERLOAD:
            return &m_timerOverload;
        case TIMER_PEAK:
            return &m_timerPeak;
        default:
            return nullptr;
    }
}

bool CLevelMeter::IsTimerActive(int id) const {
    const QTimer* timer = Timer(id);
    return timer != nullptr && timer->isActive();
}

int CLevelMeter::TimerInterval(int id) const {
    const QTimer* timer = Timer(id);
    return timer != nullptr ? timer->interval() : 0;
}

void CLevelMeter::SetLevel(float value) {
    if (!m_bActive) {
        return;
    }
    if (m_nScaleMode == 2) {
        value += 10.0f;
    }
    m_fValue = value;
    if (value >= m_fMaximum) {
        m_nTargetSegments = m_nSegments;
        if (!m_bOverload) {
            m_bOverload = true;
            update();
        }
        m_timerOverload.start();
    } else {
        m_nTargetSegments =
            SegmentsForLevel(m_nScaleMode, value, m_fMinimum, m_fMaximum, m_nSegments);
    }
    if (m_nTargetSegments >= m_nPeakSegment && m_nPeakHoldTime > 0) {
        m_timerPeak.start(m_nPeakHoldTime);
    }
    Animate();
}

void CLevelMeter::Animate() {
    const int before = m_nShownSegments;
    if (m_nShownSegments < m_nTargetSegments) {
        m_nShownSegments += std::min(m_nSegments / 5, m_nTargetSegments - m_nShownSegments);
    } else if (m_nShownSegments > m_nTargetSegments) {
        m_nShownSegments -= std::min(kFallPerStep, m_nShownSegments - m_nTargetSegments);
    }
    if (m_nShownSegments == before) {
        m_timerAnimation.stop();  // at rest until the next value
        return;
    }
    // The peak follows the bar upwards.
    m_nPeakSegment = std::max(m_nPeakSegment, m_nShownSegments);
    update();
    m_timerAnimation.start();
}

void CLevelMeter::OnTimer(int id) {
    switch (id) {
        case TIMER_ANIMATION:
            Animate();
            break;
        case TIMER_OVERLOAD:
            m_timerOverload.stop();
            m_bOverload = false;
            update();
            break;
        case TIMER_PEAK:
            m_timerPeak.stop();
            m_nPeakSegment = 0;
            update();
            break;
        default:
            break;
    }
}

bool CLevelMeter::SetMeterRange(float minimum, float maximum) {
    if (!(minimum < maximum)) {
        return false;
    }
    m_fMinimum = minimum;
    m_fMaximum = maximum;
    if (m_nScaleMode == 3) {
        RebuildScale();
    }
    update();
    return true;
}

void CLevelMeter::SetScaleMode(int mode) {
    m_nScaleMode = mode;
    m_fMaximum = std::ceil(m_fMaximum);
    m_fMinimum = std::floor(m_fMinimum);
    switch (mode) {
        case 0:
            m_fMinimum = 0.0f;
            m_fMaximum = 100.0f;
            break;
        case 1:
            m_fMinimum = -50.0f;
            m_fMaximum = 5.0f;
            break;
        case 2:
            // 0..20 inside; the labels every 2 dB need a multiple of 20 segments.
            m_fMinimum = 0.0f;
            m_fMaximum = 20.0f;
            m_nSegments = m_nSegments / 20 * 20;
            break;
        default:
            break;
    }
    RebuildScale();
    SetAlarmMark(m_bAlarmZone, m_bAlarmLabel, m_nAlarmValue);  // rebuilds scale and bar
    update();
}

void CLevelMeter::RebuildScale() {
    const SMode3Ticks ticks = Mode3TickStep(m_fMinimum, m_fMaximum);
    m_nTickStep = ticks.nTickStep;
    m_nTickOffset = ticks.nTickOffset;
    m_scale =
        BuildMeterScale(m_nScaleMode, m_fMinimum, m_fMaximum, m_nSegments, ticks, m_bAlarmLabel);
    MeasureTexts();
}

void CLevelMeter::SetMeterTexts(const QString& unit, const QString& title) {
    m_strUnit = unit;
    m_strTitle = title;
    MeasureTexts();
    update();
}

void CLevelMeter::SetPeakHold(bool on, int holdMs) {
    m_bPeakOn = on;
    m_nPeakHoldTime = std::max(holdMs, 0);
    update();
}

void CLevelMeter::ResetPeak() {
    m_nPeakSegment = 0;
    update();
}

void CLevelMeter::SetAlarmMark(bool zoneOn, bool labelOn, int value) {
    m_bAlarmZone = zoneOn;
    m_bAlarmLabel = labelOn;
    m_nAlarmValue = value;
    // The range test sees the value as the meter does: shifted by +10 in mode 2.
    const float seen = m_nScaleMode == 2 ? value + 10.0f : static_cast<float>(value);
    // At or beyond the range's ends the zone is the whole bar or nothing, never the last one.
    if (m_fMinimum < seen && seen < m_fMaximum) {
        m_nAlarmSegment = ZoneSegment(m_nScaleMode, value, m_fMinimum, m_fMaximum, m_nSegments);
    } else {
        m_nAlarmSegment = seen <= m_fMinimum ? 0 : m_nSegments;
    }
    RebuildScale();  // mode 1 prints its "0" only without the alarm label
    update();
}

void CLevelMeter::SetWarningMark(bool markOn, bool colorOn, int value) {
    m_bWarningMark = markOn && m_nScaleMode != 1;
    m_bWarningColor = colorOn;
    m_nWarningValue = value;
    m_nWarningSegment = ZoneSegment(m_nScaleMode, value, m_fMinimum, m_fMaximum, m_nSegments);
    update();
}

void CLevelMeter::SetScaleLeft(bool on) {
    m_bScaleLeft = on;
    MeasureTexts();
    update();
}

void CLevelMeter::SetScaleVisible(bool on) {
    m_bScaleVisible = on;
    update();
}

void CLevelMeter::SetOverloadLamp(bool on) {
    m_bOverloadLamp = on;
    update();
}

// Room for the texts in the meter's font, measured when they change (not on every paint): the
// widest left-hand label and the title's further lines move the bar right and down, so that
// nothing is cut at the meter's edges.
void CLevelMeter::MeasureTexts() {
    const QFontMetrics metrics(m_font);
    m_nLabelSpace = 0;
    if (m_bScaleLeft) {
        for (const SScaleLabel& label : m_scale.labels) {
            m_nLabelSpace = std::max(m_nLabelSpace, metrics.horizontalAdvance(label.strText));
        }
        if (m_bAlarmLabel) {
            m_nLabelSpace =
                std::max(m_nLabelSpace, metrics.horizontalAdvance(QString::number(m_nAlarmValue)));
        }
        m_nLabelSpace += kTextGap + 2;
    }
    m_nTitleExtraLines = static_cast<int>(m_strTitle.count(QLatin1Char('\n')));
    SetMeterRect(m_rcMeter);
}

void CLevelMeter::SetMeterRect(const SRect& meter) {
    m_rcMeter = meter;
    m_rcBar = MeterBarRect(meter, m_nSegments, m_bScaleLeft, m_nBarWidth, m_nLabelSpace,
                           m_nTitleExtraLines * QFontMetrics(m_font).height());
}

void CLevelMeter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SetMeterRect({0, 0, width(), height()});
}

}  // namespace tavik
