#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <numbers>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <vector>

#include "device/TavikControl.h"
#include "dsp/FmModulator.h"
#include "dsp/IqFormat.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"
#include "platform/Thread.h"
#include "tests/support/ManualClockPacer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CManualClockPacer;
using test::CTempFolder;
using test::Samples16;

// Stands in for the distribution threads: copies every announced block out of the device.
class CBlockReceiver {
public:
    struct Block {
        std::vector<float> mpx;
        std::vector<float> level;
    };

    explicit CBlockReceiver(CTavikControl& device) : m_device(device) {
        m_thread.Start([this](CThread& self) {
            CMessage msg;
            while (self.Queue().GetMessage(msg, WM_QUIT, WM_RDS_BLOCK_READY) != 0) {
                Take(msg.message);
            }
            return 0;
        });
        device.SetADCThreadID(m_thread.GetId());
        device.SetRDSThreadID(m_thread.GetId());
    }
    ~CBlockReceiver() {
        PostThreadMessage(m_thread.GetId(), WM_QUIT);
        m_thread.Join();
    }

    // Waits until `count` sample (or RDS) blocks were taken.
    std::vector<Block> WaitForBlocks(std::size_t count) { return WaitFor(m_blocks, count); }
    std::vector<std::vector<std::uint8_t>> WaitForRds(std::size_t count) {
        return WaitFor(m_rds, count);
    }
    std::size_t BlockCount() { return WaitForBlocks(0).size(); }

private:
    template <class List>
    List WaitFor(const List& list, std::size_t count) {
        std::unique_lock lock(m_mutex);
        m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return list.size() >= count; });
        return list;
    }
    void Take(unsigned message) {
        if (message == WM_ADC_BLOCK_READY) {
            Block block{std::vector<float>(GLOBAL_SAMPLE_BUFSIZE),
                        std::vector<float>(GLOBAL_SAMPLE_BUFSIZE)};
            int mpxCount = 0;
            int levelCount = 0;
            m_device.GetADCData(block.mpx.data(), mpxCount, block.level.data(), levelCount);
            EXPECT_EQ(mpxCount, GLOBAL_SAMPLE_BUFSIZE);
            EXPECT_EQ(levelCount, GLOBAL_SAMPLE_BUFSIZE);
            std::lock_guard lock(m_mutex);
            m_blocks.push_back(std::move(block));
        } else if (message == WM_RDS_BLOCK_READY) {
            std::vector<std::uint8_t> data(RDS_BLOCK_BYTES);
            int count = 0;
            m_device.GetRDSData(data.data(), count);
            EXPECT_EQ(count, RDS_BLOCK_BYTES);
            std::lock_guard lock(m_mutex);
            m_rds.push_back(std::move(data));
        }
        m_cv.notify_all();
    }

    CTavikControl& m_device;
    CThread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Block> m_blocks;
    std::vector<std::vector<std::uint8_t>> m_rds;
};

// A device on the recordings of a temporary folder, stepped cycle by cycle.
struct PlaybackFixture : ::testing::Test {
    PlaybackFixture() {
        device->SetDataFolder(folder.Path());
        device->SetPacers(&adcPace, &rdsPace, &panoramaPace);
        folder.Write("rds.dat", std::vector<std::uint8_t>(250, 0x5A));
    }
    ~PlaybackFixture() override { device->StopTransfer(); }

    // Runs one ADC (or RDS) cycle to completion and, when it publishes a block, waits until
    // the receiver has taken it, so that no block is skipped as a slow reader would. The count
    // expected is kept here rather than read before the step: a block of the cycle before may
    // still be on its way to the receiver.
    void Cycle(CBlockReceiver& receiver, bool published, bool rds = false) {
        CSteppedPacer& pace = rds ? rdsPace : adcPace;
        std::size_t& expected = rds ? rdsExpected : blocksExpected;
        ASSERT_TRUE(pace.WaitUntilIdle());
        pace.Step();
        ASSERT_TRUE(pace.WaitUntilIdle());
        if (published) {
            ++expected;
            const std::size_t taken = rds ? receiver.WaitForRds(expected).size()
                                          : receiver.WaitForBlocks(expected).size();
            ASSERT_EQ(taken, expected);
        }
    }

