#pragma once

#include "platform/MpxReadings.h"
#include "ui/MeasurementView.h"

class QAction;
class QLabel;
class QToolButton;

namespace tavik {

class CPpmMeter;
struct SMpxReadingTexts;

// The stereo and audio page: peak meters of the decoded programme (L, R, M = (L + R) / 2,
// S = (L - R) / 2, dB of full modulation, with their holds) and the readings of each second:
// the pilot's deviation and frequency error, the RDS subcarrier's deviation, the balance and the
// silence state; and a button that listens to the programme (the main frame's Listen action).
class CStereoAudioView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;

    CStereoAudioView(CTAVIKSDIDoc& doc, QWidget* parent);

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    // One second's readings; ShowNoReadings returns every field to "—".
    void ShowReadings(const CMpxReadings& readings);
    void ShowNoReadings();
    // The Listen button takes `action` (checkable; the toolbar holds it too).
    void SetListenAction(QAction* action);

    const CPpmMeter& GetMeter() const { return *m_pMeter; }
    const QLabel& GetPilotText() const { return *m_pPilot; }
    const QLabel& GetPilotErrorText() const { return *m_pPilotError; }
    const QLabel& GetRdsText() const { return *m_pRds; }
    const QLabel& GetBalanceText() const { return *m_pBalance; }
    const QLabel& GetSilenceText() const { return *m_pSilence; }
    QToolButton& GetListenButton() const { return *m_pListen; }

protected:
    void OnRefresh() override {}

private:
    QWidget* CreateReadings();
    void SetToolTips();
    void ShowTexts(const SMpxReadingTexts& texts);

    CPpmMeter* m_pMeter = nullptr;
    QLabel* m_pPilot = nullptr;
    QLabel* m_pPilotError = nullptr;
    QLabel* m_pRds = nullptr;
    QLabel* m_pBalance = nullptr;
    QLabel* m_pSilence = nullptr;
    QToolButton* m_pListen = nullptr;
};

}  // namespace tavik
