// Result logging when storage fails: an unwritable or replaced folder, a stalled disk, a
// cut header, a crash and lost records.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "document/LogWriter.h"
#include "tests/document/LoggingFixture.h"

namespace tavik {
namespace {

using namespace test::logging;

// A folder that is away for a while (an unplugged drive, a lost share) is told once for each file,
// and the records wait; when it is back they all go out.
TEST_F(LoggingFixture, UnwritableFolderReportsOnceAndLosesNoRecord) {
    Open();
    const std::string away = logs + ".away";
    fs::rename(logs, away);  // the folder disappears (an unplugged drive, a lost share)
    Seconds(150);            // two failed flushes
    doc->WriteLog("Alarm \"Dev\" was reset.");  // a third, and a failed log line
    doc->WaitForLogWrites();
    ASSERT_EQ(prompt.m_notices.size(), 2u);  // one for each file, as the result log words them
    EXPECT_EQ(doc->GetUnwrittenResultCount(), 150);
    EXPECT_EQ(doc->GetMeasurementId(), 0);

    fs::rename(away, logs);
    Seconds(10);
    doc->WriteLog("Measurement Paused");
    doc->WaitForLogWrites();
    EXPECT_EQ(doc->GetUnwrittenResultCount(), 0);
    EXPECT_EQ(doc->GetMeasurementId(), 160);
    ASSERT_EQ(prompt.m_notices.size(), 4u);
    EXPECT_EQ(prompt.m_notices[3], "Log file \"" + logs + "/tavik261205.log\" is written again.");

    // Records still unwritten when the files are closed are given up and told; the file kept
    // stays continuable, and the next session goes on in it.
    Seconds(5);
    fs::rename(logs, away);
    doc->CloseLogFiles();
    EXPECT_EQ(doc->GetUnwrittenResultCount(), 0);
    ASSERT_EQ(prompt.m_notices.size(), 7u);
    EXPECT_EQ(prompt.m_notices[5], "5 results could not be written and are lost.");
    fs::rename(away, logs);
    ASSERT_EQ(doc->OpenLogFiles(true), 0);  // the day's file is continued
    doc->CloseLogFiles();
    EXPECT_EQ(Xml(), kHeader + Records(1, 160, kSaturday1130, 1) + kFooter);
    EXPECT_EQ(Log(),
              "5.12.2026, 11:30:07: File Opened\r\n"
              "5.12.2026, 11:32:47: Measurement Paused\r\n"
              "5.12.2026, 11:32:52: File Opened\r\n"
              "5.12.2026, 11:32:52: The previous run ended without closing the result file; its "
              "last record is of 11:32:46, 5 seconds are missing since\r\n"
              "5.12.2026, 11:32:52: File Closed\r\n");
}

// A log folder deleted and made anew while logging is not the folder that is locked: nothing
// more is written there (another process may lock it now), the records are counted as lost and
// the loss is told. The folder moved away and back (above) is the same folder and goes on.
TEST_F(LoggingFixture, AFolderDeletedAndMadeAnewIsGivenUp) {
    for (const bool deleted : {true, false}) {
        SCOPED_TRACE(deleted ? "deleted" : "moved away, another made in its place");
        Restart();
        prompt.m_notices.clear();
        fs::remove_all(logs);
        fs::remove_all(logs + ".old");
        fs::create_directory(logs);
        ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
        doc->SetResultValue(EResultValue::Close, 0.0f);
        Seconds(60);
        doc->WaitForLogWrites();
        deleted ? (void)fs::remove_all(logs) : fs::rename(logs, logs + ".old");
        fs::create_directory(logs);
        Seconds(70);
        doc->WriteLog("Alarm \"Dev\" was reset.");
        doc->WaitForLogWrites();
        EXPECT_EQ(doc->GetLoggingState(), CTAVIKSDIDoc::ELoggingState::Failed);
        doc->CloseLogFiles();

        EXPECT_TRUE(fs::is_empty(logs));          // nothing written into a folder not locked
        EXPECT_EQ(doc->GetLastResultFile(), "");  // the files of that name are not this run's
        EXPECT_EQ(doc->GetLostResultCount(), 70);
        ASSERT_FALSE(prompt.m_notices.empty());
        EXPECT_EQ(prompt.m_notices[0],
                  "The log folder \"" + logs +
                      "\" was deleted or replaced while logging; no more results are written "
                      "there (the folder there now is not locked by this process).");
        if (!deleted) {
            // The folder that was locked keeps its 60 records, unclosed, continuable.
            EXPECT_EQ(ReadText(logs + ".old/tavik261205.xml"),
                      kHeader + Records(1, 60, kSaturday1130, 1));
        }
        CFolderLock other;
        std::string holder;
        EXPECT_EQ(other.Acquire(logs, holder), 0);
        n = 0;
        clock.Set(CTime(kSaturday1130));
    }
}

// Storage that stalls holds up only the log writer: the seconds go on being recorded and a
// close waits only for the write in progress, whose sync it does not repeat.
std::atomic<bool> g_stall{false};
std::atomic<int> g_stalledSyncs{0};
int StallingSync(int) {
    ++g_stalledSyncs;
    while (g_stall.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

void WaitForStall() {
    while (g_stalledSyncs.load() == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// While the disk stalls the writer's queue fills up: a batch of records and a line that find it
// full are dropped and told, but the close still goes out with its last records, the footer,
// the loss and "File Closed" (jobs that are always queued).
TEST_F(LoggingFixture, AStalledDiskNeverHoldsUpTheSeconds) {
    Open();
    g_stalledSyncs = 0;
    g_stall = true;
    SetSyncHook(&StallingSync);
    Seconds(60);  // the first write stalls in its sync
    WaitForStall();
    for (std::size_t i = 0; i < CLogWriter::kQueueLimit / 2; ++i) {
        doc->WriteLog("x");  // a flush and a line each: the queue is full
    }
    Seconds(60);
    doc->WriteLog("y");
    EXPECT_EQ(prompt.m_notices,
              (std::vector<std::string>{
                  "The log folder \"" + logs +
                      "\" has not taken any file write for a long time; results are dropped "
                      "until it does.",
                  "Log line not written (the log folder does not keep up): y"}));
    EXPECT_EQ(g_stalledSyncs.load(), 1);
    Seconds(5);
    std::thread release([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        g_stall = false;
    });
    doc->CloseLogFiles();  // waits for the stalled write, then writes the rest unsynced
    release.join();
    SetSyncHook(nullptr);
    EXPECT_EQ(g_stalledSyncs.load(), 1);  // what was queued behind it went out unsynced
    EXPECT_EQ(Xml(), kHeader + Records(1, 60, kSaturday1130, 1) +
                         Records(61, 65, kSaturday1130 + 120, 121) + kFooter);
    EXPECT_EQ(doc->GetLostResultCount(), 60);
    EXPECT_EQ(Count(Log(), ": x\r\n"), CLogWriter::kQueueLimit / 2);
    EXPECT_TRUE(
        Log().ends_with("11:32:12: 60 results could not be written and are lost\r\n"
                        "5.12.2026, 11:32:12: File Closed\r\n"))
        << Log().substr(Log().size() - 200);
    EXPECT_EQ(prompt.m_notices.size(), 2u);
}

// A disk that does not answer holds up neither a start (the new header is synced by the writer)
// nor a stop (it waits no longer than CLogWriter::STOP_WAIT), nor the document's end: the work
// left finishes on its own once the disk answers, with the files it holds kept alive.
TEST_F(LoggingFixture, ADiskThatDoesNotAnswerHoldsUpNeitherStartNorStop) {
    g_stalledSyncs = 0;
    g_stall = true;
    SetSyncHook(&StallingSync);
    std::atomic<bool> done{false}, released{false};
    std::thread watchdog([&] {  // ends a stall that nothing should wait for
        for (int ms = 0; ms < 10000 && !done.load(); ++ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        released = true;
        g_stall = false;
    });
    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    WaitForStall();  // the header's sync, on the writer
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(65);
    doc->CloseLogFiles();
    EXPECT_EQ(doc->GetAbandonedResultCount(), 65);
    EXPECT_EQ(doc->GetLastResultFile(), logs + "/tavik261205.xml");
    Restart();  // the document goes too
    EXPECT_FALSE(released.load());
    EXPECT_EQ(prompt.m_notices,
              std::vector<std::string>{
                  "The disk of the log folder \"" + logs +
                  "\" did not answer within 0.75 s of the stop; 65 results are "
                  "not confirmed on disk, and \"" +
                  logs +
                  "/tavik261205.xml\" may stay without its footer until the next run "
                  "continues it."});

    done = true;
    watchdog.join();
    const std::string closed = kHeader + Records(1, 65, kSaturday1130, 1) + kFooter;
    for (int ms = 0; ms < 10000 && ReadText(logs + "/tavik261205.xml") != closed; ++ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    SetSyncHook(nullptr);
    EXPECT_EQ(ReadText(logs + "/tavik261205.xml"), closed);
    EXPECT_EQ(g_stalledSyncs.load(), 1);  // what was queued behind it went out unsynced
}

// A run killed before midnight and started again after it: at the start every earlier day file
// left without its footer is closed after its last whole record, and today's log says which,
// with the seconds missing since (to now for the latest, else to the end of the file's day).
// Closed files and other programs' files stay as they are.
TEST_F(LoggingFixture, AStartClosesEarlierDayFilesLeftOpen) {
    constexpr std::uint32_t k2359 = 1796511570;  // 5 Dec 2026, 23:59:30
    constexpr std::uint32_t k4Dec2300 = k2359 - 86400 - 3570;
    const std::string cut = "      <Measurement id=\"20\">\r\n         <Date tim";
    const std::string closed = kHeader + Records(1, 2, k2359 - 2 * 86400, 1) + kFooter;
    clock.Set(CTime(k2359));
    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(19);
    doc->WriteLog("x");  // records 1 to 19, up to 23:59:48
    doc->WaitForLogWrites();
    std::ofstream(logs + "/tavik261205.xml", std::ios::binary | std::ios::app) << cut;
    std::ofstream(logs + "/tavik261203.xml", std::ios::binary) << closed;
    std::ofstream(logs + "/tavik261204.xml", std::ios::binary)
        << kHeader + Records(1, 1, k4Dec2300, 7);
    std::ofstream(logs + "/tavik261202.xml", std::ios::binary) << "notes";
    Restart();  // killed
    clock.Set(CTime(k2359 + 50));
    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    doc->CloseLogFiles();

    EXPECT_EQ(Xml("261205"), kHeader + Records(1, 19, k2359, 1) + kFooter);
    EXPECT_EQ(Xml("261204"), kHeader + Records(1, 1, k4Dec2300, 7) + kFooter);
    EXPECT_EQ(Xml("261203"), closed);
    EXPECT_EQ(Xml("261202"), "notes");
    EXPECT_EQ(Log("261206"),
              "6.12.2026, 00:00:20: File Opened\r\n"
              "6.12.2026, 00:00:20: A run ended without closing the result file tavik261204.xml; "
              "its last record is of 4.12.2026, 23:00:00, the 3599 seconds after it of its day are "
              "missing; it is closed now\r\n"
              "6.12.2026, 00:00:20: A run ended without closing the result file tavik261205.xml; "
              "its last record is of 5.12.2026, 23:59:48, 31 seconds are missing since; 47 bytes "
              "of an incomplete record were removed; it is closed now\r\n"
              "6.12.2026, 00:00:20: File Closed\r\n");
    EXPECT_TRUE(prompt.m_notices.empty());
}

// A day file that cannot be continued is moved aside, the log says why, and the day's logging
// goes on in a fresh file.
TEST_F(LoggingFixture, ADayFileThatCannotBeContinuedIsMovedAsideAndLogged) {
    const std::string moved = "it was moved aside as tavik261205.xml.damaged and a new one begun";
    const std::string stale =
        "      <Measurement id=\"3000000000\">\r\n         <Date timestamp=\"1\">"
        "x</Date>\r\n         <Deviation>1</Deviation>\r\n         <MPXPower>"
        "1</MPXPower>\r\n         <Multipath>1</Multipath>\r\n      "
        "</Measurement>";
    const struct {
        std::string before, why;
    } cases[] = {
        {"<?xml ver", "held only part of its header (a power loss as it was made)"},
        {kHeader + stale, "could not be continued (its record numbers would run out)"},
        {kHeader + "x</Measurement>", "could not be continued (it does not end in a whole record)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Restart();
        fs::remove_all(logs);
        fs::create_directory(logs);
        std::ofstream(logs + "/tavik261205.xml", std::ios::binary) << c.before;
        ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
        doc->CloseLogFiles();
        EXPECT_EQ(Xml(), kHeader + kFooter);
        EXPECT_EQ(ReadText(logs + "/tavik261205.xml.damaged"), c.before);
        EXPECT_NE(Log().find("11:30:07: Result file " + c.why + "; " + moved + "\r\n"),
                  std::string::npos)
            << Log();
    }
}

std::atomic<bool> g_syncFailures{false};

// A run that ended without closing its files (killed, a crash, a power loss) is told in the
// log when the next run continues the file, with the seconds missing since its last record;
// records lost and records written without a sync that succeeded are told as what they are.
TEST_F(LoggingFixture, TheLogTellsOfACrashAndOfLostRecords) {
    Open();
    Seconds(3);
    doc->WriteLog("x");
    doc->WaitForLogWrites();
    std::ofstream(logs + "/tavik261205.xml", std::ios::binary | std::ios::app)
        << "      <Measurement id=\"4\">\r\n         <Da";  // cut by a power loss
    Restart();  // the run was killed: no footer, no "File Closed"
    clock.Advance(CTimeSpan(97));
    prompt.m_nAnswer = IDYES;  // would delete, if anything asked: unattended, nothing is
    EXPECT_EQ(doc->OpenLogFilesKeeping(""), -1);
    ASSERT_EQ(doc->OpenLogFilesKeeping(logs), 0);
    EXPECT_EQ(doc->GetMeasurementId(), 3);
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_NE(Log().find("11:31:47: File Opened\r\n5.12.2026, 11:31:47: The previous run ended "
                         "without closing the result file; its last record is of 11:30:09, 97 "
                         "seconds are missing since\r\n5.12.2026, 11:31:47: Result file continued "
                         "after its last whole record; 40 bytes of an incomplete record were "
                         "removed\r\n"),
              std::string::npos);

    // Every sync fails for more than an hour: the oldest records beyond the hour's backlog are
    // given up, and the log says so once it can be written again.
    g_syncFailures = true;
    SetSyncHook([](int) { return g_syncFailures.load() ? EIO : 0; });
    doc->SetResultValue(EResultValue::Close, 0.0f);
    Seconds(CResultLog::RESULT_BACKLOG + 60);
    doc->WaitForLogWrites();
    g_syncFailures = false;
    Seconds(1);
    doc->WriteLog("y");
    doc->WaitForLogWrites();
    SetSyncHook(nullptr);
    EXPECT_EQ(doc->GetLostResultCount(), 61);  // 3661 records, an hour of them kept
    EXPECT_NE(Log().find("60 results could not be written and are lost\r\n"), std::string::npos);
    EXPECT_NE(Log().find("1 result could not be written and is lost\r\n"), std::string::npos);
    EXPECT_EQ(Count(Xml(), "<Measurement id="), 3u + CResultLog::RESULT_BACKLOG);
    EXPECT_EQ(doc->GetUnsyncedResultCount(), 0);  // cut back, written again and synced

    // Syncs fail again and never recover: the stop writes the waiting records without a sync.
    // They are in the file but not confirmed on disk, and that is what is told, not a loss.
    prompt.m_notices.clear();
    g_syncFailures = true;
    SetSyncHook([](int) { return g_syncFailures.load() ? EIO : 0; });
    Seconds(60);
    doc->WriteLog("z");
    doc->WaitForLogWrites();  // their syncs failed before the stop
    Seconds(2);
    doc->CloseLogFiles();
    g_syncFailures = false;
    SetSyncHook(nullptr);
    EXPECT_EQ(doc->GetLostResultCount(), 61);
    EXPECT_EQ(doc->GetUnsyncedResultCount(), 62);
    EXPECT_EQ(Count(Xml(), "<Measurement id="), 3u + CResultLog::RESULT_BACKLOG + 62);
    EXPECT_TRUE(Xml().ends_with("</Measurement></Tavik>\r\n"));
    EXPECT_NE(Log().find(": 62 results were written but not confirmed on disk (the disk failed "
                         "to sync them)\r\n5.12.2026, 12:33:50: File Closed\r\n"),
              std::string::npos)
        << Log().substr(Log().size() - 300);
    EXPECT_EQ(prompt.m_notices,
              (std::vector<std::string>{
                  "Could not write result file \"" + logs +
                      "/tavik261205.xml\" (Input/output error); the results are kept until it "
                      "can be written.",
                  "Could not sync log file \"" + logs +
                      "/tavik261205.log\" (Input/output error); its event lines are written but "
                      "not confirmed on disk."}));
}

}  // namespace
}  // namespace tavik