    CTempFolder folder;
    CSteppedPacer adcPace;
    CSteppedPacer rdsPace;
    CSteppedPacer panoramaPace;
    std::size_t blocksExpected = 0;
    std::size_t rdsExpected = 0;
    std::unique_ptr<CTavikControl> device = std::make_unique<CTavikControl>();
};

std::vector<std::int16_t> Ramp(int count, int offset) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((i + offset) % 30000);
    }
    return samples;
}

// 2.5 blocks per file, level sample i is mpx sample i shifted by 15000: two blocks, then a cycle
// that finds 20000 bytes left, rewinds and publishes nothing, then the start again, loop after
// loop, with the channels paired throughout.
TEST_F(PlaybackFixture, ShortFilesYieldTwoBlocksThenASilentCycleAndStayPaired) {
    folder.Write("mpx.dat", Samples16(Ramp(50000, 0)));  // 100000 bytes
    folder.Write("lev.dat", Samples16(Ramp(50000, 15000)));
    CBlockReceiver receiver(*device);
    ASSERT_TRUE(device->StartADCTransfer(nullptr));
    for (int loop = 1; loop <= 5; ++loop) {
        Cycle(receiver, true);
        Cycle(receiver, true);
        Cycle(receiver, false);
        ASSERT_EQ(receiver.BlockCount(), 2u * loop);
    }
    const auto blocks = receiver.WaitForBlocks(10);
    ASSERT_EQ(blocks.size(), 10u);
    EXPECT_EQ(blocks[0].mpx[19999], 19999.0f);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        EXPECT_EQ(blocks[b].mpx[0], b % 2 == 0 ? 0.0f : 20000.0f) << b;
        for (std::size_t i : {0u, 777u, 19999u}) {
            const int mpx = static_cast<int>(blocks[b].mpx[i]);
            EXPECT_EQ(blocks[b].level[i],
                      CTavikControl::ScaleLevel(static_cast<float>((mpx + 15000) % 30000)))
                << b << ":" << i;
        }
    }
    EXPECT_FALSE(device->StopTransfer());
}

TEST_F(PlaybackFixture, ShortLevelFileSuppressesTheBlock) {
    folder.Write("mpx.dat", Samples16(Ramp(50000, 0)));
    folder.Write("lev.dat", Samples16(Ramp(20000, 0)));  // one block only
    CBlockReceiver receiver(*device);
    device->StartADCTransfer(nullptr);
    for (bool published : {true, false, true, false}) {  // the level file is one block long
        Cycle(receiver, published);
    }
    auto blocks = receiver.WaitForBlocks(2);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(receiver.BlockCount(), 2u);
    EXPECT_EQ(blocks[1].mpx[0], 0.0f);  // both files start over together
}

TEST_F(PlaybackFixture, RdsBlocksLoopAndGetADCDataStartsEmpty) {
    std::vector<std::uint8_t> rds(250);
    std::iota(rds.begin(), rds.end(), 0);
    folder.Write("rds.dat", rds);
    folder.Write("mpx.dat", Samples16(Ramp(20000, 0)));
    folder.Write("lev.dat", Samples16(Ramp(20000, 0)));

    std::vector<float> mpx(GLOBAL_SAMPLE_BUFSIZE, 1.0f);
    std::vector<float> level(GLOBAL_SAMPLE_BUFSIZE, 1.0f);
    int mpxCount = -1;
    int levelCount = -1;
    device->GetADCData(mpx.data(), mpxCount, level.data(), levelCount);
    EXPECT_EQ(mpxCount, 0);
    EXPECT_EQ(levelCount, 0);

    CBlockReceiver receiver(*device);
    device->StartADCTransfer(nullptr);
    for (bool published : {true, true, false, true}) {  // 100, 100, short (rewind), 100
        Cycle(receiver, published, true);
    }
    auto blocks = receiver.WaitForRds(3);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0][0], 0);
    EXPECT_EQ(blocks[1][0], 100);
    EXPECT_EQ(blocks[2][99], 99);
}

