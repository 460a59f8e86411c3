#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/AnalyserResult.h"
#include "platform/Archive.h"
#include "platform/Document.h"
#include "platform/DropCounters.h"
#include "platform/File.h"
#include "platform/FileContents.h"
#include "platform/GenericException.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "platform/TextParse.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "platform/WorkerThread.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/FailingCalls.h"
#include "tests/support/PassGate.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CByteBuilder;
using test::CTempFolder;

std::vector<std::uint8_t> Stored(const std::string& text) {
    CArchive ar;
    ar.WriteString(text);
    return ar.GetBuffer();
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes, void (*read)(CArchive&)) {
    CArchive ar(bytes.data(), bytes.size());
    return test::Thrown<CArchiveException>([&] { read(ar); });
}

TEST(Archive, PrimitivesAreLittleEndianWithoutPadding) {
    CArchive ar;
    ar.WriteUInt8(0xAB);
    ar.WriteUInt16(0x1234);
    ar.WriteInt32(-2);
    ar.WriteFloat(1.0f);
    ar.WriteDouble(-0.5);
    CByteBuilder bytes;
    bytes.U8(0xAB).U8(0x34).U8(0x12).U32(0xFFFFFFFE).U32(0x3F800000).U32(0).U32(0xBFE00000);
    const std::vector<std::uint8_t> expected = bytes.Bytes();
    EXPECT_EQ(ar.GetBuffer(), expected);

    CArchive in(expected.data(), expected.size());
    EXPECT_EQ(in.ReadUInt8(), 0xAB);
    EXPECT_EQ(in.ReadUInt16(), 0x1234);
    EXPECT_EQ(in.ReadInt32(), -2);
    EXPECT_EQ(in.ReadFloat(), 1.0f);
    EXPECT_EQ(in.ReadDouble(), -0.5);
    EXPECT_EQ(in.GetRemaining(), 0u);
}

