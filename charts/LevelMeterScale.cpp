#include "charts/LevelMeterScale.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

// Scale mode 1 (-50 to +5 dB): its values and their fractions of (segments - 1).
struct SMode1Mark {
    int nValue;
    double fFraction;
    const char* szText;
};
constexpr SMode1Mark kMode1Marks[] = {
    {-50, 0.0, "-50"},   {-40, 0.06, "-40"}, {-30, 0.129, "-30"}, {-20, 0.215, "-20"},
    {-10, 0.386, "-10"}, {-5, 0.57, "-5"},   {0, 0.77, "0"},      {5, 1.0, "+5"},
};

int WholeRange(float minimum, float maximum) {
    return static_cast<int>(std::ceil(static_cast<double>(maximum) - minimum));
}

// Non-negative remainder, so that negative minimums round up to the next multiple.
long long PositiveMod(long long a, long long b) {
    const long long r = a % b;
    return r < 0 ? r + b : r;
}

double Mode1Fraction(double value) {
    const auto* first = std::begin(kMode1Marks);
    const auto* last = std::end(kMode1Marks) - 1;
    if (value <= first->nValue) {
        return first->fFraction;
    }
    for (const auto* m = first; m != last; ++m) {
        const auto* n = m + 1;
        if (value <= n->nValue) {
            return m->fFraction +
                   (n->fFraction - m->fFraction) * (value - m->nValue) / (n->nValue - m->nValue);
        }
    }
    return last->fFraction;
}

}  // namespace

SRect MeterBarRect(const SRect& meter, int segments, bool scaleLeft, int barWidth, int labelSpace,
                   int titleExtra) {
    SRect bar;
    bar.left = meter.left + (scaleLeft ? std::max(20, labelSpace) : 0);
    bar.right = bar.left + barWidth;
    const int spare =
        segments > 0 ? static_cast<int>(PositiveMod(meter.Height() - 70 - titleExtra, segments))
                     : 0;
    bar.top = meter.top + 19 + titleExtra + spare;
    bar.bottom = meter.bottom - 49;
    return bar;
}

SRect SegmentRect(const SRect& bar, int segments, int index) {
    const int pitch = segments > 0 ? bar.Height() / segments : 0;
    const int base = bar.bottom - 1;  // the frame's bottom row
    SRect rc;
    rc.left = bar.left + 1;
    rc.right = bar.right - 1;
    rc.bottom = base - index * pitch;
    rc.top = rc.bottom - (pitch - 1);
    return rc;
}

int Mode1Segment(double value, int segments) {
    return static_cast<int>(Mode1Fraction(value) * (segments - 1));
}

int SegmentsForLevel(int mode, float value, float minimum, float maximum, int segments) {
    if (value >= maximum) {
        return segments;
    }
    if (!(value > minimum)) {
        return 0;
    }
    if (mode == 1) {
        return Mode1Segment(value, segments);
    }
    return static_cast<int>(segments * (static_cast<double>(value) - minimum) /
                            (static_cast<double>(maximum) - minimum));
}

SMode3Ticks Mode3TickStep(float minimum, float maximum) {
    const long long range = WholeRange(minimum, maximum);
    long long power = 1;  // 10^k of the chosen k
    long long step = 1;
    long long p = 10'000'000'000LL;
    for (int k = 10; k >= 0; --k, p /= 10) {
        const long long q = range / p;
        if (q > 1) {
            power = p;
            step = q < 5 ? p / 10 : p;
            break;
        }
    }
    SMode3Ticks ticks;
    // A step of 10^-1 is no whole number; whole units are the finest the scale prints.
    ticks.nTickStep = static_cast<int>(std::max(step, 1LL));
    const long long rest = PositiveMod(static_cast<long long>(minimum), power);
    ticks.nTickOffset = rest == 0 ? 0 : static_cast<int>(power - rest);
    return ticks;
}

SMeterScale BuildMeterScale(int mode, float minimum, float maximum, int segments, SMode3Ticks ticks,
                            bool alarmLabel) {
    SMeterScale scale;
    const int top = segments - 1;
    auto mark = [&](int segment) {
        if (segment >= 0 && segment < kMeterSegments && segment < segments) {
            scale.marks[static_cast<std::size_t>(segment)] = true;
        }
    };
    auto label = [&](int segment, QString text) {
        scale.labels.push_back({std::clamp(segment, 0, std::max(top, 0)), std::move(text)});
    };
    switch (mode) {
        case 0:
            for (int i = 0; i < 10; ++i) {
                mark(i * segments / 10);
            }
            label(top, QStringLiteral("+100"));
            label(segments / 2, QStringLiteral("+50"));
            break;
        case 1:
            for (const SMode1Mark& m : kMode1Marks) {
                const int segment = static_cast<int>(m.fFraction * top);
                mark(segment);
                if (m.nValue != 0 || !alarmLabel) {
                    label(segment, QString::fromLatin1(m.szText));
                }
            }
            break;
        case 2:
            for (int value = 10; value >= -10; value -= 2) {
                label((value + 10) * segments / 20, value == 0 ? QString::asprintf("%0d", value)
                                                               : QString::asprintf("%+0d", value));
            }
            break;
        case 3: {
            const int range = WholeRange(minimum, maximum);
            const int lowest = static_cast<int>(minimum);
            label(0, QString::asprintf("%+0d", lowest));
            if (range <= 0) {
                break;
            }
            for (long long r = ticks.nTickOffset; r <= range; r += ticks.nTickStep) {
                const int segment = static_cast<int>(r * segments / range);
                mark(std::min(segment, top));
                if (r > 0 && lowest + r < maximum) {
                    label(segment, QString::asprintf("%+0d", static_cast<int>(lowest + r)));
                }
            }
            break;
        }
        default:
            break;
    }
    return scale;
}

int ZoneSegment(int mode, int value, float minimum, float maximum, int segments) {
    switch (mode) {
        case 0:
            return segments * value / 100;
        case 1:
            return Mode1Segment(0.0, segments);
        case 2:
            return segments * (value + 10) / 20;
        default: {
            const int range = WholeRange(minimum, maximum);
            return range > 0 ? segments * (value - static_cast<int>(minimum)) / range : 0;
        }
    }
}

}  // namespace tavik
