#include "ui/ProtocolView.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "document/TAVIKSDIDoc.h"
#include "ui/WindowEvidence.h"

namespace tavik {

namespace {

constexpr std::array kAntennaTypes = {
    "none",
    "CATV",
    "Omni",
    "Directional - 3E",
    "Directional - 4E",
    "Directional - 5E",
    "Directional - 6E",
    "Directional - 7E",
    "Directional - 8E",
    "Directional - 10E",
    "Directional - 12E",
    "Directional - 14E",
};
constexpr std::array kPolarisations = {"H", "V"};
constexpr std::array kHeights = {
    "1 Meter",   "2 Meters",  "3 Meters",   "4 Meters",   "5 Meters",   "10 Meters",  "15 Meters",
    "20 Meters", "25 Meters", "30 Meters",  "40 Meters",  "50 Meters",  "60 Meters",  "70 Meters",
    "80 Meters", "90 Meters", "100 Meters", "120 Meters", "150 Meters", "200 Meters",
};

constexpr int kLabelWidth = 110;
constexpr int kRowHeight = 28;

template <std::size_t N>
QComboBox* MakeChoice(QWidget* parent, const char* name, const std::array<const char*, N>& texts,
                      const char* tip) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (const char* text : texts) {
        box->addItem(QString::fromLatin1(text));
    }
    box->setToolTip(QString::fromLatin1(tip));
    return box;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* tip) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (tip != nullptr) {
        edit->setToolTip(QString::fromLatin1(tip));
    }
    return edit;
}

void Place(QWidget* parent, const char* label, int row, QWidget* control, int width, int x = 10) {
    auto* caption = new QLabel(QString::fromLatin1(label), parent);
    caption->setGeometry(x, 22 + row * kRowHeight, kLabelWidth, 22);
    control->setGeometry(x + kLabelWidth, 22 + row * kRowHeight, width, 22);
}

