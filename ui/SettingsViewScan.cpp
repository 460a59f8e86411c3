// The parameter page's actions: the grid rule, tuning and antenna, the spins, and the panorama
// scan with the hand-over of its points from the scan thread.
#include <cmath>

#include <QButtonGroup>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "charts/Colors.h"
#include "charts/Display.h"
#include "ui/SettingsView.h"

namespace tavik {

float CSettingsView::ClampAndRound(float value, float low, float high, float grid) {
    // In single precision, as the values are kept: 108 / 0.025 then gives 4320 grid steps
    // (in double, 0.025f is a little more than 0.025 and the top would fall one step short).
    float steps = 0.0f;
    if (value >= high) {
        steps = std::trunc(high / grid);
    } else if (value <= low) {
        steps = std::trunc(low / grid + 0.9f);
    } else {
        steps = std::trunc(value / grid + 0.5f);
    }
    return steps * grid;
}

bool CSettingsView::ReadEdits() {
    float values[3] = {};
    const QLineEdit* edits[3] = {m_pFrequencyEdit, m_pFromEdit, m_pToEdit};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = edits[i]->text().trimmed().toFloat(&ok);
        if (!ok) {
            GetDocument().GetPrompt().MessageBox("Please enter a number.", MB_ICONEXCLAMATION);
            return false;
        }
    }
    m_fFrequency = values[0];
    m_fScanFrom = values[1];
    m_fScanTo = values[2];
    m_nStep = std::max(0, m_pSteps->checkedId());
    m_nAntenna = std::max(0, m_pAntennas->checkedId());
    return true;
}

void CSettingsView::WriteEdits() {
    const auto text = [](float value) {
        return QString::asprintf("%#7.3f", static_cast<double>(value));
    };
    m_pFrequencyEdit->setText(text(m_fFrequency));
    m_pFromEdit->setText(text(m_fScanFrom));
    m_pToEdit->setText(text(m_fScanTo));
    m_pSteps->button(m_nStep)->setChecked(true);
    m_pAntennas->button(m_nAntenna)->setChecked(true);
}

void CSettingsView::ShowError(const std::string& text) {
    GetDocument().GetPrompt().MessageBox(text, MB_ICONEXCLAMATION);
}

void CSettingsView::OnSet() {
    if (m_bScanning || !ReadEdits()) {
        return;
    }
    // The edit keeps what was typed; the receiver gets the grid point.
    const float frequency = ClampAndRound(m_fFrequency, kLowest, kHighest, kTuneGrid);
    try {
        GetDocument().SetTunerFrequency(frequency);
    } catch (const CGenericException& e) {
        ShowError(CTAVIKSDIDoc::FormatException(e));
    }
    GetDocument().UpdateAllViews(nullptr, HINT_FREQUENCY_CHANGED);
}

void CSettingsView::OnAntennaChanged(int index) {
    const int previous = m_nAntenna;
    if (m_bScanning || !ReadEdits()) {
        m_pAntennas->button(previous)->setChecked(true);
        return;
    }
    if (index == previous) {
        return;
    }
    try {
        GetDocument().SetAntenna(index == 0 ? 1 : 0);
        GetDocument().UpdateAllViews(nullptr, HINT_FREQUENCY_CHANGED);
    } catch (const CGenericException& e) {
        m_nAntenna = previous;
        m_pAntennas->button(previous)->setChecked(true);
        ShowError(CTAVIKSDIDoc::FormatException(e));
    }
}

void CSettingsView::OnStepChanged(int index) {
    if (m_bScanning || !ReadEdits()) {
        return;
    }
    m_nStep = index;
    m_fStep = kSteps[static_cast<std::size_t>(index)];
}

void CSettingsView::OnSpinFrequency(int delta) {
    if (m_bScanning || !ReadEdits()) {
        return;
    }
    m_fFrequency = ClampAndRound(m_fFrequency + static_cast<float>(delta) * kTuneGrid, kLowest,
                                 kHighest, kTuneGrid);
    WriteEdits();
}

void CSettingsView::OnSpinFrom(int delta) {
    if (m_bScanning || !ReadEdits()) {
        return;
    }
    m_fScanFrom = ClampAndRound(m_fScanFrom + static_cast<float>(delta) * m_fStep, kLowest,
                                kHighest - kMinSpan, m_fStep);
    WriteEdits();
}

void CSettingsView::OnSpinTo(int delta) {
    if (m_bScanning || !ReadEdits()) {
        return;
    }
    m_fScanTo = ClampAndRound(m_fScanTo + static_cast<float>(delta) * m_fStep, kLowest + kMinSpan,
                              kHighest, m_fStep);
    WriteEdits();
}

void CSettingsView::OnEnter() {
    if (m_bScanning || !ReadEdits()) {
        return;
    }
    m_fScanFrom = ClampAndRound(m_fScanFrom, kLowest, kHighest - kMinSpan, m_fStep);
    m_fScanTo = ClampAndRound(m_fScanTo, kLowest + kMinSpan, kHighest, m_fStep);
    m_fFrequency = ClampAndRound(m_fFrequency, kLowest, kHighest, kTuneGrid);
    WriteEdits();
    ReadEdits();
}

