#pragma once

#include <vector>

#include "ui/MeasurementView.h"

class QButtonGroup;
class QLabel;

namespace tavik {

class CDisplay;
class CLevelMeter;

// The x-axis span in seconds for a display-range radio (0 auto, 1 last minute, 2 last 10
// mins, 3 last 60 mins) and the number of values in the history: auto grows from a minute to
// 10 minutes to an hour as the history fills.
int PowerSpanSeconds(int range, int count);

// The MPX power page: the history of 60-second MPX power values (newest at x = 0) over the
// chosen span, a level meter of the current 1-second power, and the current 1 s and 60 s
// values as numbers beside it.
class CPMPXView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;
    static constexpr int kMaxValues = 3600;

    CPMPXView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CPMPXView() override;

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    // Chooses the span (auto mode), rebuilds the time axis and hands the data to the chart.
    void ApplySpan();
    void SetDisplayRange(int range);
    int GetDisplayRange() const { return m_nDisplayRange; }
    int GetSpan() const { return m_nSpan; }
    bool IsMinutes() const { return m_bMinutes; }
    const CDisplay& GetChart() const { return *m_pChart; }
    const CLevelMeter& GetMeter() const { return *m_pMeter; }
    const std::vector<float>& GetTimes() const { return m_times; }
    const QLabel& GetOneSecondText() const { return *m_pOneSecond; }
    const QLabel& GetMinuteText() const { return *m_pMinute; }

    // "%.2f dBr"; a silent input's minus infinity as such; "—" for no value.
    static QString FormatPower(float dBr);

protected:
    void OnRefresh() override;

private:
    QWidget* CreateForm();
    QWidget* CreateValues();
    void OnStopped();

    CDisplay* m_pChart = nullptr;
    CLevelMeter* m_pMeter = nullptr;
    QButtonGroup* m_pRange = nullptr;
    QLabel* m_pOneSecond = nullptr;
    QLabel* m_pMinute = nullptr;
    std::vector<float> m_values;  // dBr, newest first
    std::vector<float> m_times;   // s, or min with the minute flag
    int m_nDisplayRange = 0;
    int m_nSpan = 60;
    bool m_bMinutes = false;
    int m_nGraphId = 0;
    bool m_bMeasuring = false;
    bool m_bDirty = false;
};

}  // namespace tavik