// Shows a stored text; one that is not in the list (from an older file) is added to it. An
// empty field shows no choice, so that leaving the page does not invent one.
void SelectText(QComboBox* box, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (value.isEmpty()) {
        box->setCurrentIndex(-1);
        return;
    }
    int index = box->findText(value);
    if (index < 0) {
        box->addItem(value);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

}  // namespace

CProtocolView::CProtocolView(CTAVIKSDIDoc& doc, QWidget* parent) : CItemView(doc, parent) {
    SetTitle(QStringLiteral("Protocol Settings"));
    CreateOperatorGroup();
    CreateAntennaGroup();
    CreateResultsGroup();
}

void CProtocolView::CreateOperatorGroup() {
    m_pOperatorGroup = new QGroupBox(QStringLiteral("Operator"), this);
    m_pName = MakeEdit(m_pOperatorGroup, "operator", "Enter your name");
    m_pOrganisation =
        MakeEdit(m_pOperatorGroup, "organisation", "Enter name of your company or organisation");
    Place(m_pOperatorGroup, "Name", 0, m_pName, 250);
    Place(m_pOperatorGroup, "Organization", 1, m_pOrganisation, 250);
    connect(m_pName, &QLineEdit::editingFinished, this,
            [this] { OnNameEdited(CProtocolHeader::OPERATOR, m_pName); });
    connect(m_pOrganisation, &QLineEdit::editingFinished, this,
            [this] { OnNameEdited(CProtocolHeader::ORGANISATION, m_pOrganisation); });
}

void CProtocolView::CreateAntennaGroup() {
    QWidget* g = m_pAntennaGroup = new QGroupBox(QStringLiteral("Antennae"), this);
    m_pTypeA = MakeChoice(g, "typeA", kAntennaTypes, "Chose type of antenna A");
    m_pPolarisationA =
        MakeChoice(g, "polarisationA", kPolarisations, "Chose polarisation of antenna A");
    m_pHeightA = MakeChoice(g, "heightA", kHeights, "Chose height of antenna A");
    m_pTypeB = MakeChoice(g, "typeB", kAntennaTypes, "Chose type of antenna B");
    m_pPolarisationB =
        MakeChoice(g, "polarisationB", kPolarisations, "Chose polarisation of antenna B");
    m_pHeightB = MakeChoice(g, "heightB", kHeights, "Chose height of antenna B");
    m_pLocation = MakeEdit(g, "location", "Describe measurement location");
    Place(g, "Antenna Type A", 0, m_pTypeA, 150);
    Place(g, "Polarization", 0, m_pPolarisationA, 50, 280);
    Place(g, "Height", 0, m_pHeightA, 100, 450);
    Place(g, "Antenna Type B", 1, m_pTypeB, 150);
    Place(g, "Polarization", 1, m_pPolarisationB, 50, 280);
    Place(g, "Height", 1, m_pHeightB, 100, 450);
    Place(g, "Location", 2, m_pLocation, 530);
}

void CProtocolView::CreateResultsGroup() {
    QWidget* g = m_pResultsGroup = new QGroupBox(QStringLiteral("Results"), this);
    m_pFolder = MakeEdit(g, "folder", "Hit \"Browse\" to chose log folder");
    Place(g, "Save Results to", 0, m_pFolder, 400);
    m_pBrowse = new QPushButton(QStringLiteral("Browse"), g);
    m_pBrowse->setObjectName(QStringLiteral("Browse"));
    m_pBrowse->setGeometry(10 + kLabelWidth + 410, 22, 75, 23);
    m_pEnableLogging = new QCheckBox(QStringLiteral("Enable Logging"), g);
    m_pEnableLogging->setObjectName(QStringLiteral("enableLogging"));
    // As wide as its text: the evidence setting follows on its right.
    m_pEnableLogging->setGeometry(10 + kLabelWidth, 22 + kRowHeight,
                                  std::min(125, m_pEnableLogging->sizeHint().width()), 22);
    m_pComment = MakeEdit(g, "comment", nullptr);
    Place(g, "Comment", 2, m_pComment, 530);
    CreateEvidenceSetting(g);
    connect(m_pBrowse, &QPushButton::clicked, this, &CProtocolView::OnBrowse);
    connect(m_pEnableLogging, &QCheckBox::clicked, this, &CProtocolView::OnEnableLogging);
    connect(m_pFolder, &QLineEdit::editingFinished, this, [this] {
        if (m_pFolder->isEnabled()) {
            GetDocument().SelectLogFolder(m_pFolder->text().toStdString());
        }
    });
}

// Beside "Enable Logging": the seconds of the evidence clips and the cap of their folder; hidden
// until the window gives the page its evidence (SetEvidence).
void CProtocolView::CreateEvidenceSetting(QWidget* g) {
    const int y = 22 + kRowHeight;
    int x = 10 + kLabelWidth + 130;
    m_pEvidenceCaption = new QLabel(QStringLiteral("Evidence clips:"), g);
    m_pEvidenceCaption->setGeometry(x, y, 95, 22);
    m_pEvidenceSeconds = new QSpinBox(g);
    m_pEvidenceSeconds->setObjectName(QStringLiteral("evidenceSeconds"));
    m_pEvidenceSeconds->setRange(0, SEvidenceSettings::kMaxSeconds);
    m_pEvidenceSeconds->setPrefix(QStringLiteral("\u00b1"));  // before and after
    m_pEvidenceSeconds->setSuffix(QStringLiteral(" s"));
    m_pEvidenceSeconds->setSpecialValueText(QStringLiteral("off"));
    m_pEvidenceSeconds->setGeometry(x += 95, y, 70, 22);
    m_pEvidenceSeconds->setToolTip(QStringLiteral(
        "Evidence clips: for each alarm activation a WAV recording of the MPX signal (200 kHz, "
        "16 bit) from this many seconds before the alarm to as many after it, in the log "
        "folder's evidence/ and named in the text log; off (0) keeps none. Needs \"Enable "
        "Logging\"; applies from the next start"));
    m_pEvidenceCapCaption = new QLabel(QStringLiteral("at most"), g);
    m_pEvidenceCapCaption->setGeometry(x += 78, y, 55, 22);
    m_pEvidenceMaxMb = new QSpinBox(g);
    m_pEvidenceMaxMb->setObjectName(QStringLiteral("evidenceMaxMb"));
    m_pEvidenceMaxMb->setRange(1, SEvidenceSettings::kMaxMb);
    m_pEvidenceMaxMb->setSuffix(QStringLiteral(" MB"));
    m_pEvidenceMaxMb->setGeometry(x + 55, y, 100, 22);
    m_pEvidenceMaxMb->setToolTip(
        QStringLiteral("The evidence clips together take at most this many megabytes of the log "
                       "folder; the oldest clips are deleted first"));
    for (QWidget* w : EvidenceWidgets()) {
        w->hide();
    }
    const auto edited = [this] {
        if (m_pEvidence != nullptr) {
            m_pEvidence->SetSettings({m_pEvidenceSeconds->value(), m_pEvidenceMaxMb->value()},
                                     true);
        }
    };
    connect(m_pEvidenceSeconds, &QSpinBox::valueChanged, this, edited);
    connect(m_pEvidenceMaxMb, &QSpinBox::valueChanged, this, edited);
}

std::array<QWidget*, 4> CProtocolView::EvidenceWidgets() const {
    return {m_pEvidenceCaption, m_pEvidenceSeconds, m_pEvidenceCapCaption, m_pEvidenceMaxMb};
}

void CProtocolView::SetEvidence(CWindowEvidence* evidence) {
    m_pEvidence = nullptr;  // showing the values is no edit
    if (evidence != nullptr) {
        m_pEvidenceSeconds->setValue(evidence->GetSettings().nSeconds);
        m_pEvidenceMaxMb->setValue(evidence->GetSettings().nMaxMb);
    }
    m_pEvidence = evidence;
    for (QWidget* w : EvidenceWidgets()) {
        w->setVisible(evidence != nullptr);
    }
}

void CProtocolView::resizeEvent(QResizeEvent* /*event*/) {
    const int width = std::max(0, this->width() - 10);
    m_pOperatorGroup->setGeometry(5, 30, width, 90);
    m_pAntennaGroup->setGeometry(5, 130, width, 120);
    m_pResultsGroup->setGeometry(5, 260, width, 120);
}

void CProtocolView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case 0:
            LoadFields();
            ShowLogFolder();
            ShowLoggingSwitch();
            break;
        case HINT_PROTOCOL_CHANGED:
            ShowLogFolder();
            ShowLoggingSwitch();
            break;
        case HINT_MEASUREMENT_STARTED:
            m_bMeasuring = true;
            m_pFolder->setEnabled(false);
            m_pBrowse->setEnabled(false);
            m_pEnableLogging->setEnabled(false);
            for (QWidget* w : EvidenceWidgets()) {
                w->setEnabled(false);  // the clips of a run are set at its start
            }
            break;
        case HINT_MEASUREMENT_STOPPED:
            m_bMeasuring = false;
            m_pEnableLogging->setEnabled(true);
            for (QWidget* w : EvidenceWidgets()) {
                w->setEnabled(true);
            }
            ShowLoggingSwitch();  // logging stays on across a stop
            break;
        default:
            break;
    }
}

