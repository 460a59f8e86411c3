// The RDS page's form: group boxes, labels and fields, the radio-text cells and the two-column
// layout.
#include <algorithm>
#include <cstring>

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

#include "ui/MeasurementForm.h"
#include "ui/RDSView.h"

namespace tavik {

namespace {

// The record's name of each field, in field order.
constexpr const char* kFieldNames[] = {
    "m_strPS",
    "m_strCountry",
    "m_strAreaCoverage",
    "m_strPI",
    "m_strMusicSpeech",
    "m_strPTY",
    "m_strPTYN",
    "m_strPIN",
    "m_strLanguage",
    "m_strDate",
    "m_strTime",
    "m_strTPIndicator",
    "m_strTPText",
    "m_strTAIndicator",
    "m_strTAText",
    "m_strAF",
    "m_strEonPS",
    "m_strEonPI",
    "m_strEonAreaCoverage",
    "m_strEonCountry",
    "m_strEonTPIndicator",
    "m_strEonTAIndicator",
    "m_strEonPTY",
    "m_strEonAF",
};

constexpr int kMinWidth = 500;
constexpr int kMinHeight = 300;
constexpr int kMaxWidth = 1000;
constexpr int kCellTop = 20;
constexpr int kCellHeight = 18;

// Rows of each column in twentieths of the height: box and its share.
struct SSlot {
    int nBox;
    int nTwentieths;
};

// The font height of a long label: 14 when its control is wide enough, else 12.
int LongLabelHeight(int width, int threshold) {
    return width >= threshold ? 14 : 12;
}

}  // namespace

void CRDSView::CreateForm() {
    CreateBox(STATION, "Radio Station");
    m_pPSLabel = AddRow(STATION, 0, "PSNS Programme Service Name Segment:", {PS});
    AddRow(STATION, 1, "Country:", {COUNTRY});
    AddRow(STATION, 2, "Area Coverage:", {AREA});
    AddRow(STATION, 3, "Programme Reference Number", {PI});

    CreateBox(PROGRAMME, "Programme Information");
    AddRow(PROGRAMME, 0, "Music/Speech:", {MUSIC_SPEECH});
    AddRow(PROGRAMME, 1, "PTY Programme Type:", {PTY});
    m_pPTYNLabel = AddRow(PROGRAMME, 2, "PTYN Programme Type Name Segment:", {PTYN});
    AddRow(PROGRAMME, 3, "Scheduled Programme Start:", {PIN});
    AddRow(PROGRAMME, 4, "Language:", {LANGUAGE});

    CreateBox(DATE_TIME, "Date and Time");
    AddRow(DATE_TIME, 0, "Date:", {DATE});
    AddRow(DATE_TIME, 1, "Time:", {TIME});

    CreateBox(TRAFFIC, "TP/TA Traffic Announcement and Traffic Program Information");
    AddRow(TRAFFIC, 0, "TP:", {TP_INDICATOR, TP_TEXT});
    AddRow(TRAFFIC, 1, "TA:", {TA_INDICATOR, TA_TEXT});

    CreateBox(FREQUENCIES, "Alternative Frequencies");
    AddRow(FREQUENCIES, 0, nullptr, {AF});
    m_fields[AF]->setWordWrap(true);

    CreateRadioTextBox();

    CreateBox(EON, "EON Enhanced Other Networks Information");
    AddRow(EON, 0, "PSNS:", {EON_PS});
    AddRow(EON, 1, "Programme Reference Number:", {EON_PI});
    AddRow(EON, 2, "Area Coverage:", {EON_AREA});
    AddRow(EON, 3, "Country :", {EON_COUNTRY});
    AddRow(EON, 4, "TP:", {EON_TP});
    AddRow(EON, 5, "TA:", {EON_TA});
    AddRow(EON, 6, "Programme Type:", {EON_PTY});
    AddRow(EON, 7, "Alternative Frequencies:", {EON_AF});
    m_fields[EON_AF]->setWordWrap(true);

    QGroupBox* ber = CreateBox(BER, "Bit Error Rate");
    auto* grid = static_cast<QGridLayout*>(ber->layout());
    grid->addWidget(new QLabel(QStringLiteral("RDS Bit Error Rate:"), ber), 0, 0);
    m_pBitErrorRate = MakeValueField(ber);
    grid->addWidget(m_pBitErrorRate, 0, 1);

    for (QLabel* label : {m_pPSLabel, m_pPTYNLabel}) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->installEventFilter(this);
    }
    RefreshControls();
}

