#pragma once

#include <array>

#include "ui/MeasurementView.h"

class QButtonGroup;

namespace tavik {

class CDisplay;

// The MPX spectrum page: the spectrum with its red peak hold, fixed lines at the pilot and
// the stereo, RDS and ARI carriers, the choice of window function and "Clear Peak Hold".
class CSpectrumView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;
    static constexpr int kBins = 1025;
    static constexpr float kFloor = -90.0f;  // dBr, bottom of the axis

    CSpectrumView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CSpectrumView() override;

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    void SetWindowFunction(int window);
    int GetWindowFunction() const { return m_nWindowFunction; }
    const CDisplay& GetChart() const { return *m_pChart; }
    const std::array<float, kBins>& GetSpectrum() const { return m_spectrum; }
    const std::array<float, kBins>& GetPeakHold() const { return m_peakHold; }

protected:
    void OnRefresh() override;

private:
    QWidget* CreateForm();
    void ResetArrays();

    CDisplay* m_pChart = nullptr;
    QButtonGroup* m_pWindow = nullptr;
    std::array<float, kBins> m_frequencies{};
    std::array<float, kBins> m_spectrum{};
    std::array<float, kBins> m_peakHold{};
    int m_nSpectrumId = 0;
    int m_nPeakHoldId = 0;
    int m_nWindowFunction = 0;
    bool m_bMeasuring = false;
    bool m_bDirty = false;
};

}  // namespace tavik
