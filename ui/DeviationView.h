#pragma once

#include <array>

#include "ui/MeasurementView.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tavik {

class CDeviationDisplay;
class CLevelMeter;

// The MPX deviation page: relative and accumulated distribution over the 1 kHz classes with
// the deviation limit (and its 10 % / 10 kHz triangle), a level meter of the current
// deviation and the maximum deviation of the run.
class CDeviationView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;
    static constexpr int kClasses = 111;  // 0..110 kHz
    enum : int { LINE_LIMIT = 1, LINE_LIMIT_FOOT = 2, LINE_20KHZ = 3 };

    CDeviationView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CDeviationView() override;

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    float GetLimit() const { return m_fLimit; }
    QLineEdit& GetLimitEdit() const { return *m_pLimitEdit; }
    QCheckBox& GetTriangleCheck() const { return *m_pTriangle; }
    QCheckBox& GetFilterCheck() const { return *m_pFilter; }
    const QLabel& GetMaximumField() const { return *m_pMaximum; }
    const CDeviationDisplay& GetChart() const { return *m_pChart; }
    const CLevelMeter& GetMeter() const { return *m_pMeter; }
    const std::array<float, kClasses>& GetRelative() const { return m_relative; }

protected:
    void OnRefresh() override;

private:
    void CreateChart();
    void CreateMeter();
    QWidget* CreateForm();
    void LoadSettings();
    void WriteSettings();
    void OnLimitEdited();
    void SetLimitLines();
    void OnStarted();
    void OnStopped();

    std::array<float, kClasses> m_relative{};
    std::array<float, kClasses> m_accumulated{};
    std::array<float, kClasses> m_classes{};
    CDeviationDisplay* m_pChart = nullptr;
    CLevelMeter* m_pMeter = nullptr;
    QLineEdit* m_pLimitEdit = nullptr;
    QCheckBox* m_pTriangle = nullptr;
    QCheckBox* m_pFilter = nullptr;
    QLabel* m_pMaximumCaption = nullptr;
    QLabel* m_pMaximum = nullptr;
    int m_nRelativeId = 0;
    int m_nAccumulatedId = 0;
    float m_fLimit = 75.0f;
    bool m_bTriangle = false;
    bool m_bFilter = false;
    bool m_bMeasuring = false;
    bool m_bDirty = false;
};

}  // namespace tavik