TEST(Archive, StringLengthEscapesAtTheirBoundaries) {
    EXPECT_EQ(Stored(""), (std::vector<std::uint8_t>{0}));
    EXPECT_EQ(Stored("ab"), (std::vector<std::uint8_t>{2, 'a', 'b'}));
    // 254 characters still fit the length byte; 255 take the escape and a 16-bit length.
    EXPECT_EQ(Stored(std::string(254, 'x'))[0], 254);
    EXPECT_EQ(Stored(std::string(254, 'x')).size(), 255u);
    using Bytes = std::vector<std::uint8_t>;
    const auto head = [](const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); };
    const auto s255 = Stored(std::string(255, 'x'));
    EXPECT_EQ(head(s255, 3), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(s255.size(), 258u);
    // 65 533 is the last 16-bit length; 65 534 would read as the UTF-16 marker.
    EXPECT_EQ(head(Stored(std::string(65533, 'x')), 3), (Bytes{0xFF, 0xFD, 0xFF}));
    const auto s65534 = Stored(std::string(65534, 'x'));
    EXPECT_EQ(head(s65534, 7), (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(s65534.size(), 65534u + 7u);

    for (std::size_t length : {0u, 1u, 254u, 255u, 300u, 65533u, 65534u, 70000u}) {
        const std::string text(length, 'q');
        const auto bytes = Stored(text);
        CArchive in(bytes.data(), bytes.size());
        EXPECT_EQ(in.ReadString(), text) << length;
        EXPECT_EQ(in.GetRemaining(), 0u);
    }
}

TEST(Archive, CountsEscapeTo32Bits) {
    CArchive ar;
    ar.WriteCount(0xFFFE);
    ar.WriteCount(0xFFFF);
    EXPECT_EQ(ar.GetBuffer(), CByteBuilder().U16(0xFFFE).U16(0xFFFF).U32(0xFFFF).Bytes());
    CArchive in(ar.GetBuffer().data(), ar.GetBuffer().size());
    EXPECT_EQ(in.ReadCount(), 0xFFFEu);
    EXPECT_EQ(in.ReadCount(), 0xFFFFu);
}

// `before` followed by a class declaration as the archive writes it: new-class tag, schema,
// name length, name.
CByteBuilder Declared(const std::string& name, std::uint16_t schema = 1, CByteBuilder before = {}) {
    const auto length = static_cast<std::uint16_t>(name.size());
    return before.U16(0xFFFF).U16(schema).U16(length).Chars(name);
}

TEST(Archive, DamagedInputFailsWithAClearMessage) {
    const auto readString = [](CArchive& ar) { ar.ReadString(); };
    const auto readTag = [](CArchive& ar) { ar.ReadClassTag("CAlarmItem", 1); };
    const auto readTwoTags = [](CArchive& ar) {
        ar.ReadClassTag("CAlarmItem", 1);
        ar.ReadClassTag("CAlarmItem", 1);
    };
    const auto readInt = [](CArchive& ar) { ar.ReadInt32(); };
    const std::string garbled = std::string("C\0\xFF", 3) + std::string(42, 'x');
    const struct {
        std::vector<std::uint8_t> bytes;
        void (*read)(CArchive&);
        std::string message;
    } cases[] = {
        {{1, 2, 3}, readInt, "the file ends early: 4 bytes expected, 3 left (at byte 0)"},
        {{}, readString, "the file ends early: 1 bytes expected, 0 left (at byte 0)"},
        {{5, 'a', 'b'},
         readString,
         "the text at byte 0 claims 5 characters but only 2 bytes are left"},
        {{0xFF, 0x2C, 0x01, 'a'},
         readString,
         "the text at byte 0 claims 300 characters but only 1 bytes are left"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2},
         readString,
         "the file ends early: 8 bytes expected, 2 left (at byte 7)"},
        {{0xFF, 0xFE, 0xFF, 0}, readString, "a text in UTF-16 form is not supported (at byte 3)"},
        {CByteBuilder().U16(0x8001).Bytes(), readTag,
         "object tag 0x8001 refers to no known class (at byte 0)"},
        {CByteBuilder().U16(0x0000).Bytes(), readTag, "unexpected object tag 0x0000 (at byte 0)"},
        {CByteBuilder().U16(0x0002).Bytes(), readTag, "unexpected object tag 0x0002 (at byte 0)"},
        {Declared("CObject").Bytes(), readTag, "unexpected object class \"CObject\" (at byte 0)"},
        // Names from the file are shown printable and short, whatever bytes they hold.
        {Declared(garbled).Bytes(), readTag,
         "unexpected object class \"C??" + std::string(37, 'x') + "...\" (at byte 0)"},
        {Declared("CAlarmItem", 2).Bytes(), readTag,
         "object class \"CAlarmItem\" has unsupported schema 2 (at byte 0)"},
        {CByteBuilder().U16(0xFFFF).U16(1).U16(500).Chars("CAlarmItem").Bytes(), readTag,
         "the file ends early: 500 bytes expected, 10 left (at byte 6)"},
        {Declared("CAlarmItem", 1, Declared("CAlarmItem")).Bytes(), readTwoTags,
         "object class \"CAlarmItem\" declared twice (at byte 16)"},
        {Declared("CAlarmItem").U16(0x8002).Bytes(), readTwoTags,
         "object tag 0x8002 refers to no known class (at byte 16)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf(c.bytes, c.read), c.message);
    }
}

TEST(FileContents, ReplaceWritesThroughATemporaryAndKeepsTheOldFileOnFailure) {
    CTempFolder folder;
    const std::string path = folder.File("setup.tvk");
    ASSERT_EQ(ReplaceFileContents(path, {1, 2, 3}), 0);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ReadFileContents(path, bytes, 100), 0);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_EQ(ReplaceFileContents(path, {9}), 0);
    ASSERT_EQ(ReadFileContents(path, bytes, 100), 0);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{9}));

    // The target is a folder: the rename fails, the temporary is removed, nothing else changes.
    const std::string dir = folder.File("sub");
    ASSERT_EQ(ReplaceFileContents(dir + "/x", {1}), ENOENT);
    ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    folder.Write("sub/keep", {7});
    EXPECT_NE(ReplaceFileContents(dir, {1, 2}), 0);
    EXPECT_EQ(folder.Read("sub/keep"), (std::vector<std::uint8_t>{7}));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"setup.tvk", "sub"}));  // no temporary left

    EXPECT_EQ(ReadFileContents(path, bytes, 0), EFBIG);
    EXPECT_EQ(ReadFileContents(folder.File("missing"), bytes, 100), ENOENT);
}