void CProtocolView::LoadFields() {
    GetDocument().GetProtocolHeader(m_header);
    const auto& s = m_header.m_strings;
    m_pName->setText(QString::fromStdString(s[CProtocolHeader::OPERATOR]));
    m_pOrganisation->setText(QString::fromStdString(s[CProtocolHeader::ORGANISATION]));
    SelectText(m_pTypeA, s[CProtocolHeader::ANTENNA_A_TYPE]);
    SelectText(m_pHeightA, s[CProtocolHeader::ANTENNA_A_HEIGHT]);
    SelectText(m_pPolarisationA, s[CProtocolHeader::ANTENNA_A_POLARISATION]);
    SelectText(m_pTypeB, s[CProtocolHeader::ANTENNA_B_TYPE]);
    SelectText(m_pHeightB, s[CProtocolHeader::ANTENNA_B_HEIGHT]);
    SelectText(m_pPolarisationB, s[CProtocolHeader::ANTENNA_B_POLARISATION]);
    m_pComment->setText(QString::fromStdString(s[CProtocolHeader::COMMENT]));
    m_pLocation->setText(QString::fromStdString(s[CProtocolHeader::LOCATION]));
    m_bModified = false;
}

void CProtocolView::ShowLogFolder() {
    std::string folder;
    GetDocument().GetLogFolder(folder);
    m_pFolder->setText(QString::fromStdString(folder));
}

