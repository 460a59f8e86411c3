#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>

#include "device/BlockExchange.h"

namespace tavik {
namespace {

struct Block {
    int value = 0;
};

// Stops the reader once, right after it picked a half, until the test has played the writer's
// moves; the reader runs on its own thread, the writer on the test's.
struct CPausingProbe {
    std::promise<void> picked;
    std::promise<void> resume;
    bool bPaused = false;
    void HalfPicked() {
        if (!bPaused) {
            bPaused = true;
            picked.set_value();
            resume.get_future().wait();
        }
    }
};

using Exchange = CBlockExchange<Block, CPausingProbe>;

bool Write(Exchange& exchange, int value, bool end = true) {
    Block* half = exchange.BeginWrite();
    if (half == nullptr) {
        return false;
    }
    half->value = value;
    if (end) {
        exchange.EndWrite(true);
    }
    return true;
}

// The reader picked the half of block 1; the writer moves on before the reader claims it. The
// reader must copy the newest completed block, never an overtaken or half-written one.
TEST(BlockExchange, ReaderOvertakenAfterPickingCopiesTheNewestBlock) {
    const struct {
        const char* name;
        std::function<void(Exchange&)> writerMoves;
    } cases[] = {
        {"block 2 completed", [](Exchange& e) { EXPECT_TRUE(Write(e, 2)); }},
        {"block 2 completed, block 3 begun in the picked half",
         [](Exchange& e) {
             EXPECT_TRUE(Write(e, 2));
             EXPECT_TRUE(Write(e, 3, false));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Exchange exchange(EDropKind::SampleBlock);
        ASSERT_TRUE(Write(exchange, 1));
        CPausingProbe& probe = exchange.GetProbe();
        int copied = 0;
        std::thread reader([&] { exchange.Read([&](const Block& b) { copied = b.value; }); });
        probe.picked.get_future().wait();
        c.writerMoves(exchange);
        probe.resume.set_value();
        reader.join();
        EXPECT_EQ(copied, 2);
    }
}

// While the reader copies the newest half, the writer fills the other one, then finds the
// half it wants next still held: that block is dropped and counted, the copy stays whole.
TEST(BlockExchange, WriterDropsAndCountsTheBlockForAHeldHalf) {
    Exchange exchange(EDropKind::RdsBlock);
    exchange.GetProbe().bPaused = true;  // no pause at the pick
    ASSERT_TRUE(Write(exchange, 1));
    std::promise<void> copying;
    std::promise<void> finish;
    int copied = 0;
    std::thread reader([&] {
        exchange.Read([&](const Block& b) {
            copying.set_value();
            finish.get_future().wait();
            copied = b.value;
        });
    });
    copying.get_future().wait();
    const CDropCounts before = CDropCounters::Instance().Read();
    EXPECT_TRUE(Write(exchange, 2));   // the other half
    EXPECT_FALSE(Write(exchange, 3));  // the held half: dropped
    const CDropCounts drops = CDropCounters::Instance().Read() - before;
    finish.set_value();
    reader.join();
    EXPECT_EQ(copied, 1);
    EXPECT_EQ(drops[EDropKind::RdsBlock], 1u);
    EXPECT_EQ(drops.Total(), 1u);
}

}  // namespace
}  // namespace tavik
