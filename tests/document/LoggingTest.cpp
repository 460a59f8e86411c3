#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "document/DayFileLogger.h"
#include "document/Hints.h"
#include "platform/FolderLock.h"
#include "tests/document/LoggingFixture.h"

namespace tavik {
namespace {

using namespace test::logging;

TEST_F(LoggingFixture, WithoutFolderNothingIsWritten) {
    EXPECT_EQ(doc->OpenLogFiles(true), -1);
    EXPECT_FALSE(doc->IsLoggingEnabled());
    EXPECT_EQ(doc->ResultFileName(), "");
    EXPECT_EQ(doc->LogFileName(), "");
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(70);
    doc->WriteLog("Measurement Started");
    doc->CloseLogFiles();
    EXPECT_EQ(doc->GetResultCount(), 0);
    EXPECT_TRUE(view.Take().empty());
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_TRUE(prompt.m_notices.empty());

    // With a folder but logging off, events are logged and no records are collected.
    doc->SelectLogFolder(logs);
    Seconds(70);
    doc->WriteLog("Measurement Started");
    EXPECT_EQ(doc->GetResultCount(), 0);
    EXPECT_FALSE(fs::exists(doc->ResultFileName()));
    EXPECT_EQ(Log(), "5.12.2026, 11:32:27: Measurement Started\r\n");
    EXPECT_EQ(fs::path(doc->ResultFileName()).parent_path(), fs::path(logs));
}

TEST_F(LoggingFixture, SixtiethRecordIsTheFirstWrite) {
    Open();
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_PROTOCOL_CHANGED, HINT_PROTOCOL_CHANGED}));
    EXPECT_TRUE(doc->IsLoggingEnabled());
    EXPECT_EQ(doc->GetLastResultFile(), logs + "/tavik261205.xml");
    EXPECT_EQ(doc->GetLastLogFile(), logs + "/tavik261205.log");
    EXPECT_EQ(Xml(), "<?xml version=\"1.0\"?>\r\n<Tavik>\r\n");
    EXPECT_EQ(Log(), "5.12.2026, 11:30:07: File Opened\r\n");

    Seconds(59);
    EXPECT_EQ(doc->GetResultCount(), 59);
    EXPECT_EQ(Xml(), kHeader);
    Seconds(1);
    EXPECT_EQ(doc->GetResultCount(), 0);
    EXPECT_EQ(doc->GetMeasurementId(), 60);
    EXPECT_EQ(Xml(), kHeader + Records(1, 60, kSaturday1130, 1));  // no footer while logging runs
    // A report made now reads the records collected since, written out for it.
    Seconds(5);
    doc->WriteOutResults();
    EXPECT_EQ(ReadText(logs + "/tavik261205.xml"), kHeader + Records(1, 65, kSaturday1130, 1));
}

// A record keeps the newest values and the highest deviation of its second; a second without
// new values repeats the last ones, its peak included.
TEST_F(LoggingFixture, ARecordKeepsItsSecondsPeakAndASecondWithoutValuesRepeatsTheLast) {
    Open();
    Seconds(1);
    for (const float deviation : {76.12f, 74.0f, 75.58f}) {
        doc->SetResultValue(EResultValue::Deviation, deviation);
    }
    clock.Advance(CTimeSpan(1));
    doc->SetResultValue(EResultValue::Close, 0.0f);
    clock.Advance(CTimeSpan(1));
    doc->SetResultValue(EResultValue::Close, 0.0f);
    doc->WriteLog("Measurement Paused");
    const auto record = [](int id, std::uint32_t t, double peak) {
        return ExpectedRecord(id, t, DateText(t).c_str(), 75.58f, -0.5, 0.25, peak);
    };
    EXPECT_EQ(Xml(), kHeader + Records(1, 1, kSaturday1130, 1) +
                         record(2, kSaturday1130 + 1, 76.12f) +
                         record(3, kSaturday1130 + 2, 75.58f));
    EXPECT_FLOAT_EQ(doc->GetCurrentRecord().m_fDeviation, 75.58f);
    EXPECT_EQ(doc->GetCurrentRecord().m_nTimestamp, kSaturday1130 + 3);
}