TEST(MessageQueue, RangesPeekAndQuit) {
    CMessageQueue queue;
    queue.Post({1026, 0, 0});
    queue.Post({1025, 7, -3});
    CMessage msg;
    EXPECT_FALSE(queue.PeekMessage(msg, WM_QUIT, WM_QUIT));
    EXPECT_TRUE(queue.PeekMessage(msg, 1025, 1025));  // does not remove
    EXPECT_EQ(queue.Size(), 2u);
    EXPECT_EQ(queue.GetMessage(msg, WM_QUIT, 1025), 1);  // skips 1026, takes 1025
    EXPECT_EQ(msg.message, 1025u);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.lParam, -3);
    queue.Post({WM_QUIT, 0, 0});
    EXPECT_EQ(queue.GetMessage(msg, WM_QUIT, 1025), 0);
    EXPECT_EQ(queue.GetMessageFor(msg, std::chrono::milliseconds(1), WM_QUIT, 1025), std::nullopt);
    EXPECT_EQ(queue.GetMessage(msg), 1);  // any message: the 1026 left over
    EXPECT_EQ(msg.message, 1026u);
}

template <EResultCode C, class P>
concept Makeable = requires(P payload) {
    CAnalyserResult::Make<C>(payload);
};

// A code travels only with its own payload type, and a receiver finds a payload only under the
// code it was made with: a mismatch fails to compile or yields nothing, never a reinterpreted
// object.
TEST(AnalyserResult, ACodeCarriesOnlyItsOwnPayloadType) {
    using Floats = std::shared_ptr<const std::vector<float>>;
    static_assert(Makeable<EResultCode::DeviationPeak, float>);
    static_assert(!Makeable<EResultCode::DeviationPeak, Floats>);
    static_assert(Makeable<EResultCode::PowerHistory, Floats>);
    static_assert(!Makeable<EResultCode::Multipath, Floats>);
    static_assert(!Makeable<EResultCode::Spectrum, Floats>);

    const CAnalyserResult peak = CAnalyserResult::Make<EResultCode::DeviationPeak>(76.5f);
    EXPECT_EQ(peak.Code(), EResultCode::DeviationPeak);
    ASSERT_NE(peak.Get<EResultCode::DeviationPeak>(), nullptr);
    EXPECT_EQ(*peak.Get<EResultCode::DeviationPeak>(), 76.5f);
    EXPECT_EQ(peak.Get<EResultCode::DeviationMax>(), nullptr);  // same type, other code
    EXPECT_EQ(peak.Get<EResultCode::Power1s>(), nullptr);

    const auto history = std::make_shared<const std::vector<float>>(std::vector<float>{3.0f});
    const auto power = CAnalyserResult::Make<EResultCode::PowerHistory>(history);
    EXPECT_EQ(static_cast<int>(power.Code()), 7);
    EXPECT_EQ(power.Get<EResultCode::PowerHistory>(), history.get());
    EXPECT_EQ(power.Share<EResultCode::PowerHistory>(), history);
    EXPECT_EQ(power.Get<EResultCode::DeviationRelative>(), nullptr);
    EXPECT_EQ(
        CAnalyserResult::Make<EResultCode::PowerHistory>(nullptr).Get<EResultCode::PowerHistory>(),
        nullptr);
    EXPECT_EQ(CAnalyserResult().Code(), EResultCode::None);
}

// A full queue keeps one message per kind: each result that gives way counts as dropped.
TEST(MessageQueue, FullQueueReplacesTheSameKindAndCountsTheDrop) {
    CMessageQueue queue;
    const CDropCounts before = CDropCounters::Instance().Read();
    queue.PostCoalescing({1027, 4, 1}, 2);
    queue.PostCoalescing({1027, 7, 2}, 2);
    queue.PostCoalescing({1027, 4, 3}, 2);   // full: replaces the first EResultCode::DeviationPeak
    queue.PostCoalescing({1027, 12, 4}, 2);  // full, but no EResultCode::Power1s waits: added
    const CDropCounts drops = CDropCounters::Instance().Read() - before;
    EXPECT_EQ(drops[EDropKind::Result], 1u);
    EXPECT_EQ(drops.Describe(), "results 1");
    std::vector<std::intptr_t> order;
    CMessage msg;
    while (queue.PeekMessage(msg, 0, 0, true)) {
        order.push_back(msg.lParam);
    }
    EXPECT_EQ(order, (std::vector<std::intptr_t>{3, 2, 4}));
}

