#pragma once

#include <array>

#include "device/TavikControl.h"
#include "ui/MeasurementView.h"

namespace tavik {

class CDisplay;

// The signal scope page: the last 100 ms of the MPX signal (percent of 75 kHz) above the RF
// level (dBuV), each over time in ms. A new block only marks the page; the shown page fetches
// the document's time signals on its refresh tick.
class CSignalView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 500;
    static constexpr int kSamples = GLOBAL_SAMPLE_BUFSIZE;

    CSignalView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CSignalView() override;

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    // Copies the document's time signals and hands them to the charts.
    void FetchSignals();
    const CDisplay& GetMpxChart() const { return *m_pMpxChart; }
    const CDisplay& GetLevelChart() const { return *m_pLevelChart; }

protected:
    void OnRefresh() override;

private:
    CDisplay* CreateChart(const char* name, const char* title, const char* graph,
                          const char* yTitle, const char* yUnit, float yMin, float yMax,
                          const float* samples, int* graphId);

    std::array<float, kSamples> m_times{};
    std::array<float, kSamples> m_mpx{};
    std::array<float, kSamples> m_level{};
    int m_nMpxCount = 0;
    int m_nLevelCount = 0;
    CDisplay* m_pMpxChart = nullptr;
    CDisplay* m_pLevelChart = nullptr;
    int m_nMpxId = 0;
    int m_nLevelId = 0;
    bool m_bMeasuring = false;
    bool m_bDirty = false;
};

}  // namespace tavik
