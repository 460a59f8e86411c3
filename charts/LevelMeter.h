#pragma once

#include <vector>

#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "charts/ChartGeometry.h"
#include "charts/Colors.h"
#include "charts/DrawingFailure.h"
#include "charts/LevelMeterScale.h"

namespace tavik {

class CPrompt;

// A vertical bar meter of 120 segments with a printed scale, for the current MPX power and
// deviation: fast rise and slow fall, a peak marker held for a set time, an overload lamp lit
// for 5 s when the value reaches the top, and coloured warning and alarm zones.
//
// The three window timers are QTimers; each expiry calls OnTimer with the timer's id, which
// tests call directly to step the ballistics without waiting. The meter repaints only when
// what it shows changes. User-interface thread only.
class CLevelMeter : public QWidget {
    Q_OBJECT

public:
    enum : int {
        TIMER_OVERLOAD = 111,   // clears the overload lamp
        TIMER_ANIMATION = 112,  // next ballistics step
        TIMER_PEAK = 115,       // drops the peak marker
    };
    static constexpr int kOverloadMs = 5000;
    static constexpr int kAnimationMs = 40;
    static constexpr int kFallPerStep = 3;  // segments per animation step downwards

    explicit CLevelMeter(QWidget* parent = nullptr);
    ~CLevelMeter() override;

    // Takes a value (ignored while inactive); in scale mode 2 a dBr value, shifted by +10.
    void SetLevel(float value);
    // Accepted only when minimum < maximum.
    bool SetMeterRange(float minimum, float maximum);
    // 0: 0..100; 1: -50..+5 dB; 2: -10..+10 dBr; 3: the set range.
    void SetScaleMode(int mode);
    void SetMeterTexts(const QString& unit, const QString& title);
    // A hold time of 0 keeps the peak until ResetPeak.
    void SetPeakHold(bool on, int holdMs);
    void ResetPeak();
    void SetAlarmMark(bool zoneOn, bool labelOn, int value);
    void SetWarningMark(bool markOn, bool colorOn, int value);
    void SetMeterActive(bool on) { m_bActive = on; }
    void SetScaleLeft(bool on);
    void SetScaleVisible(bool on);
    void SetOverloadLamp(bool on);
    void SetPrompt(CPrompt* prompt) { m_reporter.SetPrompt(prompt); }

    // A timer's expiry.
    void OnTimer(int id);
    bool IsTimerActive(int id) const;
    int TimerInterval(int id) const;

    // Paints the meter into `pDC` over `rc` (widget, image, printer, PDF).
    void Render(QPainter* pDC, const QRect& rc);

    int GetSegments() const { return m_nSegments; }
    int GetShownSegments() const { return m_nShownSegments; }
    int GetTargetSegments() const { return m_nTargetSegments; }
    int GetPeakSegment() const { return m_nPeakSegment; }
    bool IsOverload() const { return m_bOverload; }
    float GetValue() const { return m_fValue; }
    float GetMinimum() const { return m_fMinimum; }
    float GetMaximum() const { return m_fMaximum; }
    int GetScaleMode() const { return m_nScaleMode; }
    int GetAlarmSegment() const { return m_nAlarmSegment; }
    int GetWarningSegment() const { return m_nWarningSegment; }
    bool IsWarningMark() const { return m_bWarningMark; }
    const SMeterScale& GetScale() const { return m_scale; }
    // The scale labels drawn now: with the alarm label on, those it would overlap give way.
    std::vector<SScaleLabel> ShownScaleLabels() const;
    // The bar of the meter rectangle (the widget's size after a resize).
    SRect GetBarRect() const { return m_rcBar; }
    // The colour a segment is drawn in now (0x00BBGGRR).
    COLORREF SegmentColor(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int kTextGap = 3;  // between the bar and its scale texts

    void Animate();
    void RebuildScale();
    void MeasureTexts();
    void SetMeterRect(const SRect& meter);
    void PaintMeter(QPainter& dc, QSize size);
    void DrawScaleText(QPainter& dc, int segment, const QString& text, int width);
    int ScaleTextTop(int segment) const;
    const QTimer* Timer(int id) const;

    bool m_bActive = false;
    int m_nPeakHoldTime = 0;  // ms
    int m_nTickStep = 0;
    int m_nTickOffset = 0;
    int m_nPeakSegment = 0;
    bool m_bScaleLeft = false;
    bool m_bScaleVisible = true;
    bool m_bAlarmLabel = false;
    QFont m_font;
    int m_nSegments = kMeterSegments;
    bool m_bOverload = false;
    bool m_bWarningColor = true;
    bool m_bWarningMark = true;
    bool m_bAlarmZone = true;
    bool m_bOverloadLamp = false;
    QTimer m_timerAnimation;
    QTimer m_timerOverload;
    QTimer m_timerPeak;
    int m_nScaleMode = 0;
    bool m_bPeakOn = false;
    int m_nAlarmValue = 90;
    int m_nAlarmSegment = 108;
    int m_nWarningValue = 80;
    int m_nWarningSegment = 96;
    QString m_strTitle;
    QString m_strUnit;
    int m_nShownSegments = 1;
    int m_nBarWidth = 15;
    float m_fMinimum = 0.0f;
    float m_fMaximum = 100.0f;
    float m_fValue = 0.0f;
    int m_nTargetSegments = 0;
    SRect m_rcBar;
    SRect m_rcMeter;
    int m_nLabelSpace = 0;       // left of the bar for the widest scale label, 0 without
    int m_nTitleExtraLines = 0;  // title lines beyond the first

    SMeterScale m_scale;  // marks and labels of the scale mode
    CDrawingFailureReporter m_reporter;
};

}  // namespace tavik
