#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "document/ResultLog.h"
#include "platform/File.h"
#include "tests/document/LogFileCheck.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

using test::CTempFolder;
using test::ExpectedRecord;
using test::ReadText;

constexpr std::uint32_t kSaturday1130 = 1796466607;  // 5 Dec 2026, 11:30:07 in Berlin

// A record of id `id` stamped `t`, and `n` records one second apart with deviations 0, 1, ...
std::string Record(std::int32_t id, std::uint32_t t) {
    std::string out;
    CResultLog::AppendRecord(out, id, {1.0f, 2.0f, 3.0f, t});
    return out;
}
// `text` with its first `from` replaced by `to`; a record with the id text `id`.
std::string Replace(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}
std::string WithId(const std::string& record, const std::string& id) {
    const std::string start = "<Measurement id=\"";
    std::string text = record;
    const std::size_t at = text.find(start) + start.size();
    return text.replace(at, text.find('"', at) - at, id);
}
std::vector<CResultRecord> Ramp(std::size_t n) {
    std::vector<CResultRecord> records(n);
    for (std::size_t i = 0; i < n; ++i) {
        records[i] = {0.0f, static_cast<float>(i), 0.0f,
                      kSaturday1130 + static_cast<std::uint32_t>(i)};
    }
    return records;
}

struct ResultLogFixture : ::testing::Test {
    ResultLogFixture() { test::UseBerlinTime(); }
    CTempFolder folder;
    CRecordingPrompt prompt;
    CResultLog log;
};

TEST_F(ResultLogFixture, NamesFollowTheLocalDateAndOnlyOwnNamesAreTaken) {
    // The day files' full names are the logging tests'. 23:30 UTC on 31 December is already
    // New Year in Berlin.
    EXPECT_EQ(CResultLog::BaseName(CTime(1798759800)), "tavik270101");

    EXPECT_TRUE(CResultLog::IsOwnFileName("tavik261205.log", ".log"));
    EXPECT_TRUE(CResultLog::IsOwnFileName("tavik000000.xml", ".xml"));
    EXPECT_TRUE(CResultLog::IsOwnFileName("tavik261205-2.xml", ".xml"));
    EXPECT_TRUE(CResultLog::IsOwnFileName("tavik261205-100.log", ".log"));
    EXPECT_FALSE(CResultLog::IsOwnFileName("tavik261205.xml", ".log"));
    for (const char* name :
         {"notes.log", "tavik26120.log", "tavik2612055.log", "tavik26120a.log", "Tavik261205.log",
          "xtavik261205.log", "tavik261205.log.bak", "tavik261205-.log", "tavik261205-02.log",
          "tavik261205-1000.log", "tavik261205-2a.log", "tavik261205_2.log"}) {
        EXPECT_FALSE(CResultLog::IsOwnFileName(name, ".log")) << name;
    }
}

TEST_F(ResultLogFixture, RecordBytes) {
    std::string out;
    CResultLog::AppendRecord(out, 1, {12.5f, 75.25f, -1.5f, kSaturday1130});
    EXPECT_EQ(out,
              "      <Measurement id=\"1\">\r\n"
              "         <Date timestamp=\"1796466607\">Saturday, December 05, 2026, 11:30:07</Date>"
              "\r\n"
              "         <Deviation>75.250000</Deviation>\r\n"
              "         <MPXPower>-1.500000</MPXPower>\r\n"
              "         <Multipath>12.500000</Multipath>\r\n"
              "         <DeviationPeak>75.250000</DeviationPeak>\r\n"
              "      </Measurement>");

    // Awkward values print as printf's "%f" prints the float promoted to double.
    const std::vector<float> values = {0.0f,        -0.0f,       1e-7f,       0.0000005f,
                                       123.456789f, -98.76543f,  1e10f,       1.7e38f,
                                       2.5e-6f,     -0.0000015f, 1.0f / 3.0f, 19.99999f};
    for (float v : values) {
        std::string text;
        CResultLog::AppendRecord(text, 2147483647, {v, -v, v * 2.0f, 4294967295u});
        const std::string date = CTime(4294967295).Format("%A, %B %d, %Y, %H:%M:%S");
        EXPECT_EQ(text, ExpectedRecord(2147483647, 4294967295u, date.c_str(), -v, v * 2.0f, v))
            << v;
    }
    // Not-a-number and the infinities take their XML forms.
    out.clear();
    CResultLog::AppendRecord(
        out, 1,
        {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
         -std::numeric_limits<float>::infinity(), kSaturday1130});
    EXPECT_NE(out.find("<Deviation>INF</Deviation>"), std::string::npos);
    EXPECT_NE(out.find("<MPXPower>-INF</MPXPower>"), std::string::npos);
    EXPECT_NE(out.find("<Multipath>NaN</Multipath>"), std::string::npos);
}