// A recording that cannot be opened fails the start with its folder named first: the folder
// missing, recordings missing (named), or one that is no regular file, its cause in words
// (never an error number). A folder (or a FIFO) in a recording's place is never opened for
// reading, and no transfer thread waits on it.
TEST_F(PlaybackFixture, AStartWithoutItsRecordingsNamesTheFolderFirst) {
    const std::string here = folder.Path();
    const struct {
        const char* what;
        std::string dataFolder;
        std::vector<const char*> files;  // written before the start
        std::vector<const char*> folders;
        std::string message;
    } rows[] = {
        {"no folder",
         folder.File("nowhere"),
         {},
         {},
         "The recordings folder \"" + folder.File("nowhere") + "\" does not exist\n"},
        {"a file for the folder",
         folder.File("rds.dat"),
         {},
         {},
         "The recordings folder \"" + folder.File("rds.dat") + "\" is not a folder\n"},
        {"no recording",
         folder.File("empty"),
         {},
         {"empty"},
         "The recordings folder \"" + folder.File("empty") +
             "\" holds no recordings (mpx.dat, lev.dat and rds.dat)\n"},
        {"two missing",
         here,
         {},
         {},
         "The recordings folder \"" + here + "\" holds no mpx.dat and lev.dat\n"},
        {"one missing",
         here,
         {"lev.dat"},
         {},
         "The recordings folder \"" + here + "\" holds no mpx.dat\n"},
        {"a folder in a recording's place",
         here,
         {"lev.dat"},
         {"mpx.dat"},
         "Could not open file \"" + folder.File("mpx.dat") + "\" (not a regular file)\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        for (const char* name : row.folders) {
            std::filesystem::create_directory(folder.File(name));
        }
        for (const char* name : row.files) {
            folder.Write(name, Samples16(Ramp(20000, 0)));
        }
        device->SetDataFolder(row.dataFolder);
        EXPECT_EQ(test::Thrown<CTavikControlException>([&] { device->StartADCTransfer(nullptr); }),
                  row.message);
        EXPECT_FALSE(device->IsADCRunning());
        EXPECT_FALSE(device->IsRDSRunning());
    }
    // Without a folder set, the working directory is meant and named.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.File("empty"));
    device->SetDataFolder("");
    EXPECT_EQ(test::Thrown<CTavikControlException>([&] { device->StartADCTransfer(nullptr); }),
              "The recordings folder \"" + folder.File("empty") +
                  "\" holds no recordings (mpx.dat, lev.dat and rds.dat)\n");
    std::filesystem::current_path(previous);

    std::filesystem::remove(folder.File("mpx.dat"));
    folder.Write("mpx.dat", Samples16(Ramp(20000, 0)));
    device->SetDataFolder(here);
    device->StartADCTransfer(nullptr);
    EXPECT_EQ(test::Thrown<CTavikControlException>([&] { device->StartADCTransfer(nullptr); }),
              "StartADCTransfer: Thread already running.");
}

TEST_F(PlaybackFixture, PanoramaReadsOneSamplePerStep) {
    folder.Write("panormama.dat", Samples16({-32767, 0, 32767}));
    panoramaPace.Step(100);
    float out[32];
    EXPECT_THROW(device->GetPanoramaData(out), CTavikControlException);  // file not open

    device->SetSOF(false);
    device->SetTunerFrequency(87.5f);
    device->GetPanoramaData(out);
    EXPECT_FLOAT_EQ(out[0], 22.5f);
    EXPECT_EQ(std::count(out, out + 32, out[0]), 32);
    device->SetTunerFrequency(87.525f);
    device->GetPanoramaData(out);
    EXPECT_EQ(out[31], CTavikControl::ScaleLevel(0.0f));
    device->SetTunerFrequency(87.55f);
    device->GetPanoramaData(out);
    EXPECT_FLOAT_EQ(out[0], 97.49771f);  // full scale
    device->SetTunerFrequency(87.575f);
    EXPECT_EQ(test::Thrown<CTavikControlException>([&] { device->GetPanoramaData(out); }),
              "Not enough data in panorama.dat");  // beyond the end
    device->SetSOF(true);
}

