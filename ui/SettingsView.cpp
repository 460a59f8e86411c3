#include "ui/SettingsView.h"

#include <cmath>

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "charts/Display.h"
#include "document/SetupRules.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr int kEditWidth = 70;
constexpr int kSpinWidth = 18;
constexpr int kLineHeight = 22;
constexpr int kGroupsTop = 25;  // below the caption bar
constexpr int kTopMargin = 5;

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* tip) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(QString::fromLatin1(tip));
    edit->setMaxLength(7);
    edit->setFixedSize(kEditWidth, kLineHeight);
    return edit;
}

// An up-down control without text: each arrow press reports +1 (up) or -1 (down).
QSpinBox* MakeSpin(QWidget* parent, const char* name, std::function<void(int)> onStep) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(-1, 1);
    spin->setValue(0);
    spin->setFixedSize(kSpinWidth, kLineHeight);
    QObject::connect(spin, &QSpinBox::valueChanged, spin,
                     [spin, onStep = std::move(onStep)](int v) {
                         if (v == 0) {
                             return;
                         }
                         const QSignalBlocker block(spin);
                         spin->setValue(0);
                         onStep(v);
                     });
    return spin;
}

QRadioButton* AddRadio(QButtonGroup* group, QWidget* parent, const char* text, int id,
                       const char* tip) {
    auto* radio = new QRadioButton(QString::fromLatin1(text), parent);
    radio->setObjectName(QString::fromLatin1(text));
    radio->setToolTip(QString::fromLatin1(tip));
    group->addButton(radio, id);
    return radio;
}

}  // namespace

CSettingsView::CSettingsView(CTAVIKSDIDoc& doc, QWidget* parent) : CItemView(doc, parent) {
    SetTitle(QStringLiteral("Measurement Parameter"));
    m_pTopLayout = new QHBoxLayout;
    m_pTopLayout->setContentsMargins(kTopMargin, 0, kTopMargin, 0);
    CreateTunerControls();
    CreateScanControls();
    CreateChart();
    CreateDecoderControls();
    m_window.SetReceiver([this](const CMessage& message) {
        if (message.message == WM_PANORAMA_NOTICE) {
            OnPanoramaNotice(message);
        }
    });
    WriteEdits();
    WriteDecoder();
}

CSettingsView::~CSettingsView() {
    // The scan thread calls this view: it must end first.
    if (GetDocument().IsPanoramaRunning()) {
        GetDocument().StopPanoramaScan();
    }
    GetDocument().WaitForPanoramaScan(std::chrono::seconds(5));
    m_window.SetReceiver(nullptr);
}

// The receiver and scan groups side by side above the chart, in layouts: at the window's
// smallest size the scan group gives up its spare room and nothing is cut.
void CSettingsView::CreateTunerControls() {
    auto* group = new QGroupBox(QStringLiteral("Receiver"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Current Frequency"), group), 0, 0);
    m_pFrequencyEdit = MakeEdit(group, "frequency", "Enter frequency and press \"Set\"");
    grid->addWidget(m_pFrequencyEdit, 0, 1);
    m_pFrequencySpin =
        MakeSpin(group, "frequencySpin", [this](int delta) { OnSpinFrequency(delta); });
    grid->addWidget(m_pFrequencySpin, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("MHz"), group), 0, 3);
    m_pAntennas = new QButtonGroup(this);
    grid->addWidget(AddRadio(m_pAntennas, group, "Antenna A", 0, "Select antenna an press \"Set\""),
                    1, 0);
    grid->addWidget(
        AddRadio(m_pAntennas, group, "Antenna B", 1, "Select antenna and press \"Set\""), 2, 0);
    m_pAntennas->button(0)->setChecked(true);
    m_pSet = new QPushButton(QStringLiteral("Set"), group);
    m_pSet->setObjectName(QStringLiteral("Set"));
    m_pSet->setToolTip(QStringLiteral("Press to set antenna and frequency"));
    grid->addWidget(m_pSet, 1, 1, 2, 3, Qt::AlignLeft | Qt::AlignVCenter);
    m_pTopLayout->addWidget(group);
    connect(m_pSet, &QPushButton::clicked, this, &CSettingsView::OnSet);
    connect(m_pAntennas, &QButtonGroup::idClicked, this, &CSettingsView::OnAntennaChanged);
    connect(m_pFrequencyEdit, &QLineEdit::returnPressed, this, &CSettingsView::OnEnter);
}

void CSettingsView::CreateScanControls() {
    auto* group = new QGroupBox(QStringLiteral("Frequency Scan"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("From:"), group), 0, 0);
    m_pFromEdit = MakeEdit(group, "from", "Enter panoramascan start frequency");
    grid->addWidget(m_pFromEdit, 0, 1);
    m_pFromSpin = MakeSpin(group, "fromSpin", [this](int delta) { OnSpinFrom(delta); });
    grid->addWidget(m_pFromSpin, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("To:"), group), 0, 3, Qt::AlignRight);
    m_pToEdit = MakeEdit(group, "to", "Enter panoramascan stop frequency");
    grid->addWidget(m_pToEdit, 0, 4);
    m_pToSpin = MakeSpin(group, "toSpin", [this](int delta) { OnSpinTo(delta); });
    grid->addWidget(m_pToSpin, 0, 5);
    m_pScan = new QPushButton(QStringLiteral("Scan"), group);
    m_pScan->setObjectName(QStringLiteral("Scan"));
    m_pScan->setToolTip(QStringLiteral("Press to start panoramascan"));
    grid->addWidget(m_pScan, 0, 7);
    grid->setColumnStretch(6, 1);

    auto* steps = new QHBoxLayout;
    steps->addWidget(new QLabel(QStringLiteral("Step Size:"), group));
    m_pSteps = new QButtonGroup(this);
    const char* tip = "Select panoramascan stepsize";
    steps->addWidget(AddRadio(m_pSteps, group, "25 kHz", 0, tip));
    steps->addWidget(AddRadio(m_pSteps, group, "50 kHz", 1, tip));
    steps->addWidget(AddRadio(m_pSteps, group, "100 kHz", 2, tip));
    steps->addStretch(1);
    grid->addLayout(steps, 1, 0, 1, 8);
    m_pSteps->button(m_nStep)->setChecked(true);
    m_pProgress = new QProgressBar(group);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->setTextVisible(false);
    m_pProgress->setFixedHeight(16);
    grid->addWidget(m_pProgress, 2, 0, 1, 8);
    m_pTopLayout->addWidget(group, 1);
    connect(m_pScan, &QPushButton::clicked, this, &CSettingsView::OnScan);
    connect(m_pSteps, &QButtonGroup::idClicked, this, &CSettingsView::OnStepChanged);
    connect(m_pFromEdit, &QLineEdit::returnPressed, this, &CSettingsView::OnEnter);
    connect(m_pToEdit, &QLineEdit::returnPressed, this, &CSettingsView::OnEnter);
}

