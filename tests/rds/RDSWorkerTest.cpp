#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <thread>

#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "rds/RDSWorker.h"
#include "tests/rds/RdsDecodeHelpers.h"
#include "tests/rds/RdsTestEncoder.h"
#include "tests/support/PassGate.h"

namespace tavik {
namespace {

using namespace test;

constexpr auto kLimit = std::chrono::seconds(10);

// A message holding the first `count` bytes of the stream (at most 500), all of them by default.
RDS_DATA_MSG Message(const std::vector<std::uint8_t>& bytes, int count = -2) {
    RDS_DATA_MSG message{};
    if (!bytes.empty()) {
        std::memcpy(message.data, bytes.data(), std::min<std::size_t>(bytes.size(), 500));
    }
    message.count = count == -2 ? static_cast<int>(bytes.size()) : count;
    return message;
}

// Lead-in, a name in four 0A segments (two characters each) three times and a padding byte:
// 20 groups, 261 bytes. By default the name is "TAVIK FM".
std::vector<std::uint8_t> StationBytes(std::array<std::uint16_t, 4> name = {0x5441, 0x5649, 0x4B20,
                                                                            0x464D}) {
    CRdsTestEncoder encoder;
    AddLeadIn(encoder);
    for (int i = 0; i < 12; ++i) {
        encoder.AddGroup(kPI, static_cast<std::uint16_t>(0x0548 + i % 4), 0xCDCD, name[i % 4]);
    }
    encoder.AddZeros(8);
    return encoder.Bytes();
}
// "XY      " for the two characters XY.
std::vector<std::uint8_t> NameBytes(std::uint16_t xy) {
    return StationBytes({xy, 0x2020, 0x2020, 0x2020});
}

std::shared_ptr<const CRDSSnapshot> SnapshotOf(const CMessage& message) {
    return message.wParam == 9 ? message.result.Share<EResultCode::RdsData>()
                               : message.result.Share<EResultCode::RdsQuality>();
}

// A worker that decodes on the caller's thread and notifies `window`.
struct RDSWorkerFixture : ::testing::Test {
    RDSWorkerFixture() {
        worker.SetNotifyWindow(&window);
        worker.SetSynchronous(true);
    }
    CQueueTarget window;
    CRDSWorker worker;
};

TEST_F(RDSWorkerFixture, NotifiesCodes9And11WithOneImmutableSnapshot) {
    const auto bytes = StationBytes();
    worker.PostData(Message(bytes));

    ASSERT_EQ(window.Queue().Size(), 2u);
    CMessage data;
    CMessage rate;
    ASSERT_TRUE(window.Queue().PeekMessage(data, 0, 0, true));
    ASSERT_TRUE(window.Queue().PeekMessage(rate, 0, 0, true));
    for (const CMessage* m : {&data, &rate}) {
        EXPECT_EQ(m->message, WM_ANALYSER_RESULT);
        EXPECT_EQ(m->lParam, reinterpret_cast<std::intptr_t>(&worker));
    }
    EXPECT_EQ(data.wParam, 9u);
    EXPECT_EQ(rate.wParam, 11u);
    const auto snapshot = SnapshotOf(data);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot, SnapshotOf(rate));
    EXPECT_EQ(snapshot->m_data.m_strPS, "TAVIK FM");
    EXPECT_EQ(snapshot->m_dBitErrorRate, 0.0);
    EXPECT_EQ(snapshot->m_nSettleCount, 1);
    EXPECT_FALSE(snapshot->m_bSettled);

