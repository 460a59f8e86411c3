#include "ui/SettingsView.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "charts/Display.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr int kEditWidth = 70;
constexpr int kSpinWidth = 18;
constexpr int kLineHeight = 22;

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* tip, QRect geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(QString::fromLatin1(tip));
    edit->setMaxLength(7);
    edit->setGeometry(geometry);
    return edit;
}

// An up-down control without text: each arrow press reports +1 (up) or -1 (down).
QSpinBox* MakeSpin(QWidget* parent, const char* name, QPoint at, std::function<void(int)> onStep) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(-1, 1);
    spin->setValue(0);
    spin->setGeometry(at.x(), at.y(), kSpinWidth, kLineHeight);
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
                       const char* tip, QRect geometry) {
    auto* radio = new QRadioButton(QString::fromLatin1(text), parent);
    radio->setObjectName(QString::fromLatin1(text));
    radio->setToolTip(QString::fromLatin1(tip));
    radio->setGeometry(geometry);
    group->addButton(radio, id);
    return radio;
}

}  // namespace

CSettingsView::CSettingsView(CTAVIKSDIDoc& doc, QWidget* parent) : CItemView(doc, parent) {
    SetTitle(QStringLiteral("Measurement Parameter"));
    CreateTunerControls();
    CreateScanControls();
    CreateChart();
    m_window.SetReceiver([this](const CMessage& message) {
        if (message.message == WM_PANORAMA_NOTICE) {
            OnPanoramaNotice(message.wParam, message.lParam);
        }
    });
    WriteEdits();
}

CSettingsView::~CSettingsView() {
    // The scan thread calls this view: it must end first.
    if (GetDocument().IsPanoramaRunning()) {
        GetDocument().StopPanoramaScan();
    }
    GetDocument().WaitForPanoramaScan(std::chrono::seconds(5));
    m_window.SetReceiver(nullptr);
}

void CSettingsView::CreateTunerControls() {
    auto* group = new QGroupBox(QStringLiteral("Receiver"), this);
    group->setGeometry(5, 25, 330, 105);
    auto* label = new QLabel(QStringLiteral("Current Frequency"), group);
    label->setGeometry(10, 22, 120, kLineHeight);
    m_pFrequencyEdit = MakeEdit(group, "frequency", "Enter frequency and press \"Set\"",
                                QRect(130, 22, kEditWidth, kLineHeight));
    m_pFrequencySpin = MakeSpin(group, "frequencySpin", QPoint(130 + kEditWidth, 22),
                                [this](int delta) { OnSpinFrequency(delta); });
    (new QLabel(QStringLiteral("MHz"), group))->setGeometry(225, 22, 40, kLineHeight);
    m_pAntennas = new QButtonGroup(this);
    AddRadio(m_pAntennas, group, "Antenna A", 0, "Select antenna an press \"Set\"",
             QRect(10, 52, 110, kLineHeight));
    AddRadio(m_pAntennas, group, "Antenna B", 1, "Select antenna and press \"Set\"",
             QRect(10, 76, 110, kLineHeight));
    m_pAntennas->button(0)->setChecked(true);
    m_pSet = new QPushButton(QStringLiteral("Set"), group);
    m_pSet->setObjectName(QStringLiteral("Set"));
    m_pSet->setToolTip(QStringLiteral("Press to set antenna and frequency"));
    m_pSet->setGeometry(130, 62, 75, 25);
    connect(m_pSet, &QPushButton::clicked, this, &CSettingsView::OnSet);
    connect(m_pAntennas, &QButtonGroup::idClicked, this, &CSettingsView::OnAntennaChanged);
    connect(m_pFrequencyEdit, &QLineEdit::returnPressed, this, &CSettingsView::OnEnter);
}

void CSettingsView::CreateScanControls() {
    auto* group = new QGroupBox(QStringLiteral("Frequency Scan"), this);
    group->setGeometry(345, 25, 420, 105);
    (new QLabel(QStringLiteral("From:"), group))->setGeometry(10, 22, 40, kLineHeight);
    m_pFromEdit = MakeEdit(group, "from", "Enter panoramascan start frequency",
                           QRect(50, 22, kEditWidth, kLineHeight));
    m_pFromSpin = MakeSpin(group, "fromSpin", QPoint(50 + kEditWidth, 22),
                           [this](int delta) { OnSpinFrom(delta); });
    (new QLabel(QStringLiteral("To:"), group))->setGeometry(150, 22, 30, kLineHeight);
    m_pToEdit = MakeEdit(group, "to", "Enter panoramascan stop frequency",
                         QRect(180, 22, kEditWidth, kLineHeight));
    m_pToSpin = MakeSpin(group, "toSpin", QPoint(180 + kEditWidth, 22),
                         [this](int delta) { OnSpinTo(delta); });
    (new QLabel(QStringLiteral("Step Size:"), group))->setGeometry(10, 50, 70, kLineHeight);
    m_pSteps = new QButtonGroup(this);
    const char* tip = "Select panoramascan stepsize";
    AddRadio(m_pSteps, group, "25 kHz", 0, tip, QRect(80, 50, 70, kLineHeight));
    AddRadio(m_pSteps, group, "50 kHz", 1, tip, QRect(150, 50, 70, kLineHeight));
    AddRadio(m_pSteps, group, "100 kHz", 2, tip, QRect(220, 50, 80, kLineHeight));
    m_pSteps->button(m_nStep)->setChecked(true);
    m_pScan = new QPushButton(QStringLiteral("Scan"), group);
    m_pScan->setObjectName(QStringLiteral("Scan"));
    m_pScan->setToolTip(QStringLiteral("Press to start panoramascan"));
    m_pScan->setGeometry(320, 20, 85, 25);
    m_pProgress = new QProgressBar(group);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->setTextVisible(false);
    m_pProgress->setGeometry(10, 78, 395, 16);
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
    m_pChart->SetYRange(25.0f, 100.0f);
    m_pChart->SetTitle(QStringLiteral("RF Panorama"));
    // Plain "%g" labels: the default three significant digits would label 102.5 MHz "103".
    m_pChart->SetLabelFormat(6);
    m_pChart->SetPrompt(&GetDocument().GetPrompt());
    m_nGraph = m_pChart->AddGraph(m_frequencies.data(), m_levels.data(), false, 0,
                                  QStringLiteral("Panorama"));
    m_pChart->ShowGraph(m_nGraph);
}

void CSettingsView::resizeEvent(QResizeEvent* /*event*/) {
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

}  // namespace tavik