// What a thread body's catch-all makes of the exception in flight.
TEST(Thread, ABodyThatThrowsEndsItsThreadOnly) {
    const struct {
        std::function<void()> raise;
        int errorId;
        int subId;
        const char* message;
    } cases[] = {
        {[] { throw CDocumentException("GetMessage returned -1.", 3); }, EXC_DOCUMENT, 3,
         "GetMessage returned -1."},
        {[] { throw std::runtime_error("bad"); }, EXC_TAVIKCONTROL, 0, "bad\n"},
        {[] { throw 42; }, EXC_TAVIKCONTROL, 0, "unknown exception\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        CGenericException caught("", 0, 0);
        try {
            c.raise();
        } catch (...) {
            caught = CurrentException(EXC_TAVIKCONTROL);
        }
        EXPECT_EQ(caught.GetErrorId(), c.errorId);
        EXPECT_EQ(caught.GetSubId(), c.subId);
        EXPECT_EQ(caught.GetMessage(), c.message);
    }
    CThread thread;
    ASSERT_TRUE(thread.Start([](CThread&) -> int { throw std::runtime_error("escaped"); }));
    thread.Join();
    EXPECT_EQ(thread.ExitCode(), CThread::kFailedExitCode);
}

TEST(Thread, PostsReachRunningThreadsOnly) {
    CThread thread;
    std::atomic<int> seen{0};
    ASSERT_TRUE(thread.Start([&](CThread& self) {
        CMessage msg;
        while (self.Queue().GetMessage(msg) != 0) {
            seen.fetch_add(static_cast<int>(msg.wParam));
        }
        return 42;
    }));
    const ThreadId id = thread.GetId();
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(PostThreadMessage(id, 1025, 5));
    EXPECT_FALSE(thread.JoinFor(std::chrono::milliseconds(20)));  // still waiting for quit
    EXPECT_TRUE(PostThreadMessage(id, WM_QUIT));
    EXPECT_TRUE(thread.JoinFor(std::chrono::seconds(10)));
    EXPECT_EQ(thread.ExitCode(), 42);
    EXPECT_EQ(seen.load(), 5);
    EXPECT_FALSE(PostThreadMessage(id, 1025));  // the thread has ended: lost
    EXPECT_FALSE(PostThreadMessage(0, 1025));
}

TEST(Time, SpansAndLocalFormatting) {
    const CTimeSpan span(1, 2, 3, 4);
    EXPECT_EQ(span.GetTotalSeconds(), 93784);
    EXPECT_EQ(span.GetDays(), 1);
    EXPECT_EQ(span.GetHours(), 2);
    EXPECT_EQ(span.GetMinutes(), 3);
    EXPECT_EQ(span.GetSeconds(), 4);

    // TZ=Europe/Berlin is set for the test run: 2003-12-05 08:30:15 UTC is 09:30:15 local.
    const CTime t(1070613015);
    EXPECT_EQ(t.Format("%A, %B %d, %Y, %H:%M:%S"), "Friday, December 05, 2003, 09:30:15");
    EXPECT_EQ(t.Format("%y%m%d"), "031205");
    EXPECT_EQ(CTime(2003, 12, 5, 9, 30, 15), t);
    EXPECT_EQ(t.GetHour(), 9);
    EXPECT_EQ(t.GetDayOfWeek(), 6);

    const COleDateTimeSpan delay(0, 0, 1, 30);
    EXPECT_DOUBLE_EQ(delay.GetDays(), 90.0 / 86400.0);
    EXPECT_EQ(delay.GetTotalSeconds(), 90);
    const COleDateTime local = COleDateTime::FromTime(t);
    EXPECT_NEAR(local.GetDays(), 37960.0 + (9 * 3600 + 30 * 60 + 15) / 86400.0, 1e-9);
    EXPECT_TRUE(local + delay > local);
}

TEST(File, CauseCodesAndPaths) {
    CFile file;
    EXPECT_EQ(file.Open("/nonexistent-folder/x.dat", CFile::modeRead), ENOENT);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Close(), 0);
    // The descriptor's flags cannot be read: the file is not opened with flags made up.
    CTempFolder folder;
    folder.Write("x.dat", {1, 2});
    {
        const test::CFailure failure(test::CFailingCalls::fcntlFails, EIO);
        EXPECT_EQ(file.Open(folder.File("x.dat"), CFile::modeAppend), EIO);
    }
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(JoinPath("logs", "tavik031205.xml"), "logs/tavik031205.xml");
    EXPECT_EQ(JoinPath("logs/", "tavik031205.xml"), "logs/tavik031205.xml");
    EXPECT_EQ(JoinPath("", "mpx.dat"), "mpx.dat");
}

