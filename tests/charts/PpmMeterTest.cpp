#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "charts/PpmMeter.h"

namespace tavik {
namespace {

// The lit end of a bar: empty at and below the scale's -40 dB (the readings' -90 dB floor, NaN),
// full at and above +3 dB, linear between; 0 dB at 40/43 of the bar.
TEST(PpmMeterTest, LevelEndsAtTheScalesBoundaries) {
    const QRect bar(30, 10, 430, 20);
    const struct {
        float fDb;
        int nX;
    } cases[] = {
        {-90.0f, 30},
        {-40.5f, 30},
        {-40.0f, 30},
        {std::numeric_limits<float>::quiet_NaN(), 30},
        {-30.0f, 130},
        {0.0f, 430},
        {2.9f, 459},
        {3.0f, 460},
        {3.1f, 460},
        {20.0f, 460},
        {std::numeric_limits<float>::infinity(), 460},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CPpmMeter::LevelX(bar, c.fDb), c.nX) << c.fDb;
    }
}

// Four rows under the scale strip inside the margins, the bars between the name and reading
// columns; rows never overlap and bars keep to their height limit.
TEST(PpmMeterTest, LayoutKeepsFourRowsInsideTheMeter) {
    for (const QSize size : {QSize(220, 110), QSize(640, 240), QSize(1200, 500)}) {
        const CPpmMeter::SLayout layout = CPpmMeter::Layout(size);
        EXPECT_EQ(layout.scale.left(), CPpmMeter::kMargin + CPpmMeter::kNameWidth);
        EXPECT_EQ(layout.scale.width(),
                  size.width() - layout.scale.left() - CPpmMeter::kValueWidth - CPpmMeter::kMargin);
        int previousBottom = layout.scale.bottom();
        for (const QRect& bar : layout.bars) {
            EXPECT_EQ(bar.left(), layout.scale.left());
            EXPECT_EQ(bar.width(), layout.scale.width());
            EXPECT_GT(bar.top(), previousBottom) << size.width();
            EXPECT_LE(bar.height(), CPpmMeter::kMaxBarHeight);
            EXPECT_GE(bar.height(), 8) << size.height();
            previousBottom = bar.bottom();
        }
        EXPECT_LE(previousBottom, size.height() - CPpmMeter::kMargin);
    }
}

}  // namespace
}  // namespace tavik