void CSettingsView::CreateChart() {
    m_pChart = new CDisplay(this);
    m_pChart->setObjectName(QStringLiteral("Panorama Display"));
    m_pChart->setWindowTitle(QStringLiteral("Panorama Display"));
    m_pChart->SetXTitle(QStringLiteral("Radio Frequency"));
    m_pChart->SetXUnit(QStringLiteral("MHz"));
    m_pChart->SetYTitle(QStringLiteral("RF Signal Strength"));
    m_pChart->SetYUnit(QStringLiteral("dBuV"));
    m_pChart->SetXRange(m_fScanFrom, m_fScanTo);
    m_pChart->SetYRange(kLowestLevel, kHighestLevel);
    m_pChart->SetTitle(QStringLiteral("RF Panorama"));
    // Plain "%g" labels: the default three significant digits would label 102.5 MHz "103".
    m_pChart->SetLabelFormat(6);
    m_pChart->SetPrompt(&GetDocument().GetPrompt());
    m_nGraph = m_pChart->AddGraph(m_frequencies.data(), m_levels.data(), false, 0,
                                  QStringLiteral("Panorama"));
    m_pChart->ShowGraph(m_nGraph);
}

void CSettingsView::resizeEvent(QResizeEvent* /*event*/) {
    m_pTopLayout->setGeometry(QRect(0, kGroupsTop, width(), kDecoderTop - kGroupsTop - 5));
    m_pDecoderLayout->setGeometry(QRect(0, kDecoderTop, width(), kChartTop - kDecoderTop - 5));
    m_pChart->setGeometry(0, kChartTop, width(), std::max(0, height() - kChartTop));
}

void CSettingsView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case 0: {
            const CProtocolHeader& header = GetDocument().GetProtocolHeaderRef();
            m_fFrequency = header.m_fFrequency;
            m_nAntenna = header.m_nAntenna != 0 ? 0 : 1;
            m_pAntennas->button(m_nAntenna)->setChecked(true);
            WriteEdits();
            WriteDecoder();
            Lock(true, true);
            break;
        }
        case HINT_SCAN_ENDED:
            // Also a scan that the document ended itself (File > New): the button reads
            // "Scan" again and the edits take input.
            EndScan();
            Lock(false, false);
            break;
        case HINT_HARDWARE_FOUND:
        case HINT_MEASUREMENT_STOPPED:
            Lock(false, false);
            break;
        case HINT_HARDWARE_ERROR:
        case HINT_MEASUREMENT_STARTED:
            Lock(true, true);
            break;
        case HINT_SCAN_STARTED:
            Lock(true, false);
            break;
        default:
            break;
    }
}

void CSettingsView::Lock(bool locked, bool scanButton) {
    m_pFrequencyEdit->setReadOnly(locked);
    m_pFrequencySpin->setEnabled(!locked);
    for (QAbstractButton* radio : m_pAntennas->buttons()) {
        radio->setEnabled(!locked);
    }
    m_pSet->setEnabled(!locked);
    m_pFromEdit->setReadOnly(locked);
    m_pToEdit->setReadOnly(locked);
    m_pFromSpin->setEnabled(!locked);
    m_pToSpin->setEnabled(!locked);
    for (QAbstractButton* radio : m_pSteps->buttons()) {
        radio->setEnabled(!locked);
    }
    m_pScan->setEnabled(!(locked && scanButton));
    KeepSharedReceiver();
    // Tool tips only help where something can be done.
    const bool tips = !(locked && scanButton);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (!child->toolTip().isEmpty() || child->property("tip").isValid()) {
            if (!child->property("tip").isValid()) {
                child->setProperty("tip", child->toolTip());
            }
            child->setToolTip(tips ? child->property("tip").toString() : QString());
        }
    }
}

