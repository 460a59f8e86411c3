// The live stream held to its rate: samples against the clock, with a stream that moves a
// manual clock by the time its samples take at a chosen pace.
#include "device/IqRateWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ManualClockPacer.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

constexpr double kRate = 1200000.0;

// Hands out `chunk` samples a read; the clock moves by their time at `pace` times the rate.
// Every 50th read (once a second) comes `late` (a delay on the way), and those after it with it
// until their own time has come.
class CPacedStream final : public CIqStream {
public:
    explicit CPacedStream(test::CManualClockPacer& clock) : m_clock(clock) {}
    double pace = 1.0;
    int chunk = 24000;
    double late = 0.0;             // s
    std::int64_t lostPerRead = 0;  // samples the device lost, told by TakeDropped

    void Open(const CIqTuning&) override { m_bOpen = true; }
    bool IsOpen() const override { return m_bOpen; }
    void Close() override { m_bOpen = false; }
    void Retune(double) override {}
    int Read(std::complex<float>*, int count) override {
        const int n = std::min(count, chunk);
        m_fTime += static_cast<double>(n + lostPerRead) / (kRate * pace);
        m_fArrival = std::max(m_fArrival, m_fTime + (++m_nReads % 50 == 0 ? late : 0.0));
        m_clock.AdvanceTo(
            std::chrono::duration_cast<CPacer::Time>(std::chrono::duration<double>(m_fArrival)));
        m_nLost += lostPerRead;
        return n;
    }
    std::string Name() const override { return "fake"; }
    SDropped TakeDropped() override { return {std::exchange(m_nLost, 0), 0}; }
    double Time() const { return m_fTime; }

private:
    test::CManualClockPacer& m_clock;
    bool m_bOpen = false;
    double m_fTime = 0.0;     // s of stream handed out
    double m_fArrival = 0.0;  // s on the clock
    std::int64_t m_nReads = 0;
    std::int64_t m_nLost = 0;
};

// Reads (taking the lost counts as a transfer does) until `seconds` of stream passed; the first
// fault told on the way, if any.
std::string ReadFor(CIqRateWatch& watch, const CPacedStream& stream, double seconds) {
    std::vector<std::complex<float>> iq(24000);
    std::string fault;
    while (stream.Time() < seconds) {
        watch.Read(iq.data(), static_cast<int>(iq.size()));
        watch.TakeDropped();
        fault = fault.empty() ? watch.PaceFault() : fault;
    }
    return fault;
}

// More than 1 % off the rate over two 10 s windows in a row, the same way, is a fault, told
// with the pace measured; more than twice the rate over the first 3 s at once. Within 1 %, or
// delays on the way of 150 ms (here one window 1.5 % slow, the next 1.5 % fast), are no fault,
// nor are samples the device lost (counted apart). A window at the rate again clears a fault.
TEST(IqRateWatch, TellsAStreamOffItsRateByMoreThanOnePercent) {
    const std::string more = "fake delivers %s more samples than the 1200000 a second asked for";
    const std::string fewer = "fake delivers %s fewer samples than the 1200000 a second asked for";
    const auto text = [](std::string form, const char* percent) {
        return form.replace(form.find("%s"), 2, percent);
    };
    const struct {
        double pace;
        double late;  // s
        std::int64_t lost;
        double seconds;
        std::string fault;
    } rows[] = {
        {1.0, 0.0, 0, 40.0, ""},
        {1.009, 0.0, 0, 40.0, ""},
        {0.991, 0.0, 0, 40.0, ""},
        {1.0, 0.15, 0, 40.0, ""},
        {1.0, 0.0, 2400, 40.0, ""},
        {1.02, 0.0, 0, 19.9, ""},  // one window off: not yet
        {1.02, 0.0, 0, 20.1, text(more, "2.0 %")},
        {0.98, 0.0, 0, 20.1, text(fewer, "2.0 %")},
        {15.0, 0.0, 0, 3.1, text(more, "1400.0 %")},
    };
    for (const auto& row : rows) {
        test::CManualClockPacer clock;
        auto owned = std::make_unique<CPacedStream>(clock);
        CPacedStream& stream = *owned;
        stream.pace = row.pace;
        stream.late = row.late;
        stream.lostPerRead = row.lost;
        CIqRateWatch watch(std::move(owned), &clock);
        watch.Open({106.45e6, kRate, {}, {}});
        EXPECT_EQ(ReadFor(watch, stream, row.seconds), row.fault) << row.pace << " " << row.seconds;
        if (!row.fault.empty()) {
            stream.pace = 1.0;
            ReadFor(watch, stream, row.seconds + 20.1);
            EXPECT_EQ(watch.PaceFault(), "") << row.pace;
        }
    }
}

}  // namespace
}  // namespace tavik
