// The stereo decoder's block interface: any cut of the stream decodes alike.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/StereoDecoder.h"

namespace tavik {
namespace {

// Left 1 kHz, right 3 kHz, pilot 1000 units, 0.2 s.
std::vector<float> Multiplex() {
    std::vector<float> mpx(40000);
    for (std::size_t n = 0; n < mpx.size(); ++n) {
        const double t = static_cast<double>(n) / CStereoDecoder::kMpxRate;
        const double left = 8000.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * t);
        const double right = 4000.0 * std::sin(2.0 * std::numbers::pi * 3000.0 * t);
        const double pilot = 2.0 * std::numbers::pi * 19000.0 * t;
        mpx[n] =
            static_cast<float>(0.5 * (left + right) + 0.5 * (left - right) * std::sin(2 * pilot) +
                               1000.0 * std::sin(pilot));
    }
    return mpx;
}

TEST(StereoDecoder, AnyCutOfTheStreamDecodesAlike) {
    const std::vector<float> mpx = Multiplex();
    const auto decode = [&mpx](const std::vector<int>& cuts) {
        CStereoDecoder decoder(50e-6, 300.0f, 20000);
        std::vector<float> left(mpx.size() / 4 + 8);
        std::vector<float> right(left.size());
        std::size_t at = 0;
        int produced = 0;
        for (std::size_t c = 0; at < mpx.size(); ++c) {
            const int count = std::min(cuts[c % cuts.size()], static_cast<int>(mpx.size() - at));
            produced += decoder.Process(mpx.data() + at, count, left.data() + produced,
                                        right.data() + produced);
            at += static_cast<std::size_t>(count);
        }
        EXPECT_TRUE(decoder.IsStereo());
        left.resize(static_cast<std::size_t>(produced));
        right.resize(static_cast<std::size_t>(produced));
        return std::pair(left, right);
    };
    const auto whole = decode({20000});
    ASSERT_EQ(whole.first.size(), 10000u);
    for (const std::vector<int>& cuts : {std::vector<int>{1}, {7, 1333, 200}, {199, 401}}) {
        const auto cut = decode(cuts);
        ASSERT_EQ(cut.first.size(), whole.first.size());
        for (std::size_t i = 0; i < whole.first.size(); ++i) {
            ASSERT_NEAR(cut.first[i], whole.first[i], 1e-2f) << i;
            ASSERT_NEAR(cut.second[i], whole.second[i], 1e-2f) << i;
        }
    }
}

}  // namespace
}  // namespace tavik