class CCountingView : public CView {
public:
    void OnUpdate(CView* sender, long hint, void* object) override {
        lastSender = sender;
        hints.push_back(hint);
        lastObject = object;
    }
    CView* lastSender = nullptr;
    void* lastObject = nullptr;
    std::vector<long> hints;
};

TEST(Document, UpdateAllViewsSkipsTheSender) {
    CDocument doc;
    CCountingView a;
    CCountingView b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&a);  // once only
    int item = 0;
    doc.UpdateAllViews(&a, 40, &item);
    EXPECT_TRUE(a.hints.empty());
    EXPECT_EQ(b.hints, std::vector<long>{40});
    EXPECT_EQ(b.lastObject, &item);
    EXPECT_EQ(b.lastSender, &a);
    doc.UpdateAllViews(nullptr, 10);
    EXPECT_EQ(a.hints, std::vector<long>{10});
    doc.RemoveView(&b);
    doc.UpdateAllViews(nullptr, 11);
    EXPECT_EQ(b.hints.size(), 2u);
    EXPECT_FALSE(doc.IsModified());
    doc.SetModifiedFlag();
    EXPECT_TRUE(doc.IsModified());
}

std::string Details(const char* id, const char* sub) {
    return "\n\nError ID: " + std::string(id) + "\tError subID: " + sub + "\n\nError messages:\n";
}

TEST(ErrorText, EveryRowOfTheTable) {
    const std::string msg = "A: one\nB: two\n";
    EXPECT_EQ(GetErrorMessage(1, 0, msg), "Device cannot be accessed -> check cable and power!" +
                                              Details("   1", "   0") + msg);
    // Rows of the table that nothing raises are gone.
    EXPECT_EQ(GetErrorMessage(1, 1, msg), "EXC_TAVIKCONTROL: subID(1) not defined!");
    EXPECT_EQ(GetErrorMessage(1, -1, msg), "EXC_TAVIKCONTROL: subID(-1) not defined!");
    EXPECT_EQ(GetErrorMessage(2, 0, msg),
              "Memory or thread error!" + Details("   2", "   0") + msg);
    EXPECT_EQ(GetErrorMessage(2, 7, msg), "EXC_DOCUMENT: subID(7) not defined!");
    EXPECT_EQ(GetErrorMessage(4, 0, msg), "EXC_MEMDC: subID(0) not defined!");
    EXPECT_EQ(GetErrorMessage(4, 1, "pDC == NULL"),
              "CMemDCException: There was a null pointer exception in the constructor of "
              "CMemDC.\npDC == NULL");
    EXPECT_EQ(GetErrorMessage(4, 2, msg), "EXC_MEMDC: subID(2) not defined!");
    const std::string reset =
        "There was an error while resetting the program after the measurement was stopped. It "
        "is recommended to restart the program.";
    EXPECT_EQ(GetErrorMessage(10, 0, msg), reset + Details("  10", "   0") + msg);
    EXPECT_EQ(GetErrorMessage(10, 1, msg), "EXC_MPXPOWERTAVIK: subID(1) not defined!");
    EXPECT_EQ(GetErrorMessage(11, 0, msg), msg);
    EXPECT_EQ(GetErrorMessage(11, 1, msg), msg);
    EXPECT_EQ(GetErrorMessage(11, 2, msg), "EXC_MULTIPATHTAVIK: subID(2) not defined!");
    EXPECT_EQ(GetErrorMessage(12, 0, msg), reset + Details("  12", "   0") + msg);
    EXPECT_EQ(GetErrorMessage(12, 5, msg), "EXC_DEVIATIONTAVIK: subID(5) not defined!");
    for (int id : {-4, 0, 3, 5, 6, 7, 8, 9, 13, 20, 1000}) {
        EXPECT_EQ(GetErrorMessage(id, 0, msg), "ID(" + std::to_string(id) + ") not defined!");
    }
}