// Ticks that come late or twice (a stalled machine catching up) still give every second one
// record, with consecutive ids; a gap longer than the filled seconds (a suspended machine)
// stays a gap.
TEST_F(LoggingFixture, LateOrDoubledTicksGiveEachSecondOneRecord) {
    Open();
    // Before each close: the deviation reported, then the clock's advance.
    const std::pair<int, int> steps[] = {{1, 1}, {2, 0}, {3, 1}, {4, 3}, {5, 1}, {6, 10}, {7, 11}};
    for (const auto& [deviation, advance] : steps) {
        doc->SetResultValue(EResultValue::Deviation, static_cast<float>(deviation));
        doc->SetResultValue(EResultValue::MpxPower, -0.5f * static_cast<float>(deviation));
        doc->SetResultValue(EResultValue::Multipath, 0.25f);
        clock.Advance(CTimeSpan(advance));
        doc->SetResultValue(EResultValue::Close, 0.0f);
    }
    doc->CloseLogFiles();
    // {second after the first, deviation} of each record.
    std::vector<std::pair<int, int>> records = {{0, 1}, {1, 3}, {2, 4}, {3, 4}, {4, 4}, {5, 5}};
    for (int s = 6; s <= 15; ++s) {
        records.emplace_back(s, 6);  // the closed second and the nine filled after it
    }
    records.emplace_back(16, 7);  // closed 11 s late: the seconds after it stay empty
    std::string expected = kHeader;
    int id = 0;
    for (const auto& [offset, deviation] : records) {
        const std::uint32_t t = kSaturday1130 + static_cast<std::uint32_t>(offset);
        expected += ExpectedRecord(++id, t, DateText(t).c_str(), deviation, -0.5 * deviation, 0.25);
    }
    EXPECT_EQ(Xml(), expected + kFooter);
}

TEST_F(LoggingFixture, EventLineFlushesFirstAndRecordsMeetOnOneLine) {
    Open();
    Seconds(2);
    doc->WriteLog("Alarm \"Dev\" was reset.");
    EXPECT_EQ(Xml(), kHeader + Records(1, 2, kSaturday1130, 1));  // records meet on one line
    EXPECT_EQ(Log(),
              "5.12.2026, 11:30:07: File Opened\r\n"
              "5.12.2026, 11:30:09: Alarm \"Dev\" was reset.\r\n");

    Seconds(1);
    doc->CloseLogFiles();
    EXPECT_FALSE(doc->IsLoggingEnabled());
    EXPECT_EQ(Xml(), kHeader + Records(1, 3, kSaturday1130, 1) + kFooter);
    EXPECT_EQ(Xml().substr(Xml().size() - 24), "</Measurement></Tavik>\r\n");
    EXPECT_TRUE(IsWellFormedXml(logs + "/tavik261205.xml"));
    EXPECT_EQ(Log().substr(Log().size() - 34), "5.12.2026, 11:30:10: File Closed\r\n");

    // Closed: no records are collected, a second close does nothing.
    Seconds(5);
    EXPECT_EQ(doc->GetResultCount(), 0);
    const std::string closedXml = Xml();
    const std::string closedLog = Log();
    doc->CloseLogFiles();
    EXPECT_EQ(Xml(), closedXml);
    EXPECT_EQ(Log(), closedLog);
    EXPECT_TRUE(prompt.m_notices.empty());
}