// A pacer that fails in a way no file error does.
class CThrowingPacer final : public CPacer {
public:
    void Sleep(std::chrono::milliseconds) override { throw std::runtime_error("clock lost"); }
    void SleepUntil(Time) override { throw std::runtime_error("clock lost"); }
    Time Now() override { return Time{0}; }
    void Interrupt() override {}
    void Reset() override {}
};

// Any exception ends the transfer threads, not the process: the ADC thread tells of it with
// 1045 as of a device error, the RDS thread ends quietly.
TEST_F(PlaybackFixture, AnyExceptionEndsTheTransferThreadsCleanly) {
    folder.Write("mpx.dat", Samples16(Ramp(20000, 0)));
    folder.Write("lev.dat", Samples16(Ramp(20000, 0)));
    CThrowingPacer throwing;
    device->SetPacers(&throwing, &throwing, &panoramaPace);
    CQueueTarget notify;
    device->StartADCTransfer(&notify);
    CMessage msg;
    ASSERT_EQ(notify.Queue().GetMessageFor(msg, std::chrono::seconds(10)), 1);
    EXPECT_EQ(msg.message, WM_TRANSFER_ERROR);
    EXPECT_EQ(msg.wParam, static_cast<std::uintptr_t>(EXC_TAVIKCONTROL));
    EXPECT_EQ(msg.lParam, 0);
    device->StopTransfer();
    EXPECT_FALSE(device->IsADCRunning());
}

// A recording emptied while it plays: after 30 cycles without a block (3 s) the source has
// failed and says so with WM_TRANSFER_ERROR, rather than leave the last block's values standing.
TEST_F(PlaybackFixture, ASourceWithoutBlocksFor3SecondsFails) {
    folder.Write("mpx.dat", Samples16(Ramp(20000, 0)));
    folder.Write("lev.dat", Samples16(Ramp(20000, 0)));
    CQueueTarget notify;
    device->StartADCTransfer(&notify);
    adcPace.Step();
    ASSERT_TRUE(adcPace.WaitUntilIdle());
    folder.Write("mpx.dat", {});
    adcPace.Step(29);  // the rewind, then 28 more empty cycles
    ASSERT_TRUE(adcPace.WaitUntilIdle());
    CMessage msg;
    EXPECT_FALSE(notify.Queue().PeekMessage(msg, WM_TRANSFER_ERROR, WM_TRANSFER_ERROR));
    adcPace.Step();
    ASSERT_EQ(notify.Queue().GetMessageFor(msg, std::chrono::seconds(10), WM_TRANSFER_ERROR,
                                           WM_TRANSFER_ERROR),
              1);
    EXPECT_EQ(msg.wParam, 1u);
    device->StopTransfer();
}

// The transfers on clocks that only the test moves. The recordings are empty, so each cycle is
// a silent one (a rewind) and costs next to nothing; the clocks count the cycles.
struct PaceFixture : ::testing::Test {
    PaceFixture() {
        for (const char* name : {"mpx.dat", "lev.dat", "rds.dat"}) {
            folder.Write(name, {});
        }
        device->SetDataFolder(folder.Path());
        device->SetPacers(&adcClock, &rdsClock, nullptr);
        device->SetStallLimit(0);  // empty on purpose: the cycles are what is counted
        EXPECT_TRUE(device->StartADCTransfer(nullptr));
        EXPECT_TRUE(adcClock.WaitUntilIdle(1));
        EXPECT_TRUE(rdsClock.WaitUntilIdle(1));
    }
    ~PaceFixture() override { device->StopTransfer(); }

    CTempFolder folder;
    CManualClockPacer adcClock;
    CManualClockPacer rdsClock;
    std::unique_ptr<CTavikControl> device = std::make_unique<CTavikControl>();
};