// Headed by the cause: the first line without the one-word operation before its first ": ".
TEST(ErrorText, CauseFirstHeadsTheDetailsWithTheFirstLine) {
    const struct {
        const char* message;
        const char* head;
    } rows[] = {
        {"StartADCTransfer: rtltcp:site: bad port\nStartMeasurement: x\n", "rtltcp:site: bad port"},
        {"StartADCTransfer: \"/a b.cu8\": too short\n", "\"/a b.cu8\": too short"},
        {"cannot read \"/x\": gone\n", "cannot read \"/x\": gone"},
        {"no operation here", "no operation here"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatExceptionCauseFirst(CTavikControlException(row.message, 0)),
                  row.head + Details("   1", "   0") + row.message);
    }
}

TEST(TextParse, TakesTheWholeTextOrNothing) {
    EXPECT_EQ(ParseNumber("76.5"), 76.5);
    EXPECT_EQ(ParseNumber("-1e-5"), -1e-5);
    for (const char* bad : {"", " 1", "1 ", "1,5", "+1", "nan", "inf", "1e999", "0x10"}) {
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    }
    EXPECT_EQ(ParseInteger("-24"), -24);
    EXPECT_EQ(ParseInteger("12aB", 16), 0x12AB);
    for (const char* bad : {"", "3s", "1.0", "99999999999999999999"}) {
        EXPECT_FALSE(ParseInteger(bad)) << bad;
    }
}

TEST(TextParse, UtcTimesOfTheCalendarOnly) {
    EXPECT_EQ(ParseUtcTime("2026-06-15T10:00:00"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2024-02-29T23:59:30"), 1709251170);
    EXPECT_EQ(ParseUtcTime("1990-01-01T00:00:00"), 631152000);
    EXPECT_EQ(ParseUtcTime("2000-02-29T00:00:00"), 951782400);  // a leap year by 400
    // With "Z" or an offset from UTC: the same instant.
    EXPECT_EQ(ParseUtcTime("2026-06-15T10:00:00Z"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2026-06-15T12:00:00+02:00"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2026-06-15T06:30:00-03:30"), 1781517600);
    EXPECT_EQ(ParseUtcTime("2026-06-15T10:00:00-00:00"), 1781517600);
    for (const char* bad : {"2026-02-29T10:00:00", "2100-02-28T00:00:00", "1989-12-31T23:59:59",
                            "2026-06-15 10:00:00", "2026-06-15T24:00:00", "2026-6-15T10:00:00",
                            "2026-06-15T10:00:00z", "2026-04-31T10:00:00", "2026-06-15T10:00:00+2",
                            "2026-06-15T10:00:00+0200", "2026-06-15T10:00:00+15:00",
                            "2026-06-15T10:00:00 02:00", "2026-06-15T10:00:00+02:60"}) {
        EXPECT_FALSE(ParseUtcTime(bad)) << bad;
    }
}

TEST(TextParse, NumbersForPeopleAndExactFloats) {
    EXPECT_EQ(FormatNumber(76.123456, 2), "76.12");
    EXPECT_EQ(FormatNumber(920.5593335080464, 1), "920.6");
    EXPECT_EQ(FormatNumber(75.0, 2), "75");
    EXPECT_EQ(FormatNumber(0.5, 3), "0.5");
    EXPECT_EQ(FormatNumber(-0.001, 2), "0");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity(), 2), "-inf");
    EXPECT_EQ(FormatFloat(106.7f), "106.7");
    EXPECT_EQ(FormatFloat(0.1f), "0.1");
    EXPECT_EQ(static_cast<float>(*ParseNumber(FormatFloat(1.0f / 3.0f))), 1.0f / 3.0f);
}

