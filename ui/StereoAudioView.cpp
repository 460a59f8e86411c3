#include "ui/StereoAudioView.h"

#include <array>

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "charts/PpmMeter.h"
#include "document/Hints.h"
#include "platform/AnalyserResult.h"
#include "ui/MeasurementForm.h"
#include "ui/MpxReadingsText.h"

namespace tavik {

namespace {

constexpr const char* kSilenceStyle =
    "QLabel { color: rgb(255, 255, 255); background-color: rgb(210, 0, 0); "
    "padding: 1px 3px; font-weight: bold; }";

}  // namespace

CStereoAudioView::CStereoAudioView(CTAVIKSDIDoc& doc, QWidget* parent)
    : CMeasurementView(doc, parent, kRefreshMs) {
    auto* meters = new QGroupBox(QStringLiteral("Programme Peaks (dB of full modulation)"), this);
    auto* meterLayout = new QVBoxLayout(meters);
    meterLayout->setContentsMargins(4, 4, 4, 4);
    m_pMeter = new CPpmMeter(meters);
    meterLayout->addWidget(m_pMeter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(meters, 1);
    layout->addWidget(CreateReadings());
    SetToolTips();
    ShowNoReadings();
}

QWidget* CStereoAudioView::CreateReadings() {
    auto* box = new QGroupBox(QStringLiteral("Stereo and Audio"), this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    m_pPilot = MakeValueField(box);
    m_pPilotError = MakeValueField(box);
    m_pRds = MakeValueField(box);
    m_pBalance = MakeValueField(box);
    m_pSilence = MakeValueField(box);
    const std::array<std::pair<const char*, QLabel*>, 5> fields = {{
        {"Pilot:", m_pPilot},
        {"Pilot Frequency Error:", m_pPilotError},
        {"RDS Injection:", m_pRds},
        {"Balance (L - R):", m_pBalance},
        {"Silence:", m_pSilence},
    }};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int row = static_cast<int>(i % 3);
        const int column = static_cast<int>(i / 3) * 2;
        auto* caption = new QLabel(QString::fromLatin1(fields[i].first), box);
        caption->setBuddy(fields[i].second);
        grid->addWidget(caption, row, column);
        grid->addWidget(fields[i].second, row, column + 1);
        fields[i].second->setMinimumWidth(90);
    }
    m_pListen = new QToolButton(box);
    m_pListen->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pListen->setText(QStringLiteral("Listen"));
    m_pListen->setEnabled(false);  // until the main frame gives it its action
    grid->addWidget(m_pListen, 2, 2, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(2, 70);
    return box;
}

// What each field shows and in which unit, from what the MPX level analysis measures.
void CStereoAudioView::SetToolTips() {
    const struct {
        QWidget* pWidget;
        const char* strTip;
    } tips[] = {
        {m_pMeter,
         "Peak programme levels of the last second after stereo decoding, de-emphasis and a "
         "15 kHz low-pass, true peaks, in dB of full modulation: 0 dB is a mono programme "
         "deviating the carrier by 75 kHz. L left, R right, M = (L + R) / 2, S = (L - R) / 2. "
         "The white mark holds the highest peak since the measurement started; above +3 dB the "
         "bar stays full"},
        {m_pPilot,
         "Peak deviation of the 19 kHz stereo pilot, kHz (typically 6 to 7.5 kHz, 8 to 10 % of "
         "75 kHz); \"no pilot\" below 0.5 kHz: the station is received in mono"},
        {m_pPilotError,
         "Frequency error of the 19 kHz pilot, Hz, from the stereo decoder's phase-locked loop "
         "(positive: above 19000 Hz; a transmitter keeps it within +/-2 Hz)"},
        {m_pRds,
         "Peak deviation of the 57 kHz RDS subcarrier, kHz, from its power in 57 +/-2.4 kHz "
         "(typically 2 to 4 kHz); \"no RDS\" below 0.5 kHz"},
        {m_pBalance,
         "Level balance of the last second's peaks, L - R in dB: positive when the left "
         "channel is louder"},
        {m_pSilence,
         "Programme silence: M below the silence threshold (-40 dB of full modulation by "
         "default) for the set time (10 s by default) reads SILENCE with the seconds of "
         "silence, in red; otherwise the seconds in a row M has stayed below the threshold"},
    };
    for (const auto& tip : tips) {
        tip.pWidget->setToolTip(QString::fromLatin1(tip.strTip));
    }
}

void CStereoAudioView::SetListenAction(QAction* action) {
    m_pListen->setDefaultAction(action);
    m_pListen->setEnabled(true);
}

void CStereoAudioView::OnResult(const CAnalyserResult& result) {
    if (const CMpxReadings* readings = result.Get<EResultCode::MpxReadings>()) {
        ShowReadings(*readings);
    }
}

void CStereoAudioView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    if (hint == HINT_MEASUREMENT_STOPPED) {
        ShowNoReadings();  // the readings describe the running measurement
    }
}

void CStereoAudioView::ShowReadings(const CMpxReadings& r) {
    ShowTexts(FormatMpxReadings(r));
    const std::array<std::pair<float, float>, CPpmMeter::kChannels> levels = {{
        {r.leftDb, r.leftHoldDb},
        {r.rightDb, r.rightHoldDb},
        {r.monoDb, r.monoHoldDb},
        {r.stereoDb, r.stereoHoldDb},
    }};
    for (int i = 0; i < CPpmMeter::kChannels; ++i) {
        CPpmMeter::SChannel channel = m_pMeter->GetChannel(i);
        channel.fLevelDb = levels[static_cast<std::size_t>(i)].first;
        channel.fHoldDb = levels[static_cast<std::size_t>(i)].second;
        channel.bValid = true;
        m_pMeter->SetChannel(i, channel);
    }
}

void CStereoAudioView::ShowNoReadings() {
    ShowTexts(FormatMpxReadings(std::nullopt));
    m_pMeter->Clear();
}

void CStereoAudioView::ShowTexts(const SMpxReadingTexts& texts) {
    m_pPilot->setText(texts.strPilot);
    m_pPilotError->setText(texts.strPilotError);
    m_pRds->setText(texts.strRds);
    m_pBalance->setText(texts.strBalance);
    m_pSilence->setText(texts.strSilence);
    m_pSilence->setStyleSheet(
        QString::fromLatin1(texts.bSilence ? kSilenceStyle : kValueFieldStyle));
}

}  // namespace tavik