// Every record goes to the file of the day its second began on; at the first second of the new
// day the old pair is closed (records, footer, "File Closed") and the new one opened.
TEST_F(LoggingFixture, ChangeOfDayClosesYesterdaysPair) {
    constexpr std::uint32_t k2359 = 1796511570;  // 5 Dec 2026, 23:59:30
    const std::string oldLog =
        "5.12.2026, 23:59:30: File Opened\r\n"
        "5.12.2026, 23:59:50: Alarm \"Dev\" was reset.\r\n"
        "6.12.2026, 00:00:00: File Closed\r\n";
    clock.Set(CTime(k2359));
    CRDSData data;
    data.m_strPI = "D313";
    data.m_strPS = "TAVIK FM";
    doc->OnStationDecoded(data);
    doc->OnStationDecoded(data);  // named (with no folder yet), and in each new day's log
    Open();
    Seconds(20);
    doc->WriteLog("Alarm \"Dev\" was reset.");  // 23:59:50: records 1-20 to the 5th
    Seconds(20);
    doc->WriteLog("Measurement Paused");  // 00:00:10

    EXPECT_EQ(Xml("261205"), kHeader + Records(1, 30, k2359, 1) + kFooter);
    EXPECT_TRUE(IsWellFormedXml(logs + "/tavik261205.xml"));
    EXPECT_EQ(Log("261205"), oldLog);
    EXPECT_EQ(Xml("261206"), kHeader + Records(1, 10, k2359 + 30, 31));
    EXPECT_EQ(Log("261206"),
              "6.12.2026, 00:00:00: File Opened\r\n"
              "6.12.2026, 00:00:00: RDS: PI D313, PS \"TAVIK FM\"\r\n"
              "6.12.2026, 00:00:10: Measurement Paused\r\n");
    EXPECT_EQ(doc->GetLastResultFile(), logs + "/tavik261206.xml");
    EXPECT_EQ(doc->GetLastLogFile(), logs + "/tavik261206.log");

    Seconds(5);  // a close shortly after midnight
    doc->CloseLogFiles();
    EXPECT_EQ(Xml("261206"), kHeader + Records(1, 15, k2359 + 30, 31) + kFooter);
    EXPECT_TRUE(Log("261206").ends_with("6.12.2026, 00:00:15: File Closed\r\n"));
    EXPECT_EQ(Xml("261205"), kHeader + Records(1, 30, k2359, 1) + kFooter);  // untouched
    EXPECT_EQ(Log("261205"), oldLog);
    EXPECT_TRUE(prompt.m_notices.empty());
}

// A run that ends at midnight, before any second of the new day was closed, leaves no pair
// for the new day: its last lines go to the day its records belong to.
TEST_F(LoggingFixture, ARunEndingAtMidnightOpensNoPairForTheNewDay) {
    constexpr std::uint32_t k235956 = 1796511596;  // 5 Dec 2026, 23:59:56
    clock.Set(CTime(k235956));
    Open();
    Seconds(4);  // the close at midnight closes 23:59:59
    doc->WriteLog("Measurement stopped");
    doc->CloseLogFiles();
    EXPECT_EQ(Xml("261205"), kHeader + Records(1, 4, k235956, 1) + kFooter);
    EXPECT_TRUE(
        Log("261205").ends_with("6.12.2026, 00:00:00: Measurement stopped\r\n"
                                "6.12.2026, 00:00:00: File Closed\r\n"));
    EXPECT_FALSE(fs::exists(logs + "/tavik261206.xml"));
    EXPECT_FALSE(fs::exists(logs + "/tavik261206.log"));
    EXPECT_EQ(doc->GetLastResultFile(), logs + "/tavik261205.xml");
}

// A file that is not this program's result file in the place of the next day's is left as it
// is: the day's records and events go to the first free name beside it, its log says why, and a
// later run of that day continues there.
TEST_F(LoggingFixture, AForeignFileInTheDaysPlaceGivesWayToAFreeNameBesideIt) {
    constexpr std::uint32_t k2359 = 1796511570;  // 5 Dec 2026, 23:59:30
    std::ofstream(logs + "/tavik261206.xml") << "notes";
    fs::create_directory(logs + "/tavik261206-2.xml");
    clock.Set(CTime(k2359));
    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(150);
    doc->WriteLog("Measurement stopped");
    doc->CloseLogFiles();

    const std::string why =
        "tavik261206.xml is not a result file of this program and is left untouched; the "
        "day's results go to tavik261206-3.xml and its events to tavik261206-3.log";
    EXPECT_EQ(Xml("261206"), "notes");
    EXPECT_EQ(Xml("261206-3"), kHeader + Records(1, 120, k2359 + 30, 31) + kFooter);
    EXPECT_EQ(Log("261206-3"), "6.12.2026, 00:00:00: File Opened\r\n6.12.2026, 00:00:00: " + why +
                                   "\r\n6.12.2026, 00:02:00: Measurement stopped\r\n"
                                   "6.12.2026, 00:02:00: File Closed\r\n");
    EXPECT_FALSE(fs::exists(logs + "/tavik261206.log"));
    EXPECT_EQ(doc->GetLostResultCount(), 0);
    EXPECT_EQ(prompt.m_notices, std::vector<std::string>{why + "."});

    Restart();
    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    EXPECT_EQ(doc->GetMeasurementId(), 120);
    EXPECT_EQ(doc->GetLastResultFile(), logs + "/tavik261206-3.xml");
}