TEST_F(ResultLogFixture, NumbersKeepThePointInACommaLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no German locale installed";
    }
    std::string out;
    CResultLog::AppendRecord(out, 1, {0.5f, 1.25f, 2.75f, kSaturday1130});
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_NE(out.find("<Deviation>1.250000</Deviation>"), std::string::npos);
}

// Every kind of day file a start may find: continued after its last whole record, begun afresh
// after moving a damaged one aside, or left untouched when it is not ours.
TEST_F(ResultLogFixture, BeginContinuesOnlyAResultFileAfterItsLastWholeRecord) {
    const std::string header(CResultLog::HEADER), footer(CResultLog::FOOTER);
    const std::string two = Record(41, kSaturday1130) + Record(42, kSaturday1130 + 1);
    const std::string older =
        Replace(two, "\r\n         <DeviationPeak>2.000000</DeviationPeak>", "");
    const std::string cut = "      <Measurement id=\"43\">\r\n         <Date time";
    const auto cutSize = static_cast<std::int64_t>(cut.size());
    const std::string zeros(200 * 1024, '\0');  // more than one piece of the backward search
    const std::int32_t last = CResultLog::LAST_CONTINUED_ID;
    constexpr int kNot = CResultLog::NOT_A_RESULT_FILE;
    struct Case {
        const char* what;
        std::string before;
        int error;
        std::string after;
        std::int32_t lastId;
        std::int64_t removed;
        bool closed = false, moved = false, exhausted = false, bad = false;
    };
    const std::vector<Case> cases = {
        {"new", "", 0, header, 0, 0},
        {"header only", header, 0, header, 0, 0},
        {"closed", header + two + footer, 0, header + two, 42, 0, true},
        {"unclosed", header + two, 0, header + two, 42, 0},
        {"cut record", header + two + cut, 0, header + two, 42, cutSize},
        {"a record of an earlier version (no peak) before a new one", header + older, 0,
         header + older, 42, 0},
        {"zeros after the records", header + two + zeros, 0, header + two, 42, 200 * 1024},
        {"cut first record", header + cut, 0, header, 0, cutSize},
        {"another program's file", "notes\n", kNot, "notes\n", 0, 0},
        {"another XML file", "<?xml version=\"1.0\"?>\r\n<Other>\r\n", kNot,
         "<?xml version=\"1.0\"?>\r\n<Other>\r\n", 0, 0},
        {"zeros then text", std::string(10, '\0') + "text", kNot, std::string(10, '\0') + "text", 0,
         0},
        // A power loss in a file's first moments leaves part of the header, or zeros.
        {"part of the header", header.substr(0, 9), 0, header, 0, 0, false, true},
        {"zeros", std::string(4096, '\0'), 0, header, 0, 0, false, true},
        {"part of the header and zeros", header.substr(0, 27) + std::string(4069, '\0'), 0, header,
         0, 0, false, true},
        {"one byte", "<", 0, header, 0, 0, false, true},
        // Ids that would wrap past 2^31 - 1 (a corrupt number) are never continued.
        {"ids beyond the last continued", header + Record(last + 1, kSaturday1130 + 1), 0, header,
         0, 0, false, true, true},
        {"the largest id", header + Record(2147483647, kSaturday1130 + 1), 0, header, 0, 0, false,
         true, true},
        {"a negative id", header + Record(-5, kSaturday1130 + 1), 0, header, 0, 0, false, true,
         true},
        {"the last continued id", header + Record(last, kSaturday1130 + 1), 0,
         header + Record(last, kSaturday1130 + 1), last, 0},
        {"an id of 2^31", header + WithId(Record(7, kSaturday1130), "2147483648"), 0, header, 0, 0,
         false, true, true},
        {"an id of 30 digits", header + WithId(Record(7, kSaturday1130), std::string(30, '9')), 0,
         header, 0, 0, false, true, true},
        // An end that is not a whole record as this program writes it is never continued: what
        // followed it would not be well-formed.
        {"garbage holding a record end", header + "x<y</Measurement>", 0, header, 0, 0, false, true,
         false, true},
        {"a record with a tag in a value",
         header + two + Replace(Record(43, kSaturday1130), "2.0", "<b/>"), 0, header, 0, 0, false,
         true, false, true},
        {"an id that is no number", header + WithId(Record(7, kSaturday1130), "7a"), 0, header, 0,
         0, false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CTempFolder day;
        const std::string path = day.File("tavik261205.xml");
        if (c.what != std::string("new")) {
            std::ofstream(path, std::ios::binary) << c.before;
        }
        CResultLog::CContinuation found;
        EXPECT_EQ(log.BeginResultFile(path, found, prompt), c.error);
        EXPECT_EQ(ReadText(path), c.after);
        EXPECT_EQ(found.nLastId, c.lastId);
        EXPECT_EQ(found.nBytesRemoved, c.removed);
        EXPECT_EQ(found.bClosed, c.closed);
        EXPECT_EQ(found.bIdsExhausted, c.exhausted);
        EXPECT_EQ(found.bNotARecord, c.bad);
        EXPECT_EQ(found.strMovedAside, c.moved ? path + ".damaged" : "");
        EXPECT_EQ(ReadText(path + ".damaged"), c.moved ? c.before : "");
        if (c.lastId != 0) {
            EXPECT_TRUE(found.bContinued);
            EXPECT_EQ(found.nLastTimestamp, kSaturday1130 + 1);
        }
    }
    // A second damaged file of the day does not replace the first one moved aside.
    const std::string path = folder.File("tavik261205.xml");
    CResultLog::CContinuation found;
    for (const char* damaged : {"<?x", "<?xm"}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
        ASSERT_EQ(log.BeginResultFile(path, found, prompt), 0);
    }
    EXPECT_EQ(found.strMovedAside, path + ".damaged.2");
    EXPECT_EQ(ReadText(path + ".damaged"), "<?x");

    // A symbolic link named like a day file is not followed: its target stays as it is.
    const std::string target = folder.File("elsewhere.txt");
    std::ofstream(target) << "precious";
    const std::string link = folder.File("tavik261206.xml");
    std::filesystem::create_symlink(target, link);
    EXPECT_EQ(log.BeginResultFile(link, found, prompt), kNot);
    EXPECT_EQ(ReadText(target), "precious");
    EXPECT_EQ(prompt.m_notices.back(),
              "\"" + link +
                  "\" is not a result file of this program; it is left untouched and no results "
                  "are written to it.");
}

// A character device or a FIFO named like a day file is never written nor waited on: the result
// log keeps its records (told once), the event lines are lost (told once), and the records go
// out with the next write to a result file.
TEST_F(ResultLogFixture, DevicesAndFifosAreRefusedAndTheRecordsKept) {
    const std::string fifo = folder.File("tavik261205.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const CResultRecord record{1.0f, 2.0f, 3.0f, kSaturday1130};
    constexpr int kNot = CResultLog::NOT_A_RESULT_FILE;
    std::int32_t id = 0;
    for (const std::string& path : {std::string("/dev/full"), fifo}) {
        SCOPED_TRACE(path);
        prompt.m_notices.clear();
        CResultLog::CContinuation found;
        EXPECT_EQ(log.BeginResultFile(path, found, prompt), kNot);
        for (int i = 0; i < 2; ++i) {
            log.Keep(&record, 1, prompt);
            EXPECT_EQ(log.WriteResults(path, id, prompt), kNot);
            std::string last;
            EXPECT_EQ(log.WriteLogLine(path, last, "x\r\n", CTime(kSaturday1130), prompt), kNot);
        }
        EXPECT_EQ(id, 0);
        ASSERT_EQ(prompt.m_notices.size(), 2u);
        EXPECT_EQ(prompt.m_notices[0], "\"" + path +
                                           "\" is not a result file of this program; it is left "
                                           "untouched and no results are written to it.");
        EXPECT_EQ(prompt.m_notices[1], "Could not write log file \"" + path +
                                           "\" (not a regular file); its event lines are lost.");
    }
    EXPECT_EQ(log.GetPendingCount(), 4);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    const std::string path = folder.File("tavik261205.xml");
    EXPECT_EQ(log.WriteResults(path, id, prompt), 0);
    EXPECT_EQ(id, 4);
    EXPECT_EQ(log.GetPendingCount(), 0);
    EXPECT_EQ(ReadText(path).substr(0, CResultLog::HEADER.size()), CResultLog::HEADER);
    EXPECT_EQ(test::Count(ReadText(path), "<Measurement id="), 4u);
    EXPECT_EQ(prompt.m_notices.size(), 2u);  // a different file: no "written again"
}

// Limits the size of files this process writes while it lives (a disk that fills up).
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(std::size_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~CFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

// Makes a file append-only while it lives, or until Clear(): writes at its end go on, a cut fails.
class CAppendOnly {
public:
    explicit CAppendOnly(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY)) {
        m_bSet = m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &m_nFlags) == 0 &&
                 Set(m_nFlags | FS_APPEND_FL);
    }
    ~CAppendOnly() {
        Clear();
        ::close(m_fd);
    }
    bool IsSet() const { return m_bSet; }
    void Clear() { m_bSet = m_bSet && !Set(m_nFlags & ~FS_APPEND_FL); }

private:
    bool Set(int flags) { return ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0; }
    int m_fd;
    int m_nFlags = 0;
    bool m_bSet = false;
};

// A write that fills the disk part-way keeps the whole records that reached the file and cuts off
// the piece of the next one; the rest waits. When that cut fails too (an append-only file), the
// piece is cut off before the next write to the file, which fails as a write does until it can.
TEST_F(ResultLogFixture, WhatFitsOfTheBacklogIsWrittenRecordByRecord) {
    const auto records = Ramp(10);
    std::string whole(CResultLog::HEADER);
    for (std::size_t i = 0; i < records.size(); ++i) {
        CResultLog::AppendRecord(whole, static_cast<std::int32_t>(i + 1), records[i]);
    }
    const std::size_t header = CResultLog::HEADER.size(), one = Record(1, kSaturday1130).size();
    for (const bool appendOnly : {false, true}) {
        SCOPED_TRACE(appendOnly ? "the cut fails" : "cut back");
        const std::string path = folder.File(appendOnly ? "tavik261206.xml" : "tavik261205.xml");
        std::ofstream(path, std::ios::binary) << CResultLog::HEADER;
        CAppendOnly guard(path);
        if (appendOnly && !guard.IsSet()) {
            GTEST_SKIP() << "no append-only files here";
        }
        if (!appendOnly) {
            guard.Clear();
        }
        CResultLog log;
        std::int32_t id = 0;
        log.Keep(records.data(), 10, prompt);
        {
            const CFileSizeLimit full(header + one * 3 + one / 2);
            EXPECT_EQ(log.WriteResults(path, id, prompt), EFBIG);
        }
        EXPECT_EQ(id, 3);
        EXPECT_EQ(log.GetPendingCount(), 7);
        EXPECT_EQ(ReadText(path), whole.substr(0, header + one * (appendOnly ? 3.5 : 3)));
        if (appendOnly) {
            EXPECT_EQ(log.WriteResults(path, id, prompt), EPERM);
            EXPECT_EQ(id, 3);
            guard.Clear();
        }
        EXPECT_EQ(log.WriteResults(path, id, prompt), 0);
        EXPECT_EQ(id, 10);
        EXPECT_EQ(ReadText(path), whole);
        EXPECT_EQ(prompt.m_notices.back(), "Result file \"" + path + "\" is written again.");
    }
}

TEST_F(ResultLogFixture, BacklogKeepsTheNewestHour) {
    const auto records = Ramp(CResultLog::RESULT_BACKLOG + 5);
    log.Keep(records.data(), 100, prompt);
    log.Keep(records.data() + 100, static_cast<int>(records.size()) - 100, prompt);
    EXPECT_EQ(log.GetPendingCount(), CResultLog::RESULT_BACKLOG);
    ASSERT_EQ(prompt.m_notices.size(), 1u);
    EXPECT_EQ(prompt.m_notices[0],
              "More than 3600 results are waiting to be written; the oldest are dropped.");

    std::int32_t id = 0;
    const std::string path = folder.File("tavik261205.xml");
    ASSERT_EQ(log.WriteResults(path, id, prompt), 0);
    EXPECT_EQ(id, CResultLog::RESULT_BACKLOG);
    const std::string text = ReadText(path);
    EXPECT_EQ(test::Count(text, "<Measurement id="), 3600u);
    // The first five were dropped: the file starts with record 5 and ends with the last one.
    EXPECT_EQ(text.find("<Deviation>4.000000</Deviation>"), std::string::npos);
    EXPECT_NE(text.find("<Measurement id=\"1\">\r\n         <Date timestamp=\"1796466612\">"),
              std::string::npos);
    EXPECT_NE(text.find("<Measurement id=\"3600\">\r\n         <Date timestamp=\"1796470211\">"),
              std::string::npos);

    log.Keep(records.data(), 3, prompt);
    log.DropPending(prompt);
    EXPECT_EQ(log.GetPendingCount(), 0);
    EXPECT_EQ(prompt.m_notices.back(), "3 results could not be written and are lost.");
}

// Every sync of the result log goes through the platform's hook: these count them and fail them.
std::atomic<int> g_syncs{0};
std::atomic<int> g_failingSyncs{0};  // the next this many syncs fail with EIO
int CountingSync(int) {
    ++g_syncs;
    if (g_failingSyncs.load() > 0) {
        --g_failingSyncs;
        return EIO;
    }
    return 0;
}

struct SyncHookFixture : ResultLogFixture {
    SyncHookFixture() {
        g_syncs = 0;
        g_failingSyncs = 0;
        SetSyncHook(&CountingSync);
    }
    ~SyncHookFixture() override { SetSyncHook(nullptr); }
};

TEST_F(SyncHookFixture, EveryWriteAndANewHeaderAreSynced) {
    const std::string path = folder.File("tavik261205.xml");
    CResultLog::CContinuation found;
    ASSERT_EQ(log.BeginResultFile(path, found, prompt), 0);
    EXPECT_EQ(g_syncs.load(), 1);  // the header, before any record
    const CResultRecord record{1.0f, 2.0f, 3.0f, kSaturday1130};
    std::int32_t id = 0;
    log.Keep(&record, 1, prompt);
    ASSERT_EQ(log.WriteResults(path, id, prompt), 0);
    EXPECT_EQ(g_syncs.load(), 2);
    std::string last;
    ASSERT_EQ(log.WriteLogLine(folder.File("tavik261205.log"), last, "x\r\n", CTime(kSaturday1130),
                               prompt),
              0);
    EXPECT_EQ(g_syncs.load(), 3);
    // Not syncing (a stop): written, and no sync waited for.
    log.SetSyncing(false);
    ASSERT_EQ(log.AppendFooter(path, prompt), 0);
    EXPECT_EQ(g_syncs.load(), 3);
    EXPECT_TRUE(ReadText(path).ends_with(CResultLog::FOOTER));
}

// A write that reached the file but whose sync failed is cut off again: the records wait and
// go out once, with the same ids, never twice.
TEST_F(SyncHookFixture, AFailedSyncNeverDuplicatesRecords) {
    const std::string path = folder.File("tavik261205.xml");
    CResultLog::CContinuation found;
    ASSERT_EQ(log.BeginResultFile(path, found, prompt), 0);
    const auto records = Ramp(60);
    std::int32_t id = 0;
    log.Keep(records.data(), 60, prompt);
    g_failingSyncs = 1;
    EXPECT_EQ(log.WriteResults(path, id, prompt), EIO);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(log.GetPendingCount(), 60);
    EXPECT_EQ(ReadText(path), CResultLog::HEADER);  // cut back to where the write began
    ASSERT_EQ(prompt.m_notices.size(), 1u);
    EXPECT_EQ(prompt.m_notices[0],
              "Could not write result file \"" + path +
                  "\" (Input/output error); the results are kept until it can be written.");

    log.Keep(records.data(), 10, prompt);
    ASSERT_EQ(log.WriteResults(path, id, prompt), 0);
    EXPECT_EQ(id, 70);
    const std::string text = ReadText(path);
    EXPECT_EQ(test::Count(text, "<Measurement id="), 70u);
    for (int i = 1; i <= 70; ++i) {
        EXPECT_EQ(test::Count(text, "<Measurement id=\"" + std::to_string(i) + "\">"), 1u) << i;
    }
    EXPECT_EQ(log.GetLostCount(), 0);

    // A new file whose first write fails its sync loses its header with the records: the next
    // write begins it again.
    const std::string fresh = folder.File("tavik261206.xml");
    log.Keep(records.data(), 2, prompt);
    g_failingSyncs = 1;
    std::int32_t freshId = 0;
    EXPECT_EQ(log.WriteResults(fresh, freshId, prompt), EIO);
    EXPECT_EQ(ReadText(fresh), "");
    ASSERT_EQ(log.WriteResults(fresh, freshId, prompt), 0);
    EXPECT_TRUE(ReadText(fresh).starts_with(CResultLog::HEADER));
    EXPECT_EQ(test::Count(ReadText(fresh), "<Measurement id="), 2u);
}

// Continuing reads the header and the end only: a day file of 64 GiB (sparse here) starts at
// without being read whole into memory.
TEST_F(ResultLogFixture, AnOversizedDayFileIsContinuedFromItsEnd) {
    const std::string path = folder.File("tavik261205.xml");
    const std::string last = Record(41, kSaturday1130);
    { std::ofstream(path, std::ios::binary) << CResultLog::HEADER; }
    const off_t size = off_t{64} << 30;
    if (::truncate(path.c_str(), size) != 0) {
        GTEST_SKIP() << "no sparse file of 64 GiB here";
    }
    { std::ofstream(path, std::ios::binary | std::ios::app) << last << CResultLog::FOOTER; }
    CResultLog::CContinuation found;
    ASSERT_EQ(log.BeginResultFile(path, found, prompt), 0);  // read whole: out of memory
    EXPECT_EQ(found.nLastId, 41);
    EXPECT_TRUE(found.bClosed);
    EXPECT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(size) + last.size());
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tavik
