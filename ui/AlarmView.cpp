#include "ui/AlarmView.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <utility>

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {

namespace {

constexpr int kColumns = 7;
constexpr std::array<const char*, kColumns> kColumnNames = {
    "Name", "Source", "Relation", "Threshold", "Delay", "Action", "Acknowledge"};
constexpr std::array<int, kColumns> kColumnWidths = {150, 100, 50, 75, 50, 100, 50};
constexpr int kHeaderPadding = 16;  // the header's margins and sort-indicator room
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kCaptionLineHeight = 16;

QComboBox* MakeChoice(QWidget* parent, const char* name, std::initializer_list<const char*> texts) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (const char* text : texts) {
        box->addItem(QString::fromLatin1(text));
    }
    return box;
}

QLabel* MakeLabel(QWidget* parent, const char* text, QRect geometry) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(geometry);
    return label;
}

// The local date and time as strftime's "%c" gives it in the user's locale (the application
// takes the locale from the environment at start-up).
std::string LocaleDateTime(CTime time) {
    const std::time_t t = time.GetTime();
    std::tm local{};
    localtime_r(&t, &local);
    std::array<char, 128> buffer{};
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), "%c", &local);
    return std::string(buffer.data(), length);
}

}  // namespace

CAlarmView::CAlarmView(CTAVIKSDIDoc& doc, QWidget* parent) : CItemView(doc, parent) {
    SetTitle(QStringLiteral("Alarm Settings"));
    CreateForm();
    CreateLists();
}

void CAlarmView::CreateForm() {
    m_pGroup = new QGroupBox(QStringLiteral("Selected Alarm Settings"), this);
    QWidget* g = m_pGroup;
    MakeLabel(g, "Name:", QRect(10, 22, 45, 20));
    m_pName = new QLineEdit(QStringLiteral("name"), g);
    m_pName->setObjectName(QStringLiteral("name"));
    m_pName->setMaxLength(kNameLength);
    m_pName->setGeometry(60, 22, 150, 21);
    MakeLabel(g, "Action:", QRect(225, 22, 50, 20));
    m_pAction = MakeChoice(g, "action", {"SET ALARM 1", "SET ALARM 2", "LOG ONLY"});
    m_pAction->setGeometry(280, 22, 120, 22);
    MakeLabel(g, "Delay:", QRect(415, 22, 45, 20));
    m_pDelay = new QLineEdit(QStringLiteral("0"), g);
    m_pDelay->setObjectName(QStringLiteral("delay"));
    m_pDelay->setGeometry(465, 22, 60, 21);
    MakeLabel(g, "sec", QRect(530, 22, 30, 20));

    MakeLabel(g, "Signal:", QRect(10, 55, 45, 20));
    m_pSource = MakeChoice(g, "source", {});
    for (std::int32_t source = 0; source < ALARM_SOURCE_COUNT; ++source) {
        m_pSource->addItem(QString::fromLatin1(CAlarmItem::GetSourceFormText(source)));
    }
    m_pSource->setGeometry(60, 55, 110, 22);
    m_pRelation = MakeChoice(g, "relation", {"<", "<=", "=", ">", ">="});
    m_pRelation->setGeometry(175, 55, 50, 22);
    m_pThreshold = new QLineEdit(QStringLiteral("0.0"), g);
    m_pThreshold->setObjectName(QStringLiteral("threshold"));
    m_pThreshold->setGeometry(230, 55, 70, 21);
    m_pUnit = MakeLabel(g, "dBr", QRect(305, 55, 50, 20));
    m_pUnit->setObjectName(QStringLiteral("unit"));
    MakeLabel(g, "Acknowledge:", QRect(370, 55, 90, 20));
    m_pAcknowledge = MakeChoice(g, "acknowledge", {"YES", "NO"});
    m_pAcknowledge->setGeometry(465, 55, 60, 22);
    MakeLabel(g, "Saved Alarms:", QRect(10, 92, 100, 18));
    m_pSourceNote = MakeLabel(g, "", QRect(120, 92, 420, 18));
    m_pSourceNote->setObjectName(QStringLiteral("sourceNote"));

    connect(m_pSource, &QComboBox::currentIndexChanged, this, &CAlarmView::OnSourceChanged);
}