void CProtocolView::OnNameEdited(CProtocolHeader::StringField field, const QLineEdit* edit) {
    const std::string text = edit->text().toStdString();
    if (m_header.m_strings[field] == text) {
        return;  // the focus left without a change
    }
    m_header.m_strings[field] = text;
    GetDocument().SetProtocolHeader(m_header);
    GetDocument().SetModifiedFlag();
    GetDocument().UpdateAllViews(nullptr, HINT_PROTOCOL_CHANGED);
    m_bModified = true;
}

void CProtocolView::hideEvent(QHideEvent* event) {
    OnDeactivate();
    CItemView::hideEvent(event);
}

void CProtocolView::OnDeactivate() {
    GetDocument().GetProtocolHeader(m_header);
    const std::array<std::pair<CProtocolHeader::StringField, QString>, 8> fields = {{
        {CProtocolHeader::ANTENNA_A_TYPE, m_pTypeA->currentText()},
        {CProtocolHeader::ANTENNA_A_HEIGHT, m_pHeightA->currentText()},
        {CProtocolHeader::ANTENNA_A_POLARISATION, m_pPolarisationA->currentText()},
        {CProtocolHeader::ANTENNA_B_TYPE, m_pTypeB->currentText()},
        {CProtocolHeader::ANTENNA_B_HEIGHT, m_pHeightB->currentText()},
        {CProtocolHeader::ANTENNA_B_POLARISATION, m_pPolarisationB->currentText()},
        {CProtocolHeader::LOCATION, m_pLocation->text()},
        {CProtocolHeader::COMMENT, m_pComment->text()},
    }};
    for (const auto& [field, text] : fields) {
        if (m_header.m_strings[field] != text.toStdString()) {
            m_header.m_strings[field] = text.toStdString();
            m_bModified = true;
        }
    }
    if (m_bModified) {
        GetDocument().SetProtocolHeader(m_header);
        GetDocument().SetModifiedFlag();
        GetDocument().UpdateAllViews(nullptr, HINT_PROTOCOL_CHANGED);
        m_bModified = false;
    }
}

void CProtocolView::OnBrowse() {
    GetDocument().SelectLogFolder();
    ShowLogFolder();
}

void CProtocolView::OnEnableLogging() {
    CTAVIKSDIDoc& doc = GetDocument();
    if (!m_pEnableLogging->isChecked()) {
        doc.CloseLogFiles();
    } else if (doc.OpenLogFiles(true) == CDayFileLogger::kNoFolder) {
        OnBrowse();
        doc.OpenLogFiles(true);
    }
    ShowLoggingSwitch();  // declined or failed: the box is clear again
}

void CProtocolView::ShowLoggingSwitch() {
    m_pEnableLogging->setChecked(GetDocument().GetLoggingState() !=
                                 CTAVIKSDIDoc::ELoggingState::Off);
    ApplyLoggingRule();
}

void CProtocolView::ApplyLoggingRule() {
    const bool editable = !m_bMeasuring && !m_pEnableLogging->isChecked();
    m_pFolder->setEnabled(editable);
    m_pBrowse->setEnabled(editable);
}

}  // namespace tavik