void CSettingsView::OnScan() {
    if (m_bScanning) {
        GetDocument().StopPanoramaScan();
        EndScan();
        return;
    }
    if (!ReadEdits()) {
        return;
    }
    m_fScanFrom = ClampAndRound(m_fScanFrom, kLowest, kHighest - kMinSpan, m_fStep);
    m_fScanTo = ClampAndRound(m_fScanTo, kLowest + kMinSpan, kHighest, m_fStep);
    WriteEdits();
    m_pChart->SetXRange(m_fScanFrom, m_fScanTo);
    ShowStationMarks();
    m_pChart->SetGraphData(m_frequencies.data(), m_levels.data(), false, 0, m_nGraph);
    m_pChart->DrawData();
    m_nPointCount = static_cast<int>(std::trunc((m_fScanTo - m_fScanFrom) / m_fStep + 0.5f)) + 1;
    m_nProgress = 0;
    m_pProgress->setRange(0, m_nPointCount);
    m_pProgress->setValue(0);
    m_bScanning = true;
    m_pScan->setText(QStringLiteral("Stop"));
    update();
    try {
        GetDocument().StartPanoramaScan(m_fScanFrom, m_fFrequency, m_nPointCount, m_fStep, this,
                                        &m_window);
    } catch (const CGenericException& e) {
        EndScan();
        ShowError(CTAVIKSDIDoc::FormatException(e));
    }
}

void CSettingsView::EndScan() {
    m_bScanning = false;
    m_pScan->setText(QStringLiteral("Scan"));
}

// Scan thread: the newest point travels by value; the view's own arrays are written on the
// user-interface thread only. A view that is gone drops the call (the context object).
void CSettingsView::AddPanoramaPoint(const float* frequencies, const float* levels, int count) {
    if (count <= 0 || count > CTAVIKSDIDoc::kPanoramaPoints) {
        return;
    }
    const float frequency = frequencies[count - 1];
    const float level = levels[count - 1];
    QMetaObject::invokeMethod(
        this, [this, frequency, level, count] { ShowPoint(frequency, level, count); },
        Qt::QueuedConnection);
}

void CSettingsView::OnScanFinished() {
    QMetaObject::invokeMethod(
        this, [this] { EndScan(); }, Qt::QueuedConnection);
}

void CSettingsView::ShowPoint(float frequency, float level, int count) {
    const auto index = static_cast<std::size_t>(count - 1);
    m_frequencies[index] = frequency;
    m_levels[index] = level;
    m_pChart->SetGraphData(m_frequencies.data(), m_levels.data(), false, count, m_nGraph);
    m_nProgress = count;
    m_pProgress->setValue(count);
    m_pChart->DrawData();  // marks the chart; it paints once per event-loop pass
}

void CSettingsView::OnPanoramaNotice(const CMessage& message) {
    if (message.wParam == 2 && message.lParam == 1) {
        GetDocument().SendPanoramaHint();
        return;
    }
    EndScan();
    GetDocument().UpdateAllViews(nullptr, HINT_HARDWARE_ERROR);
    ShowError("Panoramascan: Error in thread!\n" +
              CTAVIKSDIDoc::GetErrorMessage(static_cast<int>(message.wParam),
                                            static_cast<int>(message.lParam),
                                            message.pText ? *message.pText : std::string()));
}

}  // namespace tavik

namespace tavik {

namespace {

// The marks' line identifiers, clear of the chart's others.
constexpr int kFirstStationLine = 100;
constexpr COLORREF kStationMark = RGB(0, 255, 0);

}  // namespace

void CSettingsView::SetStationMarks(std::vector<float> megahertz, int own) {
    m_stationMarks = std::move(megahertz);
    m_nOwnStation = own;
    KeepSharedReceiver();
    ShowStationMarks();
}

void CSettingsView::KeepSharedReceiver() {
    if (m_stationMarks.empty()) {
        return;
    }
    m_pFrequencyEdit->setReadOnly(true);
    m_pFrequencySpin->setEnabled(false);
    m_pSet->setEnabled(false);
    m_pScan->setEnabled(false);
}

void CSettingsView::ShowStationMarks() {
    for (std::size_t i = 0; i < m_stationMarks.size(); ++i) {
        const int id = kFirstStationLine + static_cast<int>(i);
        m_pChart->RemoveLine(id);
        const float mhz = m_stationMarks[i];
        if (mhz >= m_fScanFrom && mhz <= m_fScanTo) {
            m_pChart->AddLine(id, mhz, mhz, kLowestLevel, kHighestLevel, kStationMark,
                              static_cast<int>(i) == m_nOwnStation ? 3 : 1);
        }
    }
    m_pChart->DrawData();
}

}  // namespace tavik
