#pragma once

#include <array>
#include <string>

#include <QFont>

#include "document/ResultRouter.h"
#include "platform/MessageTarget.h"
#include "ui/ItemView.h"
#include "ui/MeasurementPages.h"

class QAbstractButton;
class QButtonGroup;

namespace tavik {

class CGuiMessageTarget;
class CMeasurementView;

// The measurement page of the item pane: six measurement views, one shown at a time under a
// row of selector buttons, the ITU-R conditions line at the top right, and the single receiver
// of what the analysers, the RDS worker and the transfer thread post to the result window.
// Every result passes the core's result router (the document's values, as in the headless
// monitor) and then goes to the view of its page. User-interface thread.
class CDataView final : public CItemView {
    Q_OBJECT

public:
    // Height of the strip above the views that holds the buttons and the conditions line.
    static constexpr int kButtonStripHeight = 55;

    // Becomes the receiver of `window` and gives it to the document as its result window.
    CDataView(CTAVIKSDIDoc& doc, CGuiMessageTarget& window, QWidget* parent,
              const MeasurementViewFactories& views = DefaultMeasurementViews());
    ~CDataView() override;

    // Messages of the result window: WM_ANALYSER_RESULT (OnAnalyserResult), WM_TRANSFER_ERROR,
    // WM_ANALYSER_ERROR.
    void OnMessage(const CMessage& message);

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    // Shows a page and remembers it for the next start (the first display shows the page
    // remembered); -1 takes the page of the checked selector button.
    void SelectMeasurementView(int index);
    void SetConditions(float level, float multipath, int status);

    int GetSelected() const { return m_nSelected; }
    CMeasurementView* GetMeasurementView(int index) const { return m_views.at(index); }
    QAbstractButton* GetSelectorButton(int index) const;
    const std::string& GetConditions() const { return m_strConditions; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void PaintPage(QPainter& painter) override;

private:
    void OnAnalyserResult(const CMessage& message);
    void UpdateButtons();
    void InvalidateConditions();

    CGuiMessageTarget& m_window;
    CResultRouter m_router;
    int m_nSelected = PAGE_QUALITY;
    std::array<CMeasurementView*, kMeasurementPages> m_views{};  // children of this view
    QButtonGroup* m_pButtons = nullptr;
    float m_fConditionsLevel = 0.0f;
    float m_fConditionsMultipath = 0.0f;
    std::string m_strConditions;
    QFont m_font;
};

}  // namespace tavik
