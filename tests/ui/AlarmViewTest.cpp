// The alarm page: form validation and the New/Update/Delete messages, the check boxes and the
// stop, the log lines of the alarm hints and the log's full-list rule.
#include <clocale>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "document/TAVIKSDIDoc.h"
#include "ui/AlarmView.h"

namespace tavik {
namespace {

class AlarmViewTest : public ::testing::Test {
protected:
    AlarmViewTest() : m_clock(CTime(2026, 12, 6, 23, 19, 16)) {
        std::setlocale(LC_TIME, "C");
        m_doc.SetPrompt(&m_prompt);
        m_doc.SetClock(&m_clock);
        m_view.resize(800, 600);
        m_view.OnInitialUpdate();
        m_doc.UpdateAllViews(nullptr, 0);
    }

    template <typename T>
    T* Find(const char* name) {
        T* widget = m_view.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Fill(const char* name, const char* threshold, const char* delay) {
        Find<QLineEdit>("name")->setText(QString::fromLatin1(name));
        Find<QLineEdit>("threshold")->setText(QString::fromLatin1(threshold));
        Find<QLineEdit>("delay")->setText(QString::fromLatin1(delay));
    }
    void Choose(const char* name, int index) { Find<QComboBox>(name)->setCurrentIndex(index); }
    QTableWidget& List() { return *Find<QTableWidget>("alarms"); }
    QListWidget& Log() { return *Find<QListWidget>("log"); }
    std::string LastLogLine() { return Log().item(Log().count() - 1)->text().toStdString(); }
    std::string LastBox() const {
        return m_prompt.m_boxes.empty() ? std::string() : m_prompt.m_boxes.back().text;
    }
    void AddAlarm(const std::string& name, int source = ALARM_SOURCE_DEVIATION,
                  float threshold = 75.0f) {
        m_doc.SetAlarm(name,
                       std::make_unique<CAlarmItem>(name, source, ALARM_RELATION_GREATER, threshold,
                                                    ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), 1));
        m_doc.UpdateAllViews(nullptr, HINT_ALARM_LIST);
    }
    void Tick(int row, bool checked) {
        List().item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }

