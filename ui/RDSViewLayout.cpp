// The RDS page's form: group boxes, labels and fields, the radio-text cells and the two-column
// layout.
#include <algorithm>
#include <cstring>

#include <QFontMetrics>
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

constexpr int kGridColumns = 4;  // label, a second label or indicator column, the values
constexpr int kValueRoom = 100;
constexpr int kIndicatorWidth =
    40;  // "TP", "TA" and their padding  // what a long label leaves its value at least
constexpr int kCompactWidth = 900;
constexpr int kCompactPixels = 11;

}  // namespace

void CRDSView::CreateForm() {
    CreateBox(STATION, "Radio Station");
    m_pPSLabel = AddRow(STATION, 0, "PSNS Programme Service Name Segment:", {PS}, true);
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

    // Labels read whole; the values take the room that is left and wrap long texts
    // ("Supra-regional programme", the TP and TA texts) onto a second line.
    for (QLabel* field : m_fields) {
        field->setMinimumWidth(0);
        field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        field->setWordWrap(true);
    }
    for (const Field indicator : {TP_INDICATOR, TA_INDICATOR}) {
        m_fields[indicator]->setWordWrap(false);
        m_fields[indicator]->setMinimumWidth(kIndicatorWidth);
        m_fields[indicator]->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
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

// A row of a box's grid: the label in column 0 (over columns 0 and 1 when `wideLabel`), then
// the fields; the last field takes the rest of the row and the spare width, so a long value
// gets all the room its label leaves.
QLabel* CRDSView::AddRow(Box box, int row, const char* label, std::initializer_list<Field> fields,
                         bool wideLabel) {
    QGroupBox* group = m_boxes[box];
    auto* grid = static_cast<QGridLayout*>(group->layout());
    QLabel* caption = nullptr;
    int column = 0;
    if (label != nullptr) {
        caption = new QLabel(QString::fromLatin1(label), group);
        grid->addWidget(caption, row, column, 1, wideLabel ? 2 : 1);
        column += wideLabel ? 2 : 1;
    }
    for (const Field field : fields) {
        m_fields[field] = MakeValueField(group);
        const bool last = field == *(fields.end() - 1);
        grid->addWidget(m_fields[field], row, column, 1, last ? kGridColumns - column : 1);
        ++column;
    }
    grid->setColumnStretch(kGridColumns - 1, 1);
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
    m_pRadioTextLine = MakeValueField(group);
    m_pRadioTextLine->setObjectName(QStringLiteral("radioTextLine"));
    m_pRadioTextLine->setWordWrap(true);
    m_pRadioTextLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pRadioTextLine->hide();
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
    // Below the width where the page's texts fit in the system font, the page uses a compact
    // Arial 11 px: every label, title and value still reads whole at the window's 800 x 600.
    QFont font;
    if (total < kCompactWidth) {
        font = QFont(QStringLiteral("Arial"));
        font.setPixelSize(kCompactPixels);
    }
    if (this->font() != font) {
        // Set on each control: the value fields' style sheets keep them from inheriting it.
        setFont(font);
        for (QWidget* child : findChildren<QWidget*>()) {
            child->setFont(font);
        }
    }
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
    FitLongLabels();
    LayOutRadioText();
}

// One row of 64 cells, each (box width - 18) / 64 wide, centred; the history below.
void CRDSView::LayOutRadioText() {
    const QGroupBox* box = m_boxes[RADIO_TEXT];
    const int cell = (box->width() - 18) / kRadioTextCells;
    const int left = (box->width() - cell * kRadioTextCells) / 2;
    // A cell narrower than a wide character cannot be read: then the text is shown as one
    // wrapped line in the fields' font instead.
    const bool cells = cell >= m_cells[0]->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    for (int i = 0; i < kRadioTextCells; ++i) {
        m_cells[i]->setGeometry(left + i * cell, kCellTop, cell, kCellHeight);
        m_cells[i]->setVisible(cells);
    }
    m_pRadioTextLine->setVisible(!cells);
    int top = kCellTop + kCellHeight + 4;
    if (!cells) {
        // 64 characters take at most three lines of the box's width.
        const int lines = 3 * m_pRadioTextLine->fontMetrics().lineSpacing() + 6;
        m_pRadioTextLine->setGeometry(9, kCellTop, box->width() - 18, lines);
        top = kCellTop + lines + 4;
    }
    m_pHistory->setGeometry(9, top, box->width() - 18, std::max(0, box->height() - top - 6));
}

// The two long labels are 14 high when they leave their values room enough, else 12.
void CRDSView::FitLongLabels() {
    for (QLabel* label : {m_pPSLabel, m_pPTYNLabel}) {
        const int threshold = label == m_pPSLabel ? 202 : 200;
        QFont font = label->font();
        font.setPixelSize(14);
        if (this->font().pixelSize() == kCompactPixels) {
            label->setFont(QFont());  // the compact page font, smaller than either size
            continue;
        }
        const int room = label->parentWidget()->width() - kValueRoom;
        const int height =
            LongLabelHeight(room - QFontMetrics(font).horizontalAdvance(label->text()), threshold);
        if (font.pixelSize() != height || label->font().pixelSize() != height) {
            font.setPixelSize(height);
            label->setFont(font);
        }
    }
}

}  // namespace tavik
