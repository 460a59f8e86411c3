#include <gtest/gtest.h>

#include <algorithm>

#include "charts/LevelMeter.h"

namespace tavik {
namespace {

// Runs the animation timer until the bar stands still; returns the steps taken, counting the
// one SetLevel makes.
int SettleSteps(CLevelMeter& meter, int firstShown) {
    int steps = meter.GetShownSegments() != firstShown ? 1 : 0;
    while (meter.IsTimerActive(CLevelMeter::TIMER_ANIMATION)) {
        const int before = meter.GetShownSegments();
        meter.OnTimer(CLevelMeter::TIMER_ANIMATION);
        steps += meter.GetShownSegments() != before ? 1 : 0;
    }
    return steps;
}

std::vector<std::pair<int, std::string>> Labels(const CLevelMeter& meter) {
    std::vector<std::pair<int, std::string>> labels;
    for (const SScaleLabel& l : meter.GetScale().labels) {
        labels.emplace_back(l.nSegment, l.strText.toStdString());
    }
    return labels;
}

std::vector<int> Marks(const CLevelMeter& meter) {
    std::vector<int> marks;
    for (int i = 0; i < kMeterSegments; ++i) {
        if (meter.GetScale().marks[static_cast<std::size_t>(i)]) {
            marks.push_back(i);
        }
    }
    return marks;
}

TEST(LevelMeter, ModeTwoShiftsDbrAndLightsTheOverloadLamp) {
    CLevelMeter meter;
    meter.SetScaleMode(2);
    meter.SetLevel(0.0f);
    EXPECT_EQ(meter.GetTargetSegments(), 0) << "inactive meters ignore values";
    meter.SetMeterActive(true);
    struct Case {
        float dbr;
        int target;
        bool overload;
    };
    for (const Case& c : {Case{-10.0f, 0, false}, Case{0.0f, 60, false}, Case{10.0f, 120, true},
                          Case{-20.0f, 0, false}}) {
        CLevelMeter fresh;
        fresh.SetScaleMode(2);
        fresh.SetMeterActive(true);
        fresh.SetLevel(c.dbr);
        EXPECT_EQ(fresh.GetTargetSegments(), c.target) << c.dbr;
        EXPECT_EQ(fresh.IsOverload(), c.overload) << c.dbr;
        EXPECT_EQ(fresh.IsTimerActive(CLevelMeter::TIMER_OVERLOAD), c.overload) << c.dbr;
    }
    meter.SetLevel(10.0f);
    EXPECT_EQ(meter.TimerInterval(CLevelMeter::TIMER_OVERLOAD), 5000);
    meter.OnTimer(CLevelMeter::TIMER_OVERLOAD);
    EXPECT_FALSE(meter.IsOverload());
}

TEST(LevelMeter, FastRiseSlowFall) {
    CLevelMeter meter;
    meter.SetMeterActive(true);
    meter.SetLevel(0.0f);  // the bar starts with 1 segment lit
    SettleSteps(meter, 1);
    ASSERT_EQ(meter.GetShownSegments(), 0);
    meter.SetLevel(100.0f * 100 / 120 + 0.01f);  // 100 segments
    EXPECT_EQ(meter.GetShownSegments(), 24);
    EXPECT_EQ(meter.TimerInterval(CLevelMeter::TIMER_ANIMATION), 40);
    EXPECT_EQ(SettleSteps(meter, 0), 5);
    EXPECT_EQ(meter.GetShownSegments(), 100);
    meter.SetLevel(0.0f);
    EXPECT_EQ(meter.GetShownSegments(), 97);
    EXPECT_EQ(SettleSteps(meter, 100), 34);
    EXPECT_EQ(meter.GetShownSegments(), 0);
    EXPECT_EQ(meter.GetPeakSegment(), 100);
}

TEST(LevelMeter, PeakHoldRestartsAndDrops) {
    CLevelMeter meter;
    meter.SetMeterActive(true);
    meter.SetPeakHold(true, 1500);
    meter.SetLevel(50.0f);
    SettleSteps(meter, 1);
    EXPECT_EQ(meter.GetPeakSegment(), 60);
    EXPECT_EQ(meter.TimerInterval(CLevelMeter::TIMER_PEAK), 1500);
    meter.OnTimer(CLevelMeter::TIMER_PEAK);
    EXPECT_EQ(meter.GetPeakSegment(), 0);
    meter.SetPeakHold(true, 0);  // never times out
    meter.SetLevel(10.0f);
    EXPECT_FALSE(meter.IsTimerActive(CLevelMeter::TIMER_PEAK));
}

TEST(LevelMeter, RangeAndLayout) {
    CLevelMeter meter;
    EXPECT_FALSE(meter.SetMeterRange(5.0f, 5.0f));
    EXPECT_FALSE(meter.SetMeterRange(5.0f, 1.0f));
    EXPECT_EQ(meter.GetMaximum(), 100.0f);
    EXPECT_TRUE(meter.SetMeterRange(-20.0f, 20.0f));

    // The bar at 310 px is the rendering test's; at 311 px the spare pixel goes above the bar;
    // 2 px segments from 430 px on.
    EXPECT_EQ(MeterBarRect({0, 0, 60, 311}, 120, true, 15), (SRect{20, 20, 35, 262}));
    EXPECT_EQ(SegmentRect(MeterBarRect({0, 0, 60, 430}, 120, false, 15), 120, 0).Height(), 2);
    // Wider left-hand labels move the bar right; a second title line moves it down.
    EXPECT_EQ(MeterBarRect({0, 0, 60, 311}, 120, true, 15, 34, 16), (SRect{34, 140, 49, 262}));
}

TEST(LevelMeter, ScaleModes) {
    CLevelMeter meter;
    meter.SetScaleMode(0);
    EXPECT_EQ(Labels(meter),
              (std::vector<std::pair<int, std::string>>{{119, "+100"}, {60, "+50"}}));
    EXPECT_EQ(Marks(meter), (std::vector<int>{0, 12, 24, 36, 48, 60, 72, 84, 96, 108}));

    meter.SetScaleMode(1);
    EXPECT_EQ(meter.GetMinimum(), -50.0f);
    EXPECT_EQ(Marks(meter), (std::vector<int>{0, 7, 15, 25, 45, 67, 91, 119}));
    EXPECT_EQ(Labels(meter)[6], (std::pair<int, std::string>{91, "0"}));
    meter.SetAlarmMark(true, true, 3);
    EXPECT_EQ(meter.GetAlarmSegment(), 91);  // the 0 dB mark, whatever the value
    EXPECT_EQ(Labels(meter).size(), 7u);     // "0" gives way to the alarm label
    meter.SetWarningMark(true, true, -5);
    EXPECT_FALSE(meter.IsWarningMark());
    // Piecewise linear through the marks: 0 dB lights up to its mark, -7.5 dB midway.
    meter.SetMeterActive(true);
    meter.SetLevel(0.0f);
    EXPECT_EQ(meter.GetTargetSegments(), 91);
    meter.SetLevel(-7.5f);
    EXPECT_EQ(meter.GetTargetSegments(), static_cast<int>((0.386 + 0.57) / 2 * 119));
    EXPECT_EQ(SegmentsForLevel(1, -60.0f, -50.0f, 5.0f, 120), 0);

    meter.SetScaleMode(2);
    const auto two = Labels(meter);
    ASSERT_EQ(two.size(), 11u);
    EXPECT_EQ(two.front(), (std::pair<int, std::string>{119, "+10"}));
    EXPECT_EQ(two[4], (std::pair<int, std::string>{72, "+2"}));
    EXPECT_EQ(two[5], (std::pair<int, std::string>{60, "0"}));
    EXPECT_EQ(two.back(), (std::pair<int, std::string>{0, "-10"}));
    meter.SetAlarmMark(true, false, 5);
    EXPECT_EQ(meter.GetAlarmSegment(), 90);

    meter.SetScaleMode(3);
    ASSERT_TRUE(meter.SetMeterRange(0.0f, 110.0f));
    EXPECT_EQ(Marks(meter), (std::vector<int>{0, 10, 21, 32, 43, 54, 65, 76, 87, 98, 109, 119}));
    const auto three = Labels(meter);
    ASSERT_EQ(three.size(), 11u);  // "+0" and 10 .. 100 below the maximum
    EXPECT_EQ(three[0], (std::pair<int, std::string>{0, "+0"}));
    EXPECT_EQ(three[10], (std::pair<int, std::string>{109, "+100"}));
    meter.SetAlarmMark(true, false, 55);
    EXPECT_EQ(meter.GetAlarmSegment(), 60);
    // At or beyond the ends: the whole bar or no zone, never the previous limit's.
    const std::pair<int, int> ends[] = {{0, 0}, {110, 120}, {200, 120}, {-5, 0}};
    for (const auto& [value, segment] : ends) {
        meter.SetAlarmMark(true, false, value);
        EXPECT_EQ(meter.GetAlarmSegment(), segment) << value;
    }

    // The alarm label "+75" takes the place of the scale labels it would overlap.
    meter.resize(60, 310);
    meter.show();  // the bar follows the size from its resize event
    meter.SetAlarmMark(true, true, 75);
    std::vector<std::string> shown;
    for (const SScaleLabel& label : meter.ShownScaleLabels()) {
        shown.push_back(label.strText.toStdString());
    }
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "+70"), 0);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "+80"), 0);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "+60"), 1);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "+90"), 1);
}

TEST(LevelMeter, ModeThreeTickSteps) {
    struct Case {
        float minimum;
        float maximum;
        int step;
        int offset;
    };
    for (const Case& c : {Case{0, 110, 10, 0}, Case{0, 40, 1, 0}, Case{-25, 25, 10, 5},
                          Case{-7, 300, 10, 7}, Case{0, 1, 1, 0}, Case{3, 6, 1, 0}}) {
        const SMode3Ticks ticks = Mode3TickStep(c.minimum, c.maximum);
        EXPECT_EQ(ticks.nTickStep, c.step) << c.minimum << ".." << c.maximum;
        EXPECT_EQ(ticks.nTickOffset, c.offset) << c.minimum << ".." << c.maximum;
    }
}

}  // namespace
}  // namespace tavik