    CManualClock m_clock;
    CRecordingPrompt m_prompt;
    CTAVIKSDIDoc m_doc;
    CAlarmView m_view{m_doc, nullptr};
};

TEST_F(AlarmViewTest, NewRefusesEachInvalidFieldWithItsMessageAndStoresAValidAlarmDisabled) {
    struct Case {
        const char* name;
        const char* threshold;
        const char* delay;
        const char* message;  // "" for accepted
        int source = ALARM_SOURCE_MPX_POWER;
    };
    const char* const power = "The threshold for MPX power must be a number from -60 to 20 dBr.";
    const char* const deviation = "The threshold for Deviation must be a number from 0 to 110 kHz.";
    const char* const multipath =
        "The threshold for Multipath must be a number from 0 to 100 %/kHz.";
    const Case cases[] = {
        {"", "1", "0", "Please enter a name."},
        {"a", "-1", "0", "Please enter a threshold greater than\nor equal to zero.",
         ALARM_SOURCE_MULTIPATH},
        {"b", "1", "-1", "Please enter a delay greater than\nor equal to zero."},
        {"", "-1", "-1", "Please enter a name."},  // the first failure wins
        {"c", "x", "0", "Please enter a number."},
        // Not a number an alarm could meet, or beyond what the source measures: the range.
        {"c", "nan", "0", power},
        {"c", "inf", "0", power},
        {"c", "20.01", "0", power},
        {"c", "-60.01", "0", power},
        {"c", "-inf", "0", power},
        {"c", "1e39", "0", deviation, ALARM_SOURCE_DEVIATION},
        {"c", "120", "0", deviation, ALARM_SOURCE_DEVIATION},
        {"c", "-inf", "0", "Please enter a threshold greater than\nor equal to zero.",
         ALARM_SOURCE_DEVIATION},
        {"c", "100.5", "0", multipath, ALARM_SOURCE_MULTIPATH},
        {"Silence", "-15", "30", ""},  // a level in dB goes below 0
        {"Overmod", "0", "90", ""},
        {"OVERMOD", "1", "0", "Press Update if you have changed\nan existing alarm."},
    };
    for (const Case& c : cases) {
        m_prompt.m_boxes.clear();
        Fill(c.name, c.threshold, c.delay);
        Choose("source", c.source);
        Find<QPushButton>("New")->click();
        EXPECT_EQ(LastBox(), c.message) << c.name << " " << c.threshold << " " << c.delay;
    }
    ASSERT_EQ(m_doc.GetAlarms().GetCount(), 2u);
    EXPECT_EQ(m_doc.GetAlarms().Lookup("Silence")->m_fThreshold, -15.0f);
    const CAlarmItem* item = m_doc.GetAlarms().Lookup("Overmod");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_fThreshold, 0.0f);
    EXPECT_EQ(item->m_spanDelay.GetTotalSeconds(), 90);
    EXPECT_FALSE(item->m_bEnabled);
    ASSERT_EQ(List().rowCount(), 2);
    EXPECT_EQ(List().item(0, 3)->text(), "-15.00");
    EXPECT_EQ(List().item(1, 0)->checkState(), Qt::Unchecked);
    const QStringList row = {"Overmod", "MPX_POWER", "<", "0.00", "90", "SET ALARM 1", "YES"};
    for (int column = 0; column < row.size(); ++column) {
        EXPECT_EQ(List().item(1, column)->text(), row[column]);
        // Every header reads whole, "Acknowledge" included.
        const QString header = List().horizontalHeaderItem(column)->text();
        EXPECT_GT(List().columnWidth(column),
                  List().horizontalHeader()->fontMetrics().horizontalAdvance(header))
            << header.toStdString();
    }
}

// The source list holds every source; choosing one shows its unit, disables relation and
// threshold for a change, says what C/N needs, and New checks the source's range.
TEST_F(AlarmViewTest, TheSourceListShowsUnitsNeedsAndRanges) {
    QComboBox& source = *Find<QComboBox>("source");
    ASSERT_EQ(source.count(), ALARM_SOURCE_COUNT);
    EXPECT_EQ(source.itemText(ALARM_SOURCE_RF_LEVEL), "RF-LEVEL");
    const QLabel& unit = *Find<QLabel>("unit");
    const QLabel& note = *Find<QLabel>("sourceNote");
    const struct {
        std::int32_t source;
        const char* unit;
        bool threshold;  // the threshold and relation can be edited
        const char* note;
    } rows[] = {
        {ALARM_SOURCE_RF_LEVEL, "dBuV", true, ""},
        {ALARM_SOURCE_CARRIER_NOISE, "dB", true,
         "C/N needs a live receiver: with recordings this alarm never fires."},
        {ALARM_SOURCE_PI_CHANGE, "", false,
         "Fires on any change of the confirmed value; no threshold."},
        {ALARM_SOURCE_SILENCE, "s", true, ""},
    };
    for (const auto& row : rows) {
        Choose("source", row.source);
        EXPECT_EQ(unit.text(), row.unit);
        EXPECT_EQ(Find<QLineEdit>("threshold")->isEnabled(), row.threshold);
        EXPECT_EQ(Find<QComboBox>("relation")->isEnabled(), row.threshold);
        EXPECT_EQ(note.text(), row.note);
    }
    Fill("Carrier", "-21", "0");
    Choose("source", ALARM_SOURCE_RF_LEVEL);
    Find<QPushButton>("New")->click();
    EXPECT_EQ(LastBox(), "The threshold for RF level must be a number from -20 to 120 dBuV.");
    // A change stores no threshold, whatever the disabled field holds.
    Fill("Station", "abc", "0");
    Choose("source", ALARM_SOURCE_PS_CHANGE);
    Find<QPushButton>("New")->click();
    const CAlarmItem* item = m_doc.GetAlarms().Lookup("Station");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_nSource, ALARM_SOURCE_PS_CHANGE);
    EXPECT_EQ(item->m_fThreshold, 0.0f);
}

TEST_F(AlarmViewTest, UpdateNeedsTheExactNameAndADisabledAlarm) {
    AddAlarm("Overmod");
    Choose("source", ALARM_SOURCE_DEVIATION);
    Fill("Overmod", "80", "0");
    Tick(0, true);
    Find<QPushButton>("Update")->click();
    EXPECT_EQ(LastBox(), "Disable alarm before you press Update");
    EXPECT_EQ(m_doc.GetAlarms().Lookup("Overmod")->m_fThreshold, 75.0f);

    Tick(0, false);
    Fill("OVERMOD", "80", "0");  // a row matches only when case is ignored
    Find<QPushButton>("Update")->click();
    EXPECT_EQ(LastBox(), "Press New if you have changed the name.");
    Fill("Other", "80", "0");
    Find<QPushButton>("Update")->click();
    EXPECT_EQ(LastBox(), "Press New if you have changed the name.");

    m_prompt.m_boxes.clear();
    Fill("Overmod", "80", "0");
    Find<QPushButton>("Update")->click();
    EXPECT_TRUE(m_prompt.m_boxes.empty());
    EXPECT_EQ(m_doc.GetAlarms().Lookup("Overmod")->m_fThreshold, 80.0f);
    EXPECT_EQ(List().item(0, 3)->text(), "80.00");
}