TEST_F(LoggingFixture, ReenablingOnTheSameDayContinuesTheFile) {
    Open();
    Seconds(3);
    doc->CloseLogFiles();
    EXPECT_EQ(doc->GetLoggingState(), CTAVIKSDIDoc::ELoggingState::Off);
    clock.Advance(CTimeSpan(60));
    ASSERT_EQ(doc->OpenLogFiles(true), 0);
    EXPECT_TRUE(prompt.m_boxes.empty());    // the folder in use is not asked about again
    EXPECT_EQ(doc->GetMeasurementId(), 3);  // numbering goes on from the file's last record
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(2);
    doc->CloseLogFiles();

    // One document: the first session's records, then the second's with the next ids.
    const std::uint32_t second = kSaturday1130 + 63;
    EXPECT_EQ(Xml(),
              kHeader + Records(1, 3, kSaturday1130, 1) + Records(4, 5, second, 4) + kFooter);
    EXPECT_EQ(Log(),
              "5.12.2026, 11:30:07: File Opened\r\n"
              "5.12.2026, 11:30:10: File Closed\r\n"
              "5.12.2026, 11:31:10: File Opened\r\n"
              "5.12.2026, 11:31:12: File Closed\r\n");
    EXPECT_TRUE(prompt.m_notices.empty());
}

TEST_F(LoggingFixture, TheLogNamesTheStationOnceItsPsIsStableAndWhenItChanges) {
    Open();
    CRDSData data;
    data.m_strPI = "D313";
    const std::string passes[] = {"TAV     ", "TAVIK FM", "TAVIK FM", "TAVIK FM",
                                  "No RDS",   "TAVIK TP", "TAVIK TP"};
    for (const std::string& ps : passes) {
        data.m_strPS = ps;
        doc->OnStationDecoded(data);
    }
    doc->CloseLogFiles();
    const std::string log = Log();
    EXPECT_EQ(Count(log, "RDS: "), 2u) << log;
    EXPECT_NE(log.find(": RDS: PI D313, PS \"TAVIK FM\"\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(": RDS: PI D313, PS \"TAVIK TP\"\r\n"), std::string::npos) << log;
}

TEST_F(LoggingFixture, ChangingTheFolderWhileLoggingClosesTheOldPairAndOpensTheNew) {
    Open();
    CRDSData data;
    data.m_strPI = "D313";
    data.m_strPS = "TAVIK FM";
    doc->OnStationDecoded(data);
    doc->OnStationDecoded(data);  // stable: named in the log
    Seconds(3);
    const std::string other = folder.File("other");
    fs::create_directory(other);
    doc->SelectLogFolder(other);
    EXPECT_TRUE(doc->IsLoggingEnabled());
    Seconds(2);
    doc->CloseLogFiles();

    EXPECT_EQ(Xml(), kHeader + Records(1, 3, kSaturday1130, 1) + kFooter);
    EXPECT_EQ(Log(),
              "5.12.2026, 11:30:07: File Opened\r\n"
              "5.12.2026, 11:30:07: RDS: PI D313, PS \"TAVIK FM\"\r\n"
              "5.12.2026, 11:30:10: File Closed\r\n");
    const std::string moved = ReadText(other + "/tavik261205.xml");
    EXPECT_EQ(moved, kHeader + Records(1, 2, kSaturday1130 + 3, 4) + kFooter);
    EXPECT_TRUE(IsWellFormedXml(logs + "/tavik261205.xml"));
    EXPECT_TRUE(IsWellFormedXml(other + "/tavik261205.xml"));
    EXPECT_EQ(ReadText(other + "/tavik261205.log"),
              "5.12.2026, 11:30:10: File Opened\r\n"
              "5.12.2026, 11:30:10: RDS: PI D313, PS \"TAVIK FM\"\r\n"
              "5.12.2026, 11:30:12: File Closed\r\n");
}