QGroupBox* CRDSView::CreateBox(Box box, const char* title) {
    auto* group = new QGroupBox(QString::fromLatin1(title), this);
    if (box != RADIO_TEXT) {
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(6, 4, 6, 4);
        grid->setVerticalSpacing(1);
    }
    m_boxes[box] = group;
    return group;
}

QLabel* CRDSView::AddRow(Box box, int row, const char* label, std::initializer_list<Field> fields) {
    QGroupBox* group = m_boxes[box];
    auto* grid = static_cast<QGridLayout*>(group->layout());
    QLabel* caption = nullptr;
    int column = 0;
    if (label != nullptr) {
        caption = new QLabel(QString::fromLatin1(label), group);
        grid->addWidget(caption, row, column++);
    }
    for (const Field field : fields) {
        m_fields[field] = MakeValueField(group);
        grid->addWidget(m_fields[field], row, column, 1, field == *fields.begin() ? 1 : 2);
        grid->setColumnStretch(column, 1);
        ++column;
    }
    return caption;
}

void CRDSView::CreateRadioTextBox() {
    QGroupBox* group = CreateBox(RADIO_TEXT, "Radio text");
    for (QLabel*& cell : m_cells) {
        cell = MakeValueField(group);
        cell->setMinimumWidth(0);
        cell->setAlignment(Qt::AlignCenter);
        cell->setContentsMargins(0, 0, 0, 0);
        cell->setStyleSheet(cell->styleSheet() + QStringLiteral(" QLabel { padding: 0px; }"));
    }
    m_pHistory = new QListWidget(group);
}

QString CRDSView::FieldText(const char* name) const {
    for (int i = 0; i < FIELD_COUNT; ++i) {
        if (std::strcmp(kFieldNames[i], name) == 0) {
            return m_fields[i]->text();
        }
    }
    return {};
}

void CRDSView::resizeEvent(QResizeEvent* event) {
    CMeasurementView::resizeEvent(event);
    LayOut();
}

// Two columns over the client area, the left one half of the width (at most 1000 in all),
// rows in fixed twentieths of the height.
void CRDSView::LayOut() {
    if (width() < kMinWidth || height() < kMinHeight) {
        return;
    }
    static constexpr SSlot kLeft[] = {
        {STATION, 5}, {PROGRAMME, 6}, {DATE_TIME, 3}, {TRAFFIC, 4}, {BER, 2}};
    static constexpr SSlot kRight[] = {{FREQUENCIES, 3}, {RADIO_TEXT, 8}, {EON, 9}};
    const int total = std::min(width(), kMaxWidth);
    const int half = total / 2;
    const auto place = [this](const auto& rows, int x, int w) {
        int twentieths = 0;
        for (const SSlot& slot : rows) {
            const int top = height() * twentieths / 20;
            twentieths += slot.nTwentieths;
            const int bottom = height() * twentieths / 20;
            m_boxes[slot.nBox]->setGeometry(x + 2, top + 1, w - 4, bottom - top - 2);
        }
    };
    place(kLeft, 0, half);
    place(kRight, half, total - half);
    LayOutRadioText();
}

// One row of 64 cells, each (box width - 18) / 64 wide, centred; the history below.
void CRDSView::LayOutRadioText() {
    const QGroupBox* box = m_boxes[RADIO_TEXT];
    const int cell = (box->width() - 18) / kRadioTextCells;
    const int left = (box->width() - cell * kRadioTextCells) / 2;
    for (int i = 0; i < kRadioTextCells; ++i) {
        m_cells[i]->setGeometry(left + i * cell, kCellTop, cell, kCellHeight);
    }
    const int top = kCellTop + kCellHeight + 4;
    m_pHistory->setGeometry(9, top, box->width() - 18, std::max(0, box->height() - top - 6));
}

bool CRDSView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && (watched == m_pPSLabel || watched == m_pPTYNLabel)) {
        auto* label = static_cast<QLabel*>(watched);
        const int threshold = label == m_pPSLabel ? 202 : 200;
        QFont font = label->font();
        const int height = LongLabelHeight(label->width(), threshold);
        if (font.pixelSize() != height) {
            font.setPixelSize(height);
            label->setFont(font);
        }
    }
    return CMeasurementView::eventFilter(watched, event);
}

}  // namespace tavik