    // The next pass decodes noise ("No RDS"); the first snapshot stays as it was.
    CRdsTestEncoder noise;
    noise.AddNoise(4000, 5);
    worker.PostData(Message(noise.Bytes(), 500));
    EXPECT_EQ(worker.GetLastSnapshot()->m_data.m_strPS, "No RDS");
    EXPECT_EQ(snapshot->m_data.m_strPS, "TAVIK FM");
}

TEST_F(RDSWorkerFixture, CountsZeroAboveFiveHundredAndOutOfRange) {
    worker.PostData(Message({}, 0));  // decoded and notified, as the decoder's empty chunk
    ASSERT_EQ(window.Queue().Size(), 2u);
    const auto last = worker.GetLastSnapshot();

    worker.PostData(Message({}, 1001));  // dropped without notification
    worker.PostData(Message({}, -1));    // a negative count as well
    EXPECT_EQ(window.Queue().Size(), 2u);
    EXPECT_EQ(worker.GetLastSnapshot(), last);

    // 1000 is accepted but only the message's 500 bytes are read.
    CRdsTestEncoder encoder;
    AddLeadIn(encoder);
    for (int i = 0; i < 7; ++i) {
        AddPS(encoder);
    }
    const auto bytes = encoder.Bytes();  // 390 bytes
    CRDSWorker reference;
    reference.SetSynchronous(true);
    reference.PostData(Message(bytes, 500));
    worker.Reset();
    worker.PostData(Message(bytes, 1000));
    EXPECT_EQ(window.Queue().Size(), 4u);
    EXPECT_EQ(worker.GetLastSnapshot()->m_data.m_strPS, "TAVIK FM");
    EXPECT_EQ(worker.GetLastSnapshot()->m_dBitErrorRate,
              reference.GetLastSnapshot()->m_dBitErrorRate);
}

TEST(RDSWorker, MessagesArrivingWhileDecodingWaitTheirTurn) {
    CQueueTarget window;
    CGated<CRDSWorker> worker;
    worker.SetNotifyWindow(&window);
    const std::vector<std::uint16_t> names = {0x4F4E, 0x5457, 0x5448};  // "ON", "TW", "TH"

    worker.gate.Hold();
    for (const std::uint16_t name : names) {
        worker.PostData(Message(NameBytes(name)));
    }
    EXPECT_TRUE(worker.IsBusy());
    worker.gate.Release();
    ASSERT_TRUE(worker.WaitUntilIdle(kLimit));
    // Each message decoded in turn, in the order handed in.
    for (const char* ps : {"ON      ", "TW      ", "TH      "}) {
        CMessage message;
        ASSERT_EQ(window.Queue().GetMessageFor(message, kLimit), 1);
        EXPECT_EQ(SnapshotOf(message)->m_data.m_strPS, ps);
        ASSERT_EQ(window.Queue().GetMessageFor(message, kLimit), 1);
        EXPECT_EQ(message.wParam, 11u);
    }
    EXPECT_EQ(window.Queue().Size(), 0u);
    EXPECT_EQ(worker.passes.load(), 3);
}

TEST(RDSWorker, ResetFromAnotherThreadWhileDecoding) {
    CQueueTarget window;
    CRDSWorker worker;
    worker.SetNotifyWindow(&window);
    const auto bytes = StationBytes();
    std::atomic<bool> done{false};
    std::thread resetter([&] {
        while (!done.load()) {
            worker.Reset();
            worker.ResetSettling();
            std::this_thread::yield();
        }
    });
    int posted = 0;
    for (int i = 0; i < 200; ++i) {
        if (!worker.IsBusy()) {
            ++posted;
        }
        worker.PostData(Message(bytes));
        ASSERT_TRUE(worker.WaitUntilIdle(kLimit));
    }
    done = true;
    resetter.join();
    EXPECT_EQ(window.Queue().Size(), 2u * static_cast<unsigned>(posted));
    CMessage message;
    while (window.Queue().PeekMessage(message, 0, 0, true)) {
        const auto snapshot = SnapshotOf(message);
        ASSERT_TRUE(snapshot);
        const std::string& ps = snapshot->m_data.m_strPS;
        EXPECT_TRUE(ps.empty() || ps.size() == 8u) << ps;
    }
}

}  // namespace
}  // namespace tavik