// File/New and an open that fails end logging with the day's footer; the failed open keeps
// the log folder, which the document file does not hold.
TEST_F(LoggingFixture, NewDocumentAndAFailedOpenCloseTheDayFilesFirst) {
    Open();
    Seconds(3);
    ASSERT_TRUE(doc->OnNewDocument());
    EXPECT_FALSE(doc->IsLoggingEnabled());
    EXPECT_EQ(Xml(), kHeader + Records(1, 3, kSaturday1130, 1) + kFooter);
    EXPECT_TRUE(Log().ends_with("11:30:10: File Closed\r\n"));

    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(2);
    folder.Write("bad.tvk", {1, 2, 3});
    EXPECT_FALSE(doc->OnOpenDocument(folder.File("bad.tvk")));
    EXPECT_EQ(Xml(), kHeader + Records(1, 3, kSaturday1130, 1) +
                         Records(4, 5, kSaturday1130 + 3, 4) + kFooter);
    EXPECT_EQ(Folder(), logs);
}

// Day files are never deleted: a folder holding some is used as it is once the user agrees,
// and declining keeps the folder in use (choosing) or logging off (switching on).
TEST_F(LoggingFixture, AFolderWithDayFilesIsUsedAsItIsOrDeclinedNeverEmptied) {
    const std::string kept =
        "This folder already contains log- or resultfiles. Nothing is deleted: today's files are "
        "continued and those of earlier days are kept.\n\nDo you want to log into this folder?";
    const std::vector<std::string> names = {"notes.log", "data.xml", "tavik261201.log",
                                            "tavik261201.xml", "tavik261130.log"};
    const std::string other = folder.File("other");
    fs::create_directory(other);
    doc->SelectLogFolder(logs);  // empty: nothing asked
    EXPECT_TRUE(prompt.m_boxes.empty());
    for (const std::string& name : names) {
        folder.Write("other/" + name, {'x'});
    }

    prompt.m_nAnswer = IDNO;  // Cancel while choosing: the old folder stays
    view.Take();
    doc->SelectLogFolder(other);
    EXPECT_EQ(Folder(), logs);
    ExpectOneBox(kept, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(view.TakeHints(), std::vector<long>{HINT_PROTOCOL_CHANGED});

    prompt.m_nAnswer = IDYES;  // OK: the folder is used as it is, and not asked about again
    doc->SelectLogFolder(other);
    EXPECT_EQ(Folder(), other);
    ASSERT_EQ(doc->OpenLogFiles(true), 0);
    EXPECT_EQ(prompt.m_boxes.size(), 2u);
    doc->CloseLogFiles();

    // A folder taken unattended is not asked about when logging is switched on again.
    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    doc->CloseLogFiles();
    folder.Write("logs/tavik261204.xml", {'x'});
    ASSERT_EQ(doc->OpenLogFiles(true), 0);
    EXPECT_EQ(prompt.m_boxes.size(), 2u);
    doc->CloseLogFiles();
    EXPECT_TRUE(fs::exists(logs + "/tavik261204.xml"));
    for (const std::string& name : names) {
        EXPECT_TRUE(fs::exists(other + "/" + name)) << name;
    }
    EXPECT_TRUE(prompt.m_notices.empty());
}

TEST_F(LoggingFixture, FolderChooserHook) {
    doc->SelectLogFolder();  // no chooser: nothing happens
    std::vector<std::string> asked;
    std::optional<std::string> answer = logs;
    doc->SetFolderChooser([&](const std::string& title, const std::string& current) {
        asked.push_back(title + "|" + current);
        return answer;
    });
    doc->OnSpecifyResultFile();
    answer.reset();  // Cancel
    doc->SelectLogFolder();
    EXPECT_EQ(asked, (std::vector<std::string>{"Select Logfile Location|",
                                               "Select Logfile Location|" + logs}));
    EXPECT_EQ(Folder(), logs);
}

// The measurement lifecycle writes its event lines and ends logging when it stops.
struct LoggingLifecycleFixture : LoggingFixture {
    LoggingLifecycleFixture() : LoggingFixture(true) {}
};

// Logging stays switched on across a stop: the stop closes the day's files, the next start
// continues them; when they cannot be begun, logging shows as failed until they can.
TEST_F(LoggingLifecycleFixture, StartPauseStopLinesAndLoggingGoesOnAfterAStop) {
    using EState = CTAVIKSDIDoc::ELoggingState;
    doc->SelectLogFolder(logs);
    ASSERT_EQ(doc->OpenLogFiles(true), 0);
    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    Seconds(3, true);
    doc->OnMeasurementPause();
    EXPECT_EQ(Xml(), kHeader + Records(1, 3, kSaturday1130, 1));  // the pause line flushed them

    clock.Advance(CTimeSpan(10));
    doc->OnMeasurementStart();  // resume: the next record is stamped anew
    Seconds(2, true);
    doc->OnMeasurementStop();
    EXPECT_FALSE(doc->IsLoggingEnabled());
    EXPECT_EQ(doc->GetLoggingState(), EState::On);
    EXPECT_EQ(Xml(), kHeader + Records(1, 3, kSaturday1130, 1) +
                         Records(4, 5, kSaturday1130 + 13, 4) + kFooter);

    clock.Advance(CTimeSpan(10));
    doc->OnMeasurementStart();
    Seconds(2, true);
    doc->OnMeasurementStop();
    EXPECT_EQ(Xml(), kHeader + Records(1, 3, kSaturday1130, 1) +
                         Records(4, 5, kSaturday1130 + 13, 4) +
                         Records(6, 7, kSaturday1130 + 25, 6) + kFooter);
    EXPECT_EQ(Log(),
              "5.12.2026, 11:30:07: File Opened\r\n"
              "5.12.2026, 11:30:07: Measurement Started\r\n"
              "5.12.2026, 11:30:10: Measurement Paused\r\n"
              "5.12.2026, 11:30:20: Measurement Started\r\n"
              "5.12.2026, 11:30:22: Measurement stopped\r\n"
              "5.12.2026, 11:30:22: File Closed\r\n"
              "5.12.2026, 11:30:32: File Opened\r\n"
              "5.12.2026, 11:30:32: Measurement Started\r\n"
              "5.12.2026, 11:30:34: Measurement stopped\r\n"
              "5.12.2026, 11:30:34: File Closed\r\n");
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_TRUE(prompt.m_notices.empty());

    // Another process holds the folder at the next start: failed, told, tried again later.
    {
        CFolderLock other;
        std::string holder;
        ASSERT_EQ(other.Acquire(logs, holder), 0);
        doc->OnMeasurementStart();
        EXPECT_EQ(doc->GetLoggingState(), EState::Failed);
        ASSERT_FALSE(prompt.m_notices.empty());
        EXPECT_EQ(prompt.m_notices.back(),
                  "Result logging could not be resumed in \"" + logs +
                      "\": no results are written; it is tried again at the next start.");
        doc->OnMeasurementStop();
    }
    doc->OnMeasurementStart();
    EXPECT_EQ(doc->GetLoggingState(), EState::On);
    EXPECT_TRUE(doc->IsLoggingEnabled());
    doc->OnMeasurementStop();
    doc->CloseLogFiles();  // switched off: the next start logs nothing
    doc->OnMeasurementStart();
    EXPECT_EQ(doc->GetLoggingState(), EState::Off);
    EXPECT_FALSE(doc->IsLoggingEnabled());
}

TEST_F(LoggingLifecycleFixture, StartDiscardsRecordsNotYetWritten) {
    doc->SelectLogFolder(logs);
    ASSERT_EQ(doc->OpenLogFiles(true), 0);
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(4);  // collected before the start, never flushed
    EXPECT_EQ(doc->GetResultCount(), 4);
    clock.Advance(CTimeSpan(5));
    doc->OnMeasurementStart();
    EXPECT_EQ(doc->GetResultCount(), 0);
    Seconds(1, true);
    doc->OnMeasurementStop();
    EXPECT_EQ(Xml(), kHeader +
                         ExpectedRecord(1, kSaturday1130 + 9, DateText(kSaturday1130 + 9).c_str(),
                                        5.0, -2.5, 0.25) +
                         kFooter);
}

// A host that is no document: it counts calls that come from another thread than the one that
// made it, since the log writer's thread must never reach the host (the document changes its
// folder and switch on the user-interface thread without a lock).
class CBareHost final : public CDayFileLogger::CHost {
public:
    CPrompt& GetPrompt() override { return Touch(m_prompt); }
    CTime Now() const override { return Touch(m_clock).Now(); }
    const std::string& GetLogFolder() const override { return Touch(m_strFolder); }
    void SetLogFolder(std::string folder) override { Touch(m_strFolder) = std::move(folder); }
    bool IsLoggingEnabled() const override { return Touch(m_bEnabled); }
    void SetLoggingEnabled(bool enabled) override { Touch(m_bEnabled) = enabled; }
    bool IsMeasuring() const override { return Touch(m_bMeasuring); }
    void SendHint(long hint) override { Touch(m_hints).push_back(hint); }

    template <class T>
    T& Touch(T& member) const {
        if (std::this_thread::get_id() != m_owner) {
            ++m_nForeignCalls;
        }
        return member;
    }

    const std::thread::id m_owner = std::this_thread::get_id();
    mutable std::atomic<int> m_nForeignCalls{0};
    mutable CRecordingPrompt m_prompt;
    mutable CManualClock m_clock;
    mutable std::string m_strFolder;
    mutable bool m_bEnabled = false;
    mutable bool m_bMeasuring = true;
    mutable std::vector<long> m_hints;
};

// Logging through midnight on the logger alone: the host's switch is turned on and off, the
// views hear of it once, and each day's pair is whole.
TEST(DayFileLogger, LogsThroughMidnightOnAHostThatIsNoDocument) {
    test::UseBerlinTime();
    test::CTempFolder folder;
    CBareHost host;
    host.m_strFolder = folder.Path();
    host.m_clock.Set(CTime(1796511598));  // 5 Dec 2026, 23:59:58 in Berlin
    CDayFileLogger logger(host);

    ASSERT_EQ(logger.OpenLogFiles(false), 0);
    EXPECT_TRUE(host.m_bEnabled);
    EXPECT_EQ(host.m_hints, std::vector<long>{HINT_PROTOCOL_CHANGED});
    logger.CloseSecond();
    for (int second = 0; second < 4; ++second) {
        logger.SetDeviation(static_cast<float>(second));
        host.m_clock.Advance(CTimeSpan(1));
        logger.CloseSecond();
    }
    logger.WriteLog("Measurement Paused");
    logger.CloseLogFiles();
    EXPECT_FALSE(host.m_bEnabled);
    EXPECT_EQ(logger.GetLastResultFile(), folder.File("tavik261206.xml"));
    EXPECT_EQ(host.m_nForeignCalls.load(), 0);
    EXPECT_TRUE(host.m_prompt.m_notices.empty());

    const std::string day1 = test::ReadText(folder.File("tavik261205.xml"));
    const std::string day2 = test::ReadText(folder.File("tavik261206.xml"));
    EXPECT_EQ(test::Count(day1, "<Measurement id="), 2u);  // 23:59:58 and 23:59:59
    EXPECT_EQ(test::Count(day2, "<Measurement id="), 2u);
    EXPECT_TRUE(day1.ends_with("</Measurement></Tavik>\r\n"));
    EXPECT_TRUE(day2.ends_with("</Measurement></Tavik>\r\n"));
    EXPECT_EQ(test::ReadText(folder.File("tavik261206.log")),
              "6.12.2026, 00:00:00: File Opened\r\n"
              "6.12.2026, 00:00:02: Measurement Paused\r\n"
              "6.12.2026, 00:00:02: File Closed\r\n");
}

}  // namespace
}  // namespace tavik
