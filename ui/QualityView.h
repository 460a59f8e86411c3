#pragma once

#include <vector>

#include "ui/MeasurementView.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tavik {

struct CReception;

class CDisplay;
class CMultipathResult;

// The signal quality page: whether the ITU-R measurement conditions hold (RF level and
// multipath value), the fitted RF level against deviation and its derivative, the segment
// peaks of the last multipath pass, the RDS bit error rate, and the multipath calibration.
class CQualityView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;

    CQualityView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CQualityView() override;

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    // A new multipath result (HINT_MULTIPATH_RESULT).
    void OnMultipathResult(const CMultipathResult& result);

    const QLabel& GetLevelText() const { return *m_pLevel; }
    const QLabel& GetMultipathText() const { return *m_pMultipath; }
    const QLabel& GetStatusText() const { return *m_pDataStatus; }
    const QLabel& GetBitErrorRateText() const { return *m_pBitErrorRate; }
    const QLabel& GetReceptionText() const { return *m_pReception; }
    const QListWidget& GetSegmentPeaks() const { return *m_pPeaks; }
    bool IsOkLampOn() const { return m_bOk; }
    bool IsStopLampOn() const { return m_bStop; }
    const CDisplay& GetLevelChart() const { return *m_pLevelChart; }
    const CDisplay& GetSlopeChart() const { return *m_pSlopeChart; }
    QPushButton& GetCalibrateButton() const { return *m_pCalibrate; }
    QPushButton& GetResetButton() const { return *m_pReset; }

protected:
    void OnRefresh() override;

private:
    QWidget* CreateForm();
    void SetToolTips();
    CDisplay* CreateChart(const char* title, const char* graph, const char* yTitle,
                          const char* yUnit, float yMin, float yMax, int penWidth, int* graphId);
    void SetLamps(bool ok, bool stop);
    // How a software receiver receives: C/N, frequency error, the converter's overload; a
    // carrier that is not there, or too weak for the conditions, says so in the data status.
    void OnReception(const CReception& reception);

    CDisplay* m_pLevelChart = nullptr;
    CDisplay* m_pSlopeChart = nullptr;
    int m_nLevelGraph = 0;
    int m_nSlopeGraph = 0;
    std::vector<float> m_deviation;  // kHz, the last result's grid
    std::vector<float> m_levelFit;   // dBuV
    std::vector<float> m_slope;      // %/kHz
    QLabel* m_pOkLamp = nullptr;
    QLabel* m_pStopLamp = nullptr;
    QLabel* m_pLevel = nullptr;
    QLabel* m_pMultipath = nullptr;
    QLabel* m_pBitErrorRate = nullptr;
    QLabel* m_pDataStatus = nullptr;
    QLabel* m_pReception = nullptr;
    QGroupBox* m_pReceptionBox = nullptr;
    QListWidget* m_pPeaks = nullptr;
    QListWidget* m_pUnused = nullptr;
    QPushButton* m_pCalibrate = nullptr;
    QPushButton* m_pReset = nullptr;
    bool m_bOk = false;
    bool m_bStop = false;
    bool m_bSettled = false;
    bool m_bDirty = false;
};

}  // namespace tavik
