#pragma once

#include <QWidget>

namespace tavik {

class CTAVIKSDIDoc;
class CXTOutlookBar;
class CXTPagerCtrl;

// The navigation pane: the four page items "Protocol", "Parameter", "Measurement" and
// "Alarm Settings" in a pager. A click on item i broadcasts HINT_SHOW_PAGE + i to every view.
class CXTMenuView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPagerButtonSize = 15;

    CXTMenuView(CTAVIKSDIDoc& doc, QWidget* parent);

    // The outlook bar's notice: a click on the item at `index` of control `controlId`.
    void OnNavigationItem(int index, int controlId);
    CXTOutlookBar& GetOutlookBar() const { return *m_pBar; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CTAVIKSDIDoc& m_doc;
    CXTPagerCtrl* m_pPager;
    CXTOutlookBar* m_pBar;
};

}  // namespace tavik