TEST_F(AlarmViewTest, DeletingTwoRowsWithTheFirstEnabledKeepsItAndDeletesTheSecond) {
    Find<QPushButton>("Delete")->click();
    EXPECT_EQ(LastBox(), "Nothing selected for deleting.");

    AddAlarm("first");
    AddAlarm("second");
    Tick(0, true);
    List().selectAll();
    Find<QPushButton>("Delete")->click();
    ASSERT_EQ(m_prompt.m_boxes.size(), 2u);
    EXPECT_EQ(LastBox(), "Disable alarm before you press Delete");
    ASSERT_EQ(List().rowCount(), 1);
    EXPECT_EQ(List().item(0, 0)->text(), "first");
    EXPECT_EQ(List().item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(m_doc.GetAlarms().Lookup("second"), nullptr);
}

TEST_F(AlarmViewTest, RowClickLoadsTheFormAndTheSourceSetsTheUnit) {
    AddAlarm("Multi", ALARM_SOURCE_MULTIPATH, 2.5f);
    emit List().cellClicked(0, 3);
    EXPECT_EQ(Find<QLineEdit>("name")->text(), "Multi");
    EXPECT_EQ(Find<QLineEdit>("threshold")->text(), "2.5");
    EXPECT_EQ(Find<QComboBox>("source")->currentIndex(), ALARM_SOURCE_MULTIPATH);
    EXPECT_EQ(Find<QComboBox>("relation")->currentIndex(), ALARM_RELATION_GREATER);
    EXPECT_EQ(Find<QComboBox>("acknowledge")->currentIndex(), 1);
    EXPECT_EQ(m_view.findChild<QLabel*>("unit")->text(), "%/kHz");
    Choose("source", ALARM_SOURCE_DEVIATION);
    EXPECT_EQ(m_view.findChild<QLabel*>("unit")->text(), "kHz");
}

TEST_F(AlarmViewTest, CheckBoxesSwitchAlarmsAndTheStopClearsEveryOne) {
    AddAlarm("a");
    AddAlarm("b");
    Tick(0, true);
    Tick(1, true);
    EXPECT_TRUE(m_doc.GetAlarms().Lookup("b")->m_bEnabled);
    Tick(1, false);  // when an untick takes effect is the document's rule
    EXPECT_FALSE(m_doc.GetAlarms().Lookup("b")->m_bEnabled);
    Tick(1, true);
    m_doc.GetAlarms().Lookup("a")->m_bActive = 1;

    m_doc.UpdateAllViews(nullptr, HINT_MEASUREMENT_STOPPED);
    EXPECT_EQ(LastLogLine(),
              "Sun Dec  6 23:19:16 2026   Measurement stopped (all alarms are switched off)");
    // What the stop does to the alarms is the document's; here the page's boxes follow.
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(List().item(row, 0)->checkState(), Qt::Unchecked);
    }
    EXPECT_FALSE(m_doc.GetAlarms().Lookup("a")->m_bActive);
}

TEST_F(AlarmViewTest, AlarmHintsWriteTheirLinesColourTheRowAndAskTheQuestion) {
    EXPECT_EQ(LastLogLine(), "Sun Dec  6 23:19:16 2026   *** Log started ***");
    AddAlarm("Overmod");
    Tick(0, true);
    CAlarmItem* item = m_doc.GetAlarms().Lookup("Overmod");
    item->m_bActive = 1;
    item->m_fTriggerValue = 77.5f;
    m_doc.UpdateAllViews(nullptr, HINT_ALARM_STATE, item);
    EXPECT_EQ(LastLogLine(),
              "Sun Dec  6 23:19:16 2026   Alarm \"Overmod\" caused an alarm "
              "because DEVIATION(77.500) > 75.000kHz");
    EXPECT_EQ(List().item(0, 4)->background().color(), QColor(0xFF, 0x80, 0x80));

    m_prompt.m_nAnswer = IDYES;
    m_doc.UpdateAllViews(nullptr, HINT_ALARM_PROMPT, item);
    EXPECT_EQ(LastBox(), "Overmod has caused an alarm. Do you want to disable it ?");
    EXPECT_EQ(List().item(0, 0)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(item->m_bResetRequested);

    item->m_bActive = 0;
    m_doc.UpdateAllViews(nullptr, HINT_ALARM_STATE, item);
    EXPECT_EQ(LastLogLine(), "Sun Dec  6 23:19:16 2026   Alarm \"Overmod\" was reset.");
    EXPECT_EQ(List().item(0, 4)->background().style(), Qt::NoBrush);
}

TEST_F(AlarmViewTest, AFullLogDropsItsOldestLines) {
    m_view.SetLogCapacity(3);
    for (const char* text : {"one", "two", "three", "four"}) {
        m_view.AddLogLine(text);
    }
    ASSERT_EQ(Log().count(), 3);
    EXPECT_EQ(Log().item(0)->text(), "Sun Dec  6 23:19:16 2026   two");
    EXPECT_EQ(LastLogLine(), "Sun Dec  6 23:19:16 2026   four");
}

}  // namespace
}  // namespace tavik
