// One receiver read by several stations' threads at once: breaks, losses and rotation.
#include "device/IqBacklog.h"
#include "device/SharedIqStream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <complex>
#include <mutex>
#include <thread>
#include <vector>

namespace tavik {
namespace {

constexpr double kRate = 2400000.0;

// A receiver that delivers whatever is asked at once, breaks once after `breakAfter` reads and
// records its openings and tunings.
class CFakeReceiver final : public CIqStream {
public:
    struct CLog {
        std::mutex mutex;
        std::vector<double> tunings;  // the centre of each Open and Retune
        int nOpened = 0;
    };
    CFakeReceiver(CLog& log, int breakAfter) : m_log(log), m_nBreakAfter(breakAfter) {}

    void Open(const CIqTuning& tuning) override {
        const std::lock_guard lock(m_log.mutex);
        m_log.tunings.push_back(tuning.fCentre);
        ++m_log.nOpened;
        m_bOpen = true;
    }
    bool IsOpen() const override { return m_bOpen; }
    void Close() override { m_bOpen = false; }
    void Retune(double centre) override {
        const std::lock_guard lock(m_log.mutex);
        m_log.tunings.push_back(centre);
    }
    int Read(std::complex<float>* iq, int count) override {
        if (++m_nReads == m_nBreakAfter) {
            throw CIqStreamError("the server closed the connection");
        }
        for (int i = 0; i < count; ++i) {
            iq[i] = {i % 256 == 0 ? 1.0f : 0.1f, 0.0f};  // one sample in 256 at the limit
        }
        return count;
    }
    SDropped TakeDropped() override { return {2400, 1}; }  // 1 ms lost per read
    std::string Name() const override { return "fake"; }

private:
    CLog& m_log;
    int m_nBreakAfter;
    int m_nReads = 0;
    bool m_bOpen = false;
};

std::shared_ptr<CSharedIqStream> Shared(CFakeReceiver::CLog& log, int breakAfter,
                                        const std::vector<double>& stations,
                                        std::optional<CSharedIqStream::CBandPlan> bands = {},
                                        double dwell = 0.0) {
    const auto device = [&log, breakAfter](const std::atomic<bool>&) {
        return std::make_unique<CFakeReceiver>(log, breakAfter);
    };
    const CIqTuning tuning{98.75e6, kRate, std::nullopt, std::nullopt};
    return bands ? CSharedIqStream::Make(device, tuning, stations, *bands, dwell)
                 : CSharedIqStream::Make(device, tuning, stations);
}

// What one station's thread saw.
struct CSeen {
    std::int64_t nSamples = 0;
    int nErrors = 0;
    std::int64_t nDropped = 0;
    std::int64_t nConverter = 0;
    std::int64_t nAtLimit = 0;
};

// Reads `samples` of the station's open stream, reopening after a break as a live source does.
void ReadStation(CIqStream& stream, std::int64_t samples, CSeen& seen) {
    std::vector<std::complex<float>> iq(8000);
    while (seen.nSamples < samples) {
        try {
            seen.nSamples += stream.Read(iq.data(), static_cast<int>(iq.size()));
        } catch (const CIqStreamError&) {
            ++seen.nErrors;
            stream.Close();
            stream.Open({});
        }
        seen.nDropped += stream.TakeDropped().nSamples;
        if (const auto counts = stream.TakeConverterCounts()) {
            seen.nConverter += counts->nSamples;
            seen.nAtLimit += counts->nAtLimit;
        }
    }
}

// Three stations on their own threads: a break reaches each once and one reopening serves all;
// the receiver's losses and its converter's overload reach each, in its own samples.
TEST(SharedIqStream, ABreakReachesEveryStationOnceAndOneOpeningServesAll) {
    CFakeReceiver::CLog log;
    const std::vector<double> stations = {98.1e6, 98.5e6, 99.0e6};
    const auto shared = Shared(log, 30, stations);
    std::vector<CSeen> seen(stations.size());
    const std::atomic<bool> running{true};
    std::vector<std::unique_ptr<CIqStream>> streams;
    for (int s = 0; s < 3; ++s) {
        streams.push_back(shared->Channel(s)->MakeStream(running));
        streams.back()->Open({});  // all open before any reads: none ends before another began
    }
    std::vector<std::thread> threads;
    for (std::size_t s = 0; s < 3; ++s) {
        threads.emplace_back([&, s] { ReadStation(*streams[s], 400000, seen[s]); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(log.nOpened, 2);
    for (const CSeen& station : seen) {
        EXPECT_EQ(station.nErrors, 1);
        EXPECT_GE(station.nSamples, 400000);
        EXPECT_GT(station.nDropped, 0);  // 400 of each read of 48000, in the channel's samples
        ASSERT_GT(station.nConverter, 0);
        EXPECT_NEAR(static_cast<double>(station.nAtLimit) / static_cast<double>(station.nConverter),
                    1.0 / 256.0, 1e-4);
    }
}

// A station that does not read holds nobody back: its oldest samples go and are reported lost
// to it alone.
TEST(SharedIqStream, AStationThatFallsBehindLosesOnlyItsOwnSamples) {
    CFakeReceiver::CLog log;
    const auto shared = Shared(log, 0, {98.1e6, 98.5e6});
    const std::atomic<bool> running{true};
    const std::unique_ptr<CIqStream> idle = shared->Channel(1)->MakeStream(running);
    idle->Open({});
    idle->TakeDropped();
    const std::unique_ptr<CIqStream> reading = shared->Channel(0)->MakeStream(running);
    reading->Open({});
    CSeen reader;
    ReadStation(*reading, 1000000, reader);  // 2.5 s of the 400 kHz channel
    // The idle one keeps half a second: the rest of what came is lost to it, and said so.
    const std::int64_t lost = idle->TakeDropped().nSamples;
    EXPECT_GT(lost, 1000000 - 200000);
    std::vector<std::complex<float>> iq(1 << 20);
    EXPECT_EQ(idle->Read(iq.data(), static_cast<int>(iq.size())), 200000);
}

// The samples a receiver made and were not read yet: none after a read that waited for its
// samples; growing by the receiver's rate times the time less what was read while the reads find
// samples waiting; never below none.
TEST(IqBacklog, GrowsWhileTheReadsLagAndEndsWithAReadThatWaits) {
    CIqBacklog backlog(1000.0);  // 1000 samples a second
    const struct {
        std::int64_t count;
        double readSeconds;
        double sinceLast;
        std::int64_t expected;
    } reads[] = {
        {100, 0.10, 0.10, 0},   // waited as long as the samples span: caught up
        {100, 0.0, 0.60, 500},  // half a second of the reader elsewhere, 100 read at once
        {100, 0.0, 0.0, 400},
        {100, 0.04, 0.05, 350},  // 40 ms for 100 ms of samples: they were waiting
        {100, 0.05, 0.05, 0},    // half the span: the receiver's pace held the read up
        {100, 0.0, 0.01, 0},     // read faster than made: still none
        {0, 0.0, 0.02, 20},
    };
    for (const auto& r : reads) {
        backlog.Read(r.count, r.readSeconds, r.sinceLast);
        EXPECT_EQ(backlog.Samples(), r.expected) << &r - reads;
    }
    backlog.Start(CIqBacklog::Clock::now());  // a new stream
    EXPECT_EQ(backlog.Samples(), 0);
}

// Two bands in turn: the receiver is retuned from one centre to the other, a station is in view
// only while its band is, and its stream begins afresh (a break) each time its band returns.
TEST(SharedIqStream, BandsAreReceivedInTurn) {
    CFakeReceiver::CLog log;
    const std::vector<double> stations = {98.1e6, 100.1e6};
    const CSharedIqStream::CBandPlan bands = CSharedIqStream::CBandPlan::For(kRate, stations);
    ASSERT_EQ(bands.centres, (std::vector<double>{97.85e6, 99.85e6}));
    ASSERT_EQ(bands.bandOf, (std::vector<int>{0, 1}));
    const auto shared = Shared(log, 0, stations, bands, 0.0);  // a new band with every read
    const auto first = shared->Channel(0);
    const auto second = shared->Channel(1);
    const std::atomic<bool> running{true};
    const std::unique_ptr<CIqStream> a = first->MakeStream(running);
    const std::unique_ptr<CIqStream> b = second->MakeStream(running);
    a->Open({});
    b->Open({});
    EXPECT_TRUE(first->InView());
    EXPECT_FALSE(second->InView());
    std::vector<std::complex<float>> iq(100000);
    // The first read brings the first band's piece, then the receiver goes to the second.
    EXPECT_GT(a->Read(iq.data(), static_cast<int>(iq.size())), 0);
    EXPECT_TRUE(a->TakeBreak());  // the band's receivers start afresh at the opening
    EXPECT_FALSE(first->InView());
    EXPECT_TRUE(second->InView());
    // The next piece (its first 50 ms skipped) is the second band's, after its break.
    EXPECT_GT(b->Read(iq.data(), static_cast<int>(iq.size())), 0);
    EXPECT_TRUE(b->TakeBreak());
    EXPECT_TRUE(first->InView());
    EXPECT_EQ(shared->DescribeBand(1), "100.100 MHz");
    const std::lock_guard lock(log.mutex);
    ASSERT_GE(log.tunings.size(), 3u);
    EXPECT_EQ(std::vector<double>(log.tunings.begin(), log.tunings.begin() + 3),
              (std::vector<double>{97.85e6, 99.85e6, 97.85e6}));
}

}  // namespace
}  // namespace tavik
