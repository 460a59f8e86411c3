#include "ui/XTMenuView.h"

#include "document/TAVIKSDIDoc.h"
#include "ui/CaptionBar.h"
#include "ui/NavigationIcons.h"
#include "ui/XTOutlookBar.h"
#include "ui/XTPagerCtrl.h"

namespace tavik {

CXTMenuView::CXTMenuView(CTAVIKSDIDoc& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_pPager(new CXTPagerCtrl(this)), m_pBar(new CXTOutlookBar) {
    m_pBar->SetOwner([this](int index, int controlId) { OnNavigationItem(index, controlId); });
    m_pBar->SetColors(Qt::white, AppWorkspaceColor(palette()));
    for (const SNavigationItem& item : kNavigationItems) {
        m_pBar->AddMenuItem(NavigationIcon(item.nIcon), QString::fromLatin1(item.strLabel));
    }
    m_pPager->SetChild(m_pBar);
    m_pPager->SetButtonSize(kPagerButtonSize);
}

void CXTMenuView::OnNavigationItem(int index, int controlId) {
    if (controlId != CXTOutlookBar::kControlId || index < 0 || index >= m_pBar->GetCount()) {
        return;
    }
    m_doc.UpdateAllViews(nullptr, HINT_SHOW_PAGE + index);
}

void CXTMenuView::resizeEvent(QResizeEvent* /*event*/) {
    m_pPager->setGeometry(rect());
}

}  // namespace tavik
