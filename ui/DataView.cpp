#include "ui/DataView.h"

#include <algorithm>

#include <QButtonGroup>
#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>

#include "document/TAVIKSDIDoc.h"
#include "ui/CaptionBar.h"
#include "ui/ConditionsLine.h"
#include "ui/DialogUnits.h"
#include "ui/GuiMessageTarget.h"
#include "ui/MeasurementView.h"
#include "ui/RecentFileList.h"

namespace tavik {

namespace {

constexpr int kConditionsFontPixels = 14;
constexpr int kConditionsGap = 12;  // between the page title and the conditions line
constexpr int kButtonY = 16;        // dialog units
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 15;

// The page that hints 25 to 31 select (Alt+1 to Alt+7).
constexpr std::array<int, kMeasurementPages> kPageOfHint = {
    PAGE_SIGNAL, PAGE_QUALITY, PAGE_DEVIATION, PAGE_POWER, PAGE_SPECTRUM, PAGE_RDS, PAGE_STEREO};

}  // namespace

CDataView::CDataView(CTAVIKSDIDoc& doc, CGuiMessageTarget& window, QWidget* parent,
                     const MeasurementViewFactories& views)
    : CItemView(doc, parent),
      m_window(window),
      m_router(doc),
      m_font(CellHeightFont(QStringLiteral("Arial"), kConditionsFontPixels, 400)) {
    setObjectName(QStringLiteral("data view"));
    m_pButtons = new QButtonGroup(this);
    m_pButtons->setExclusive(true);
    for (int i = 0; i < kMeasurementPages; ++i) {
        const SMeasurementPage& page = kMeasurementPageTable[i];
        auto* button = new QPushButton(QString::fromLatin1(page.strButton), this);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setGeometry(DialogUnitRect(page.nButtonX, kButtonY, kButtonWidth, kButtonHeight));
        m_pButtons->addButton(button, i);

        CMeasurementView* view = views.at(i)(doc, this);
        view->setObjectName(QString::fromLatin1(page.strWindowName));
        view->hide();
        m_views[i] = view;
    }
    connect(m_pButtons, &QButtonGroup::idClicked, this, [this] { SelectMeasurementView(-1); });
    m_window.SetReceiver([this](const CMessage& message) { OnMessage(message); });
    doc.SetResultWindow(&m_window);
}

CDataView::~CDataView() {
    m_window.SetReceiver(nullptr);
}

QAbstractButton* CDataView::GetSelectorButton(int index) const {
    return m_pButtons->button(index);
}

void CDataView::OnInitialUpdate() {
    CItemView::OnInitialUpdate();
    for (CMeasurementView* view : m_views) {
        view->AttachToDocument();
    }
    // The view shown last, the signal quality the first time.
    const int remembered = RememberedMeasurementView(PAGE_QUALITY);
    SelectMeasurementView(remembered >= 0 && remembered < kMeasurementPages ? remembered
                                                                            : PAGE_QUALITY);
    UpdateButtons();
}

void CDataView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    if (hint == HINT_RUN_PAUSED) {
        m_strConditions.clear();
        InvalidateConditions();
    } else if (hint >= HINT_SHOW_MEASUREMENT_VIEW &&
               hint < HINT_SHOW_MEASUREMENT_VIEW + kMeasurementPages) {
        SelectMeasurementView(kPageOfHint[hint - HINT_SHOW_MEASUREMENT_VIEW]);
        UpdateButtons();
    } else if (hint == HINT_MULTIPATH_RESULT) {
        const CMultipathResult* result = GetDocument().GetMultipathResult();
        SetConditions(result->m_fLevel, result->m_fMultipath, result->m_nStatus);
    }
}

void CDataView::SelectMeasurementView(int index) {
    for (CMeasurementView* view : m_views) {
        view->hide();
    }
    m_nSelected = index == -1 ? m_pButtons->checkedId() : index;
    if (m_nSelected < 0 || m_nSelected >= kMeasurementPages) {
        return;
    }
    SetTitle(QString::fromLatin1(kMeasurementPageTable[m_nSelected].strTitle));
    m_views[m_nSelected]->show();
    RememberMeasurementView(m_nSelected);
}

void CDataView::UpdateButtons() {
    if (QAbstractButton* button = m_pButtons->button(m_nSelected)) {
        button->setChecked(true);
    }
}

void CDataView::SetConditions(float level, float multipath, int status) {
    m_fConditionsLevel = level;
    m_fConditionsMultipath = multipath;
    m_strConditions = FormatConditions(level, multipath, status);
    InvalidateConditions();
}

// The whole row of the strip: a long line runs on to the left of its rectangle.
void CDataView::InvalidateConditions() {
    const QRect line = ConditionsRect(width());
    update(0, line.top(), width(), line.height());
}

void CDataView::resizeEvent(QResizeEvent* event) {
    CItemView::resizeEvent(event);
    const QRect area(0, kButtonStripHeight, width(), std::max(0, height() - kButtonStripHeight));
    for (CMeasurementView* view : m_views) {
        view->setGeometry(area);
    }
}

void CDataView::PaintPage(QPainter& painter) {
    painter.setFont(m_font);
    painter.setPen(CaptionTextColor(palette()));
    painter.setBackgroundMode(Qt::TransparentMode);
    // Centred on the caption bar's part of the rectangle: the caption-text colour is legible
    // only on the bar. A line wider than the room right of the page title runs on to the left
    // up to the title and is elided there, never drawn over it.
    QRect line = ConditionsRect(width());
    line.setBottom(std::min(line.bottom(), kCaptionHeight - 1));
    line.setLeft(TitleEnd() + kConditionsGap);
    const QString text = QFontMetrics(m_font).elidedText(QString::fromStdString(m_strConditions),
                                                         Qt::ElideLeft, line.width());
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, text);
}

}  // namespace tavik