void CAlarmView::CreateLists() {
    m_pList = new QTableWidget(0, kColumns, this);
    m_pList->setObjectName(QStringLiteral("alarms"));
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setShowGrid(true);
    m_pList->verticalHeader()->hide();
    for (int column = 0; column < kColumns; ++column) {
        auto* header = new QTableWidgetItem(QString::fromLatin1(kColumnNames[column]));
        header->setTextAlignment(Qt::AlignCenter);
        m_pList->setHorizontalHeaderItem(column, header);
        // At least as wide as its header's text ("Acknowledge" needs more than 50).
        const int text = m_pList->horizontalHeader()->fontMetrics().horizontalAdvance(
                             QString::fromLatin1(kColumnNames[column])) +
                         kHeaderPadding;
        m_pList->setColumnWidth(column, std::max(kColumnWidths[column], text));
    }
    connect(m_pList, &QTableWidget::cellClicked, this,
            [this](int row, int /*column*/) { OnRowClicked(row); });
    connect(m_pList, &QTableWidget::itemChanged, this, &CAlarmView::OnItemChanged);

    const auto button = [this](const char* text, void (CAlarmView::*handler)()) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(text));
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    m_pNew = button("New", &CAlarmView::OnNewAlarm);
    m_pDelete = button("Delete", &CAlarmView::OnDeleteAlarm);
    m_pUpdate = button("Update", &CAlarmView::OnUpdateAlarm);

    m_pLogCaption = new QLabel(QStringLiteral("Alarm Log:"), this);
    m_pLog = new QListWidget(this);
    m_pLog->setObjectName(QStringLiteral("log"));
}

void CAlarmView::resizeEvent(QResizeEvent* /*event*/) {
    const int cx = width();
    const int cy = height();
    m_pGroup->setGeometry(0, kGroupTop, cx - kGap, kListTop - kGap - kGroupTop);
    const int logTop = cy - kLogHeight - kGap;
    m_pLog->setGeometry(0, logTop, cx - kGap, kLogHeight);
    const int captionTop = logTop - kGap - kCaptionLineHeight;
    m_pLogCaption->setGeometry(0, captionTop, cx - kGap, kCaptionLineHeight);
    const int buttonTop = captionTop - kGap - kButtonHeight;
    int x = 0;
    for (QPushButton* b : {m_pNew, m_pDelete, m_pUpdate}) {
        b->setGeometry(x, buttonTop, kButtonWidth, kButtonHeight);
        x += kButtonWidth + kGap;
    }
    m_pList->setGeometry(0, kListTop, cx - kGap, std::max(0, buttonTop - kGap - kListTop));
}

void CAlarmView::OnUpdate(CView* /*sender*/, long hint, void* object) {
    switch (hint) {
        case 0:
            m_pLog->clear();
            AddLogLine("*** Log started ***");
            FillList();
            break;
        case HINT_ALARM_LIST:
            FillList();
            break;
        case HINT_ALARM_STATE:
            if (object != nullptr) {
                OnAlarmState(*static_cast<const CAlarmItem*>(object));
            }
            break;
        case HINT_ALARM_PROMPT:
            if (object != nullptr) {
                OnAlarmPrompt(*static_cast<const CAlarmItem*>(object));
            }
            break;
        case HINT_MEASUREMENT_STARTED:
            AddLogLine("Measurement started");
            break;
        case HINT_MEASUREMENT_STOPPED:
            OnMeasurementStopped();
            break;
        case HINT_MEASUREMENT_PAUSED:
            AddLogLine("Measurement paused (all alarms stay in previous state)");
            break;
        default:
            break;
    }
}

void CAlarmView::OnAlarmState(const CAlarmItem& item) {
    const std::string line = CAlarmEventRecorder::FormatEvent(item);
    AddLogLine(line);
    GetDocument().WriteLog(line);
    ColourRows();
}

void CAlarmView::OnAlarmPrompt(const CAlarmItem& item) {
    const std::string name = CAlarmEventRecorder::NameOf(GetDocument(), item);
    // The box does not hold up the main timer; the list may change before the answer comes.
    GetDocument().AskAlarmAcknowledge(name, [self = QPointer<CAlarmView>(this), name](int answer) {
        if (self && answer == IDYES) {
            if (const int row = self->FindRow(name); row >= 0) {
                self->SetRowChecked(row, false);
            }
        }
    });
}