// An hour in uneven steps, as late wake-ups and slow reads leave a thread: after every step
// exactly the cycles due by then have run, one ADC cycle per 100 ms and one RDS cycle per 800
// bits at 1187.5 bit/s (64/95 s), without drift.
TEST_F(PaceFixture, AnHourRunsEveryCycleOnSchedule) {
    using namespace std::chrono_literals;
    constexpr std::chrono::nanoseconds kSteps[] = {70ms, 130ms, 250ms, 30ms, 520ms, 1000ms};
    std::chrono::nanoseconds t{0};
    for (int step = 0; t < 1h; ++step) {
        t += kSteps[step % 6];
        adcClock.AdvanceTo(t);
        rdsClock.AdvanceTo(t);
        ASSERT_TRUE(adcClock.WaitUntilIdle(1));
        ASSERT_TRUE(rdsClock.WaitUntilIdle(1));
        ASSERT_EQ(adcClock.WaitsEnded(), t / 100ms) << t.count() << " ns";
        ASSERT_EQ(rdsClock.WaitsEnded(), t * 95 / 64s) << t.count() << " ns";
    }
    EXPECT_EQ(adcClock.WaitsEnded(), 36000);
    EXPECT_EQ(rdsClock.WaitsEnded(), 5343);  // 3600 s x 1187.5 bit/s / 800 bits, rounded down
}

// Cycles up to one second behind the schedule are caught up back to back, keeping the average
// rate; a longer stall restarts the schedule from its end.
TEST_F(PaceFixture, AStallCatchesUpToOneSecondThenRestartsTheSchedule) {
    using namespace std::chrono_literals;
    const struct {
        std::chrono::nanoseconds time;
        std::int64_t cycles;  // run by then
    } steps[] = {
        {100ms, 1},
        {1300ms, 13},        // cycle 2 was waiting; cycle 3 (due 0.3 s) is exactly 1 s late
        {2500ms + 1ns, 14},  // cycle 14 was waiting; cycle 15 is 1 s + 1 ns late: restart
        {2600ms, 14},
        {2600ms + 1ns, 15},  // one period after the restart
    };
    for (const auto& step : steps) {
        adcClock.AdvanceTo(step.time);
        ASSERT_TRUE(adcClock.WaitUntilIdle(1));
        EXPECT_EQ(adcClock.WaitsEnded(), step.cycles) << step.time.count() << " ns";
    }
}

// An IQ recording through the software receiver instead of the recordings: a 1 kHz tone at
// 57 kHz deviation and 60 dBuV, 0.75 s of cf32 at 400 kS/s on 106.7 MHz.
struct IqPlaybackFixture : PlaybackFixture {
    IqPlaybackFixture() {
        CFmModulator modulator({400000, 0.0, 100.0, 0.0, 0.0});
        std::vector<float> mpx(20000);
        const std::vector<float> level(20000, 60.0f);
        std::vector<std::complex<float>> iq(static_cast<std::size_t>(modulator.MaxOutput(20000)));
        std::vector<std::uint8_t> bytes;
        for (int b = 0; b < 8; ++b) {
            for (int n = 0; n < 20000; ++n) {
                mpx[static_cast<std::size_t>(n)] =
                    18000.0f * static_cast<float>(std::sin(2.0 * std::numbers::pi * 1000.0 *
                                                           (b * 20000 + n) / 200000.0));
            }
            const int count = modulator.Process(mpx.data(), level.data(), 20000, iq.data());
            const std::size_t at = bytes.size();
            bytes.resize(at + 8 * static_cast<std::size_t>(count));
            EncodeIq(CIqFormat::Cf32, iq.data(), static_cast<std::size_t>(count),
                     bytes.data() + at);
        }
        folder.Write("tone.cf32", bytes);
        settings.strFile = folder.File("tone.cf32");
        settings.rate = 400000.0;
        settings.centre = 106.7e6;
    }
    CIqSourceSettings settings;
};

