#include "ui/TAVIKSDIView.h"

#include <QPainter>

#include "document/TAVIKSDIDoc.h"
#include "ui/CaptionBar.h"
#include "ui/ItemView.h"
#include "ui/MainFrame.h"
#include "ui/MainViewLayout.h"
#include "ui/MeasurementPages.h"
#include "ui/ToolbarState.h"
#include "ui/XTMenuView.h"

namespace tavik {

namespace {

constexpr int kCaptionWeight = 700;
constexpr int kHeaderWindowId = 7;
constexpr int kMenuWindowId = 8;

}  // namespace

CTAVIKSDIView::CTAVIKSDIView(CTAVIKSDIDoc& doc, CGuiMessageTarget& window, CMainFrame& frame,
                             QWidget* parent, const SItemViewFactories& views)
    : QWidget(parent),
      m_doc(doc),
      m_frame(frame),
      m_pHeaderView(views.header(doc, this)),
      m_pMenuView(new CXTMenuView(doc, this)),
      m_captionFont(CaptionFont(kCaptionWeight)) {
    m_pHeaderView->setProperty("windowId", kHeaderWindowId);
    m_pMenuView->setProperty("windowId", kMenuWindowId);
    for (int i = 0; i < kItemPages; ++i) {
        CItemView* page = views.pages.at(i)(doc, window, this);
        page->setObjectName(QString::fromLatin1(kItemPageTable[i].strWindowName));
        page->setProperty("windowId", kItemPageTable[i].nWindowId);
        page->hide();
        m_pages[i] = page;
    }
    m_timer.setTimerType(Qt::PreciseTimer);  // the main timer paces the measuring time
    connect(&m_timer, &QTimer::timeout, this, &CTAVIKSDIView::OnTimer);
}

CTAVIKSDIView::~CTAVIKSDIView() = default;

void CTAVIKSDIView::OnInitialUpdate() {
    m_attachment.Attach(m_doc, this);
    for (CItemView* page : m_pages) {
        page->OnInitialUpdate();
    }
}

void CTAVIKSDIView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    if (hint == 0) {
        ShowPage(0);
    } else if (hint >= HINT_SHOW_PAGE && hint < HINT_SHOW_PAGE + kItemPages) {
        ShowPage(static_cast<int>(hint - HINT_SHOW_PAGE));
    } else if (hint >= HINT_SHOW_MEASUREMENT_VIEW &&
               hint < HINT_SHOW_MEASUREMENT_VIEW + kMeasurementPages) {
        ShowPage(ITEM_DATA);  // the data view shows the view itself
    } else if (hint == HINT_RUN_STARTED) {
        StartTimer(static_cast<int>(m_doc.GetTickSpan().GetTotalSeconds() * 1000));
        // Measuring shows its values: the protocol and parameter pages are locked meanwhile;
        // the alarm page stays, its alarms are watched there.
        if (m_nCurrentPage == ITEM_PROTOCOL || m_nCurrentPage == ITEM_SETTINGS) {
            ShowPage(ITEM_DATA);
        }
    } else if (hint == HINT_RUN_PAUSED) {
        StopTimer();
    } else if (SToolbarFlags flags; ToolbarFlagsForHint(hint, flags)) {
        m_toolbarFlags = flags;
        if (&m_frame.GetMainView() == this) {
            m_frame.SetToolbarState(flags.bHardware, flags.bScanning, flags.bRunning,
                                    flags.bPaused);
        }
    }
    // Logging changes with the protocol hint, with a stop, and (failing) on any tick.
    if ((hint == 0 || hint == HINT_PROTOCOL_CHANGED || hint == HINT_TIMER_TICK ||
         hint == HINT_MEASUREMENT_STARTED || hint == HINT_MEASUREMENT_STOPPED ||
         hint == HINT_MEASUREMENT_RESET) &&
        &m_frame.GetMainView() == this) {
        m_frame.UpdateLoggingPane();
    }
}

void CTAVIKSDIView::ShowFrameState() {
    if (m_toolbarFlags) {
        m_frame.SetToolbarState(m_toolbarFlags->bHardware, m_toolbarFlags->bScanning,
                                m_toolbarFlags->bRunning, m_toolbarFlags->bPaused);
    }
    m_frame.UpdateLoggingPane();
}

void CTAVIKSDIView::SetStationsPane(bool on) {
    m_bStationsPane = on;
    resizeEvent(nullptr);
    update();
}

void CTAVIKSDIView::ShowPage(int index) {
    m_pages[m_nCurrentPage]->hide();
    m_nCurrentPage = index;
    m_pages[m_nCurrentPage]->show();
}

void CTAVIKSDIView::StartTimer(int periodMs) {
    m_timer.start(periodMs);
}

void CTAVIKSDIView::StopTimer() {
    m_timer.stop();
}

void CTAVIKSDIView::OnTimer() {
    m_doc.OnMainTimerEvent();
}

void CTAVIKSDIView::resizeEvent(QResizeEvent* /*event*/) {
    const SMainViewLayout layout = MainViewLayout(width(), height(), m_bStationsPane);
    m_pHeaderView->setGeometry(layout.rcHeader);
    m_pMenuView->setGeometry(layout.rcNavigation);
    for (CItemView* page : m_pages) {
        page->setGeometry(layout.rcItem);
    }
}

void CTAVIKSDIView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), ButtonFaceColor(palette()));
    const SMainViewLayout layout = MainViewLayout(width(), height(), m_bStationsPane);
    DrawCaptionBar(painter, layout.rcHeaderCaption, QStringLiteral("Protocol Header"),
                   m_captionFont, palette());
    DrawCaptionBar(painter, layout.rcMenuCaption, QStringLiteral("Menu"), m_captionFont, palette());
    if (m_bStationsPane) {
        DrawCaptionBar(painter, layout.rcStationsCaption, QStringLiteral("Stations"), m_captionFont,
                       palette());
    }
}

}  // namespace tavik