void CAlarmView::OnMeasurementStopped() {
    AddLogLine("Measurement stopped (all alarms are switched off)");
    for (int row = 0; row < m_pList->rowCount(); ++row) {
        SetRowChecked(row, false);
    }
    GetDocument().DisableAllAlarms();
    ColourRows();
}

void CAlarmView::AddLogLine(const std::string& text) {
    const std::string line = LocaleDateTime(GetDocument().GetClock().Now()) + "   " + text;
    // A full list box refuses the line: the oldest lines make room.
    while (m_pLog->count() >= m_nLogCapacity && m_pLog->count() > 0) {
        delete m_pLog->takeItem(0);
    }
    m_pLog->addItem(QString::fromStdString(line));
    m_pLog->scrollToItem(m_pLog->item(m_pLog->count() - 1), QAbstractItemView::PositionAtTop);
}

void CAlarmView::FillList() {
    m_bFilling = true;
    m_pList->setRowCount(0);
    for (const CAlarmMap::Entry& entry : GetDocument().GetAlarms()) {
        const CAlarmItem& item = *entry.item;
        const int row = m_pList->rowCount();
        m_pList->insertRow(row);
        const std::array<QString, kColumns> texts = {
            QString::fromStdString(entry.key),
            QString::fromLatin1(CAlarmItem::GetSourceText(item.m_nSource)),
            QString::fromLatin1(CAlarmItem::GetRelationText(item.m_nRelation)),
            QString::asprintf("%.2f", static_cast<double>(item.m_fThreshold)),
            QString::asprintf("%d", static_cast<int>(item.m_spanDelay.GetTotalSeconds())),
            QString::fromLatin1(CAlarmItem::GetActionText(item.m_nAction)),
            QString::fromLatin1(CAlarmItem::GetAcknowledgeText(item.m_nAcknowledge)),
        };
        for (int column = 0; column < kColumns; ++column) {
            auto* cell = new QTableWidgetItem(texts[column]);
            cell->setTextAlignment(Qt::AlignCenter);
            if (column == 0) {
                cell->setFlags(cell->flags() | Qt::ItemIsUserCheckable);
                const bool checked = item.m_bEnabled && !item.m_bResetRequested;
                cell->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
            }
            m_pList->setItem(row, column, cell);
        }
    }
    m_bFilling = false;
    ColourRows();
}

void CAlarmView::ColourRows() {
    const QColor active(kActiveRowColour & 0xFF, (kActiveRowColour >> 8) & 0xFF,
                        (kActiveRowColour >> 16) & 0xFF);
    const bool filling = std::exchange(m_bFilling, true);
    for (int row = 0; row < m_pList->rowCount(); ++row) {
        const CAlarmItem* item = GetDocument().GetAlarms().Lookup(RowName(row));
        const QBrush brush = item != nullptr && item->m_bActive ? QBrush(active) : QBrush();
        for (int column = 0; column < kColumns; ++column) {
            if (QTableWidgetItem* cell = m_pList->item(row, column)) {
                cell->setBackground(brush);
            }
        }
    }
    m_bFilling = filling;
}

void CAlarmView::SetRowChecked(int row, bool checked) {
    const bool filling = std::exchange(m_bFilling, true);
    if (QTableWidgetItem* cell = m_pList->item(row, 0)) {
        cell->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    m_bFilling = filling;
}

std::string CAlarmView::RowName(int row) const {
    const QTableWidgetItem* cell = m_pList->item(row, 0);
    return cell != nullptr ? cell->text().toStdString() : std::string();
}

int CAlarmView::FindRow(const std::string& name) const {
    const QString wanted = QString::fromStdString(name);
    for (int row = 0; row < m_pList->rowCount(); ++row) {
        const QTableWidgetItem* cell = m_pList->item(row, 0);
        if (cell != nullptr && cell->text().compare(wanted, Qt::CaseInsensitive) == 0) {
            return row;
        }
    }
    return -1;
}

int CAlarmView::Message(const char* text, unsigned style) {
    return GetDocument().GetPrompt().MessageBox(text, style);
}

}  // namespace tavik
