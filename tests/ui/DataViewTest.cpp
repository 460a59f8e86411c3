// The data view: routing of the result window's messages to the document and the pages, the
// page selection, and the ITU-R conditions line.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QSettings>
#include <QTest>

#include "analysis/MultipathResult.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"
#include "tests/support/ResultMessage.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ConditionsLine.h"
#include "ui/DataView.h"
#include "ui/GuiMessageTarget.h"

namespace tavik {
namespace {

using test::CRecordingMeasurementView;

class DataViewTest : public ::testing::Test {
protected:
    DataViewTest() {
        m_doc.SetPrompt(&m_prompt);
        QSettings().remove(QStringLiteral("Settings/MeasurementView"));  // a first start
        MeasurementViewFactories factories;
        for (int i = 0; i < kMeasurementPages; ++i) {
            factories[i] = [this, i](CTAVIKSDIDoc& doc, QWidget* parent) {
                auto* view = new CRecordingMeasurementView(doc, parent);
                m_pages[i] = view;
                return view;
            };
        }
        m_pView = std::make_unique<CDataView>(m_doc, m_window, nullptr, factories);
        m_pView->resize(900, 500);
        m_pView->OnInitialUpdate();
        m_doc.AddView(&m_hints);
    }
    ~DataViewTest() override { m_doc.RemoveView(&m_hints); }

    // Posts from a thread of its own, as a worker does, and lets the UI thread take it.
    void PostFromWorker(CMessage message) {
        std::thread worker([&] { m_window.PostMessage(std::move(message)); });
        worker.join();
        QCoreApplication::processEvents();
    }
    std::size_t RoutedCount() const {
        std::size_t count = 0;
        for (const CRecordingMeasurementView* page : m_pages) {
            count += page->results.size();
        }
        return count;
    }

    CRecordingPrompt m_prompt;
    CTAVIKSDIDoc m_doc;
    CGuiMessageTarget m_window;
    std::array<CRecordingMeasurementView*, kMeasurementPages> m_pages{};
    std::unique_ptr<CDataView> m_pView;
    test::CHintRecorder m_hints;
};

// The deviation goes to its page, the power history to its page and its newest value to the
// document, each taken on the UI thread.
TEST_F(DataViewTest, ResultsFromAWorkerReachTheDocumentAndTheirPageOnTheUiThread) {
    PostFromWorker(test::Result<EResultCode::DeviationPeak>(42.5f));
    PostFromWorker(test::Result<EResultCode::PowerHistory>(
        std::make_shared<const std::vector<float>>(std::vector<float>{-1.5f, 0.5f, 2.0f})));

    EXPECT_EQ(m_doc.GetCurrentValues().m_fMpxPower, std::optional(-1.5f));
    ASSERT_EQ(m_pages[PAGE_DEVIATION]->results.size(), 1u);
    const auto& entry = m_pages[PAGE_DEVIATION]->results.front();
    EXPECT_EQ(entry.nCode, 4);
    EXPECT_EQ(entry.values, std::vector<float>{42.5f});
    EXPECT_EQ(entry.thread, std::this_thread::get_id());
    ASSERT_EQ(m_pages[PAGE_POWER]->results.size(), 1u);
    EXPECT_EQ(m_pages[PAGE_POWER]->results[0].values, (std::vector<float>{-1.5f, 0.5f, 2.0f}));
    // Which codes change the document is the router's; a result without a code reaches no page.
    PostFromWorker(CMessage{WM_ANALYSER_RESULT, 14, 0});
    EXPECT_EQ(RoutedCount(), 2u);
}

TEST_F(DataViewTest, MultipathResultIsStoredAndShownInTheConditionsLine) {
    auto result = std::make_shared<CMultipathResult>();
    result->m_slope = {0.1f};
    result->m_fLevel = 63.25f;
    result->m_fMultipath = 0.5f;
    result->m_nStatus = 1;
    PostFromWorker(test::Result<EResultCode::Multipath>(result));

    EXPECT_EQ(m_hints.hints, std::vector<long>{HINT_MULTIPATH_RESULT});
    EXPECT_EQ(m_pView->GetConditions(),
              "ITU-R Measurement Conditions >> RF Level: 63.2 dBuV  |  Multipath: 0.50 %/kHz  |  "
              "Status: OK");
    EXPECT_EQ(RoutedCount(), 0u);

    // A pause blanks the line and leaves the page as it was.
    const int selected = m_pView->GetSelected();
    m_doc.UpdateAllViews(nullptr, HINT_RUN_PAUSED);
    EXPECT_TRUE(m_pView->GetConditions().empty());
    EXPECT_EQ(m_pView->GetSelected(), selected);
}

// The box's text and the stop are the router's; the view hands the message on.
TEST_F(DataViewTest, TransferErrorReachesTheDocument) {
    PostFromWorker(CMessage{WM_TRANSFER_ERROR, 1, 0});
    EXPECT_EQ(m_prompt.m_boxes.size(), 1u);
    EXPECT_NE(std::find(m_hints.hints.begin(), m_hints.hints.end(), HINT_HARDWARE_ERROR),
              m_hints.hints.end());
}

TEST(ConditionsLineTest, FormatsEachStatus) {
    const std::string values =
        "ITU-R Measurement Conditions >> RF Level: 54.1 dBuV  |  Multipath: 1.99 %/kHz  |  "
        "Status: ";
    const struct {
        int nStatus;
        std::string strLine;
    } cases[] = {
        {3, "ITU-R Measurement Conditions >> Deviation too low (< 20.0 kHz)"},
        {1, values + "OK"},
        {2, values + "STOP"},
        {0, values},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatConditions(54.06f, 1.994f, c.nStatus), c.strLine) << c.nStatus;
    }
    EXPECT_EQ(ConditionsRect(1000), QRect(505, 2, 486, 28));
}

TEST_F(DataViewTest, SelectorButtonsAndHintsShowOnePageWithItsTitle) {
    EXPECT_EQ(m_pView->GetSelected(), PAGE_QUALITY);  // first display
    EXPECT_TRUE(m_pView->GetSelectorButton(PAGE_QUALITY)->isChecked());

    m_pView->show();
    QTest::mouseClick(m_pView->GetSelectorButton(PAGE_RDS), Qt::LeftButton);
    EXPECT_EQ(m_pView->GetSelected(), PAGE_RDS);
    EXPECT_EQ(m_pView->GetTitle(), QStringLiteral("Measurement - RDS Data"));
    for (int i = 0; i < kMeasurementPages; ++i) {
        EXPECT_EQ(m_pages[i]->isVisible(), i == PAGE_RDS) << i;
    }
    EXPECT_TRUE(m_pages[PAGE_RDS]->IsTimerRunning());
    EXPECT_FALSE(m_pages[PAGE_SIGNAL]->IsTimerRunning());
    EXPECT_EQ(m_pages[PAGE_RDS]->geometry(),
              QRect(0, CDataView::kButtonStripHeight, 900, 500 - CDataView::kButtonStripHeight));

    // A page chosen by its hint (Alt+1-6 in the main frame's test) checks its button.
    m_doc.UpdateAllViews(nullptr, HINT_SHOW_MEASUREMENT_VIEW + 4);  // hint 29: spectrum
    EXPECT_TRUE(m_pView->GetSelectorButton(PAGE_SPECTRUM)->isChecked());
    EXPECT_EQ(m_pView->GetTitle(), QStringLiteral("Measurement - MPX Spectrum"));
}

}  // namespace
}  // namespace tavik
