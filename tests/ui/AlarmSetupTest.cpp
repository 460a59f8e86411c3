// A setup made on the alarm page and saved as a document file gives, in the unattended
// analysis (the monitor's and analyser's alarm recorder), the activations that the page logs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "document/BatchAnalysis.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/support/TempFolder.h"
#include "tools/StationGenerator.h"
#include "ui/AlarmView.h"

namespace tavik {
namespace {

int CountLines(const QListWidget& log, const QString& text) {
    int n = 0;
    for (int i = 0; i < log.count(); ++i) {
        n += log.item(i)->text().contains(text) ? 1 : 0;
    }
    return n;
}

TEST(AlarmSetupTest, SetupSavedFromThePageTriggersAsOnThePage) {
    test::CTempFolder folder;
    CGeneratorOptions options;
    options.strOutputFolder = folder.Path();
    options.fSeconds = 8.0;
    CStationGenerator(options).Run();
    const std::string setup = folder.Path() + "/setup.tvk";

    {
        CRecordingPrompt prompt;
        CTAVIKSDIDoc doc;
        doc.SetPrompt(&prompt);
        CAlarmView page(doc, nullptr);
        page.OnInitialUpdate();
        doc.UpdateAllViews(nullptr, 0);
        // Deviation above 40 kHz, switching itself off when it drops: goes active and resets
        // with the programme's loudness.
        page.findChild<QLineEdit*>("name")->setText("Loud");
        page.findChild<QComboBox*>("source")->setCurrentIndex(ALARM_SOURCE_DEVIATION);
        page.findChild<QComboBox*>("relation")->setCurrentIndex(ALARM_RELATION_GREATER);
        page.findChild<QLineEdit*>("threshold")->setText("40");
        page.findChild<QComboBox*>("action")->setCurrentIndex(ALARM_ACTION_LOG_ONLY);
        page.findChild<QComboBox*>("acknowledge")->setCurrentIndex(ALARM_ACKNOWLEDGE_NO);
        page.findChild<QPushButton*>("New")->click();
        ASSERT_TRUE(prompt.m_boxes.empty());
        ASSERT_TRUE(doc.OnSaveDocument(setup));
    }

    CRecordingPrompt prompt;
    CBatchOptions batch;
    batch.strDataFolder = folder.Path();
    batch.strSetupFile = setup;
    batch.bEnableAlarms = true;
    batch.start = CTime(2026, 6, 15, 12, 0, 0);
    CBatchAnalysis analysis(batch, prompt);
    // The page watches the same run as the unattended recorder.
    CAlarmView page(analysis.GetDocument(), nullptr);
    page.OnInitialUpdate();
    page.OnUpdate(nullptr, 0, nullptr);
    const CBatchSummary summary = analysis.Run();

    ASSERT_EQ(summary.alarms.size(), 1u);
    EXPECT_EQ(summary.alarms[0].strName, "Loud");
    EXPECT_GT(summary.alarms[0].nActivations, 0);
    const auto& log = *page.findChild<QListWidget*>("log");
    EXPECT_EQ(CountLines(log, "Alarm \"Loud\" caused an alarm because DEVIATION("),
              summary.alarms[0].nActivations);
}

}  // namespace
}  // namespace tavik