TEST_F(IqPlaybackFixture, BlocksComeFromTheReceiverAndLoop) {
    device->SetIqSource(settings);
    device->SetTunerFrequency(106.7f);
    CBlockReceiver receiver(*device);
    device->StartADCTransfer(nullptr);
    // 0.8 s hold 7 whole blocks after the receiver's start-up; then one silent cycle that
    // rewinds, and the receiver starts over on the recording's beginning.
    for (int cycle = 0; cycle < 9; ++cycle) {
        Cycle(receiver, cycle != 7);
    }
    const auto blocks = receiver.WaitForBlocks(8);
    ASSERT_EQ(blocks.size(), 8u);
    EXPECT_EQ(blocks[7].mpx, blocks[0].mpx);
    EXPECT_EQ(blocks[7].level, blocks[0].level);
    for (const auto& block : {blocks[1], blocks[6]}) {
        const auto [lo, hi] = std::minmax_element(block.mpx.begin(), block.mpx.end());
        EXPECT_NEAR(*hi, 18000.0f, 40.0f);
        EXPECT_NEAR(*lo, -18000.0f, 40.0f);
        const auto [low, high] = std::minmax_element(block.level.begin(), block.level.end());
        EXPECT_NEAR(*low, 60.0f, 0.05f);
        EXPECT_NEAR(*high, 60.0f, 0.05f);
    }
    EXPECT_FALSE(device->IsRDSRunning());  // the ADC thread delivers the RDS chunks itself
}

// The level calibration: --full-scale given wins over the capture's tavik:full_scale_dbuv,
// which wins over 100 dBuV. The tone was modulated at 60 dBuV against 100 dBuV full scale.
TEST_F(IqPlaybackFixture, AGivenFullScaleWinsOverTheMetadata) {
    std::ifstream in(settings.strFile, std::ios::binary);
    folder.Write("tone.sigmf-data", std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                                              std::istreambuf_iterator<char>()));
    const struct {
        std::optional<double> metadata;
        std::optional<double> given;
        double level;  // dBuV
    } rows[] = {
        {std::nullopt, std::nullopt, 60.0},
        {90.0, std::nullopt, 50.0},
        {std::nullopt, 110.0, 70.0},
        {90.0, 110.0, 70.0},
    };
    for (const auto& row : rows) {
        nlohmann::json meta = {
            {"global", {{"core:datatype", "cf32_le"}, {"core:sample_rate", 400000.0}}},
            {"captures", {{{"core:frequency", 106.7e6}}}}};
        if (row.metadata) {
            meta["global"]["tavik:full_scale_dbuv"] = *row.metadata;
        }
        const std::string text = meta.dump();
        folder.Write("tone.sigmf-meta", std::vector<std::uint8_t>(text.begin(), text.end()));
        CIqFileSource source(
            {folder.File("tone.sigmf-meta"), std::nullopt, std::nullopt, std::nullopt, row.given});
        std::vector<float> mpx(GLOBAL_SAMPLE_BUFSIZE);
        std::vector<float> level(GLOBAL_SAMPLE_BUFSIZE);
        ASSERT_TRUE(source.ReadBlock(mpx.data(), level.data()));
        ASSERT_TRUE(source.ReadBlock(mpx.data(), level.data()));
        EXPECT_NEAR(level[100], row.level, 0.05)
            << row.metadata.value_or(0) << " " << row.given.value_or(0);
    }
}

// The source's own error, as IqReceiver.BadInputNamesTheCause has them all, under the start's.
TEST_F(IqPlaybackFixture, BadIqFailsTheStartWithItsCause) {
    device->SetTunerFrequency(98.2f);
    device->SetIqSource(settings);
    EXPECT_EQ(test::Thrown<CTavikControlException>([&] { device->StartADCTransfer(nullptr); }),
              "StartADCTransfer: \"" + settings.strFile +
                  "\": the station at 98.200 MHz lies outside the band the IQ covers (106.500 to "
                  "106.900 MHz)\n");
    EXPECT_FALSE(device->IsADCRunning());
}

}  // namespace
}  // namespace tavik