// The stereo decoder's settings: checked by the setup's rules, handed to the document on
// "Apply".
void CSettingsView::CreateDecoderControls() {
    auto* group = new QGroupBox(QStringLiteral("Stereo Decoder"), this);
    auto* row = new QHBoxLayout(group);
    row->addWidget(new QLabel(QStringLiteral("De-emphasis:"), group));
    m_pDeemphasis = new QButtonGroup(this);
    const char* tip = "Select the de-emphasis and press \"Apply\"";
    for (const int id : {0, 1}) {
        auto* radio = new QRadioButton(QString::fromUtf8(id == 0 ? "50 µs" : "75 µs"), group);
        radio->setObjectName(QString::fromLatin1(id == 0 ? "50 us" : "75 us"));
        radio->setToolTip(QString::fromLatin1(tip));
        m_pDeemphasis->addButton(radio, id);
        row->addWidget(radio);
    }
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("Silence below"), group));
    m_pSilenceDbEdit =
        MakeEdit(group, "silenceDb", "Enter the silence threshold (dB of full modulation)");
    row->addWidget(m_pSilenceDbEdit);
    row->addWidget(new QLabel(QStringLiteral("dB for"), group));
    m_pSilenceSecondsEdit =
        MakeEdit(group, "silenceSeconds", "Enter the seconds below it that are silence");
    row->addWidget(m_pSilenceSecondsEdit);
    row->addWidget(new QLabel(QStringLiteral("s"), group));
    row->addStretch(1);
    m_pApplyDecoder = new QPushButton(QStringLiteral("Apply"), group);
    m_pApplyDecoder->setObjectName(QStringLiteral("Apply"));
    m_pApplyDecoder->setToolTip(QStringLiteral("Press to apply the stereo decoder settings"));
    row->addWidget(m_pApplyDecoder);
    m_pDecoderLayout = new QHBoxLayout;
    m_pDecoderLayout->setContentsMargins(5, 0, 5, 0);
    m_pDecoderLayout->addWidget(group);
    connect(m_pApplyDecoder, &QPushButton::clicked, this, [this] { OnApplyDecoder(); });
    connect(m_pSilenceDbEdit, &QLineEdit::returnPressed, this, [this] { OnApplyDecoder(); });
    connect(m_pSilenceSecondsEdit, &QLineEdit::returnPressed, this, [this] { OnApplyDecoder(); });
}

void CSettingsView::WriteDecoder() {
    const CProtocolHeader& header = GetDocument().GetProtocolHeaderRef();
    m_pDeemphasis->button(header.m_nDeemphasis == 75 ? 1 : 0)->setChecked(true);
    m_pSilenceDbEdit->setText(QString::number(static_cast<double>(header.m_fSilenceDb), 'g', 6));
    m_pSilenceSecondsEdit->setText(QString::number(header.m_nSilenceSeconds));
}

bool CSettingsView::OnApplyDecoder() {
    bool numberDb = false;
    bool numberSeconds = false;
    const double db = m_pSilenceDbEdit->text().trimmed().toDouble(&numberDb);
    const double seconds = m_pSilenceSecondsEdit->text().trimmed().toDouble(&numberSeconds);
    if (!numberDb || !numberSeconds) {
        ShowError("Please enter a number.");
        return false;
    }
    // A fraction of a second is no whole number: the range's message says so.
    const std::int64_t whole = seconds == std::trunc(seconds) && std::fabs(seconds) < 1e9
                                   ? static_cast<std::int64_t>(seconds)
                                   : std::int64_t{-1};
    for (const std::string& fault :
         {setup_rules::CheckSilenceDb(db), setup_rules::CheckSilenceSeconds(whole)}) {
        if (!fault.empty()) {
            ShowError(fault);
            return false;
        }
    }
    CProtocolHeader header = GetDocument().GetProtocolHeaderRef();
    header.m_nDeemphasis = m_pDeemphasis->checkedId() == 1 ? 75 : 50;
    header.m_fSilenceDb = static_cast<float>(db);
    header.m_nSilenceSeconds = static_cast<std::int32_t>(whole);
    const CProtocolHeader& current = GetDocument().GetProtocolHeaderRef();
    const bool changed = header.m_nDeemphasis != current.m_nDeemphasis ||
                         header.m_fSilenceDb != current.m_fSilenceDb ||
                         header.m_nSilenceSeconds != current.m_nSilenceSeconds;
    if (changed && GetDocument().SetDecoderSettings(header)) {
        GetDocument().SetModifiedFlag(true);
    }
    return true;
}

}  // namespace tavik
