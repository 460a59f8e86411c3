#pragma once

#include <array>
#include <vector>

#include <QString>

#include "document/PanoramaView.h"
#include "document/TAVIKSDIDoc.h"
#include "ui/GuiMessageTarget.h"
#include "ui/ItemView.h"

class QButtonGroup;
class QLineEdit;
class QHBoxLayout;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tavik {

class CDisplay;

// The "Measurement Parameter" page: the tuned frequency and antenna input ("Set"), the RF
// panorama scan ("From:", "To:", "Step Size:", "Scan"/"Stop", progress) with its chart, and the
// stereo decoder's settings (de-emphasis, silence threshold and duration, "Apply"). The
// document's scan thread reports points and its end through CPanoramaView on its own thread;
// the view hands them to the user-interface thread, where the chart is fed and repainted.
class CSettingsView final : public CItemView, public CPanoramaView {
    Q_OBJECT

public:
    static constexpr float kLowest = 87.5f;     // MHz, band limits
    static constexpr float kHighest = 108.0f;   // MHz
    static constexpr float kTuneGrid = 0.025f;  // MHz
    static constexpr float kMinSpan = 0.2f;     // MHz between scan from and the top, and so on
    static constexpr std::array<float, 3> kSteps = {0.025f, 0.05f, 0.1f};
    static constexpr int kDecoderTop = 140;
    static constexpr int kChartTop = 200;
    static constexpr float kLowestLevel = 25.0f;  // dBuV, the panorama's range
    static constexpr float kHighestLevel = 100.0f;

    CSettingsView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CSettingsView() override;

    void OnUpdate(CView* sender, long hint, void* object) override;

    // The value put on the grid within low..high: the top is truncated to the grid, the bottom
    // rounded up from 0.1 grid steps below a grid point, anything between rounded to nearest.
    static float ClampAndRound(float value, float low, float high, float grid);

    void OnSet();
    void OnScan();
    void OnEnter();
    void OnSpinFrequency(int delta);
    void OnSpinFrom(int delta);
    void OnSpinTo(int delta);
    // The decoder's fields to the document, after the setup's rules; false after a message.
    bool OnApplyDecoder();

    // Scan thread.
    void AddPanoramaPoint(const float* frequencies, const float* levels, int count) override;
    void OnScanFinished() override;

    // Several stations of one receiver: each marked on the panorama by a vertical line, the
    // page's own (`own`, an index) drawn wider; lines outside the scan's range are left out.
    // The station stays on its channel of the shared receiver: the frequency cannot be set and
    // the band is not scanned (the scan would take the receiver from the other stations).
    void SetStationMarks(std::vector<float> megahertz, int own);
    const std::vector<float>& GetStationMarks() const { return m_stationMarks; }

    bool IsScanning() const { return m_bScanning; }
    int GetPointCount() const { return m_nPointCount; }
    float GetScanFrom() const { return m_fScanFrom; }
    float GetScanTo() const { return m_fScanTo; }
    float GetFrequency() const { return m_fFrequency; }
    CDisplay& GetChart() { return *m_pChart; }
    CGuiMessageTarget& GetWindow() { return m_window; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateTunerControls();
    void CreateScanControls();
    void CreateChart();
    void CreateDecoderControls();
    void WriteDecoder();
    // Dialog data exchange: edits to members (false after a message box) and back.
    bool ReadEdits();
    void WriteEdits();
    void OnStepChanged(int index);
    void OnAntennaChanged(int index);
    // Locks the controls; `scanButton` also the "Scan"/"Stop" button.
    void Lock(bool locked, bool scanButton);
    void ShowPoint(float frequency, float level, int count);
    void EndScan();
    void OnPanoramaNotice(const CMessage& message);
    void ShowError(const std::string& text);
    void ShowStationMarks();
    void KeepSharedReceiver();  // the tuning and the scan off with several stations

    QLineEdit* m_pFrequencyEdit = nullptr;
    QSpinBox* m_pFrequencySpin = nullptr;
    QButtonGroup* m_pAntennas = nullptr;
    QPushButton* m_pSet = nullptr;
    QLineEdit* m_pFromEdit = nullptr;
    QSpinBox* m_pFromSpin = nullptr;
    QLineEdit* m_pToEdit = nullptr;
    QSpinBox* m_pToSpin = nullptr;
    QButtonGroup* m_pSteps = nullptr;
    QPushButton* m_pScan = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QHBoxLayout* m_pTopLayout = nullptr;  // the receiver and scan groups
    QHBoxLayout* m_pDecoderLayout = nullptr;
    QButtonGroup* m_pDeemphasis = nullptr;  // 0: 50 us, 1: 75 us
    QLineEdit* m_pSilenceDbEdit = nullptr;
    QLineEdit* m_pSilenceSecondsEdit = nullptr;
    QPushButton* m_pApplyDecoder = nullptr;
    CDisplay* m_pChart = nullptr;
    int m_nGraph = 0;
    std::vector<float> m_stationMarks;  // MHz
    int m_nOwnStation = -1;

    int m_nStep = 2;
    int m_nAntenna = 0;
    float m_fFrequency = 106.7f;
    float m_fScanFrom = kLowest;
    float m_fScanTo = kHighest;
    float m_fStep = 0.1f;
    bool m_bScanning = false;
    int m_nPointCount = 206;
    int m_nProgress = 0;
    // The chart's curve: the user-interface thread's own copy of the points so far.
    std::array<float, CTAVIKSDIDoc::kPanoramaPoints> m_frequencies{};
    std::array<float, CTAVIKSDIDoc::kPanoramaPoints> m_levels{};
    // The scan's notices (1044) arrive here on the user-interface thread.
    CGuiMessageTarget m_window;
};

}  // namespace tavik
