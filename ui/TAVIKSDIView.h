#pragma once

#include <array>
#include <optional>

#include <QFont>
#include <QTimer>
#include <QWidget>

#include "platform/Document.h"
#include "ui/ItemPages.h"
#include "ui/ToolbarState.h"
#include "ui/ViewAttachment.h"

namespace tavik {

class CMainFrame;
class CXTMenuView;

// The main view: the protocol header strip, the navigation pane and the item pane with one of
// its four pages, under the caption bars "Protocol Header" and "Menu". It follows the state
// hints with the frame's toolbar and runs the once-a-second main timer that drives the
// document. With several stations each has its own main view (its timer drives its document
// shown or not), and only the one shown sets the frame's toolbar and logging pane.
// User-interface thread.
class CTAVIKSDIView final : public QWidget, public CView {
    Q_OBJECT

public:
    static constexpr int kMainTimerId = 109;

    CTAVIKSDIView(CTAVIKSDIDoc& doc, CGuiMessageTarget& window, CMainFrame& frame, QWidget* parent,
                  const SItemViewFactories& views = DefaultItemViews());
    ~CTAVIKSDIView() override;

    // The framework's initial update: attaches this view and each page to the document.
    void OnInitialUpdate();
    void OnUpdate(CView* sender, long hint, void* object) override;

    void ShowPage(int index);
    int GetCurrentPage() const { return m_nCurrentPage; }
    CItemView* GetItemView(int index) const { return m_pages.at(index); }
    CXTMenuView& GetMenuView() const { return *m_pMenuView; }

    void StartTimer(int periodMs);
    void StopTimer();
    bool IsTimerRunning() const { return m_timer.isActive(); }
    int GetTimerPeriod() const { return m_timer.interval(); }
    // The timer's tick: the document's main timer work.
    void OnTimer();

    // Leaves room for the station list below the navigation pane, under the caption "Stations".
    void SetStationsPane(bool on);
    // The frame's toolbar and logging pane as this view's document last set them.
    void ShowFrameState();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CTAVIKSDIDoc& m_doc;
    CMainFrame& m_frame;
    QWidget* m_pHeaderView;  // children of this view
    CXTMenuView* m_pMenuView;
    std::array<CItemView*, kItemPages> m_pages{};
    int m_nCurrentPage = 0;
    QFont m_captionFont;
    QTimer m_timer;
    CViewAttachment m_attachment;
    bool m_bStationsPane = false;
    std::optional<SToolbarFlags> m_toolbarFlags;  // of the last state hint
};

}  // namespace tavik