TEST(TextParse, IsoLocalTimeCarriesItsOffset) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_EQ(FormatIsoLocalTime(1781517600), "2026-06-15T12:00:00+02:00");
    EXPECT_EQ(FormatIsoLocalTime(1767221999), "2025-12-31T23:59:59+01:00");
    setenv("TZ", "America/St_Johns", 1);
    tzset();
    EXPECT_EQ(FormatIsoLocalTime(1781517600), "2026-06-15T07:30:00-02:30");
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
}

// A pass that sums its block (an empty one throws) and notes its thread; held at its start
// while its gate is.
class CSum : public CWorkerThread {
public:
    std::set<std::thread::id> threads;  // the worker's thread only

protected:
    void Pass() override {
        threads.insert(std::this_thread::get_id());
        if (m_nDataCount == 0) {
            throw std::runtime_error("empty block");
        }
        float sum = 0;
        for (int i = 0; i < m_nDataCount; ++i) {
            sum += m_pData[i];
        }
        Notify(CAnalyserResult::Make<EResultCode::DeviationPeak>(sum),
               static_cast<std::intptr_t>(sum));
    }
};
using CSumWorker = test::CGated<CSum>;

// A burst while a pass runs waits in the queue, copied (the caller's buffer is reused at
// once), and is analysed in order on one thread; only the block that finds the queue full is
// dropped and counted.
TEST(WorkerThread, QueuesABurstInOrderAndDropsOnlyWhenFull) {
    CQueueTarget window;
    CSumWorker worker;
    worker.SetNotifyWindow(&window);
    const CDropCounts before = CDropCounters::Instance().Read();
    worker.gate.Hold();
    float block[2] = {};
    for (int i = 1; i <= CWorkerThread::kQueueDepth + 1; ++i) {
        block[0] = static_cast<float>(i);
        block[1] = 100.0f;
        worker.PostData(block, 2);
        EXPECT_TRUE(worker.IsBusy());
    }
    EXPECT_EQ((CDropCounters::Instance().Read() - before)[EDropKind::AnalyserBlock], 1u);
    EXPECT_FALSE(worker.WaitUntilIdle(std::chrono::milliseconds(10)));
    worker.gate.Release();
    ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
    EXPECT_FALSE(worker.IsBusy());
    EXPECT_EQ(worker.passes.load(), CWorkerThread::kQueueDepth);
    for (int i = 1; i <= CWorkerThread::kQueueDepth; ++i) {
        CMessage msg;
        ASSERT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
        EXPECT_EQ(msg.message, WM_ANALYSER_RESULT);
        EXPECT_EQ(msg.wParam, 4u);
        EXPECT_EQ(msg.lParam, 100 + i);
    }
    worker.PostData(block, 2);  // idle again: taken, on the same thread
    ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(worker.threads.size(), 1u);
    EXPECT_NE(*worker.threads.begin(), std::this_thread::get_id());
}

// A pass that throws ends like any other and tells of it with WM_ANALYSER_ERROR; the worker goes
// on.
TEST(WorkerThread, APassThatThrowsPostsItsTextAndTheWorkerGoesOn) {
    for (const bool synchronous : {false, true}) {
        SCOPED_TRACE(synchronous);
        CQueueTarget window;
        CSumWorker worker;
        worker.SetNotifyWindow(&window);
        worker.SetSynchronous(synchronous);
        const float block[2] = {1, 2};
        worker.PostData(block, 0);
        ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
        CMessage msg;
        ASSERT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
        EXPECT_EQ(msg.message, WM_ANALYSER_ERROR);
        ASSERT_TRUE(msg.pText);
        EXPECT_EQ(*msg.pText, "empty block\n");
        worker.PostData(block, 2);
        ASSERT_TRUE(worker.WaitUntilIdle(std::chrono::seconds(10)));
        ASSERT_EQ(window.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
        EXPECT_EQ(msg.lParam, 3);
    }
}

}  // namespace
}  // namespace tavik
