#pragma once

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "analysis/MultipathTavik.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"

namespace tavik::test {

// One block of both channels as the distribution thread hands it over.
struct CMultipathBlock {
    std::vector<float> mpx = std::vector<float>(CMultipathTavik::kBlockSize);
    std::vector<float> level = std::vector<float>(CMultipathTavik::kBlockSize);
};

// MPX sample (ADC units) for a deviation in kHz, and back exactly as the analyser converts it.
inline float RawFromKilohertz(double kHz) {
    return static_cast<float>(kHz * 6000.0 / 19.0);
}
inline float KilohertzFromRaw(float raw) {
    return static_cast<float>(raw / 6000.0 * 19.0);
}

// Amplitude model a(f) = c3 (1 + c2 f + c1 f^2 + c0 f^3) in uV, f in kHz.
struct CCubicModel {
    double c0 = 0.0;
    double c1 = 0.0;
    double c2 = 0.0;
    double c3 = 1000.0;  // 60 dBuV
    double Amplitude(double f) const { return c3 * (1.0 + c2 * f + c1 * f * f + c0 * f * f * f); }
    double RelativeSlope(double f) const {
        return 100.0 * c3 * (c2 + 2.0 * c1 * f + 3.0 * c0 * f * f) / Amplitude(f);
    }
    // The analytic multipath value: the largest |relative slope| over the integer grid.
    double MaximumSlope(int lo, int hi) const {
        double best = 0.0;
        for (int f = lo; f <= hi; ++f) {
            best = std::max(best, std::fabs(RelativeSlope(f)));
        }
        return best;
    }
};

// A block whose segment s carries a sine of peak[s] kHz deviation, with the level that the
// model gives for the deviation the analyser will see.
inline CMultipathBlock MakeBlock(const std::array<double, 10>& peak, const CCubicModel& model) {
    CMultipathBlock block;
    constexpr double kPi = 3.14159265358979323846;
    for (int i = 0; i < CMultipathTavik::kBlockSize; ++i) {
        const double d = peak[i / CMultipathTavik::kSegmentSize] * std::sin(2.0 * kPi * 0.0123 * i);
        block.mpx[i] = RawFromKilohertz(d);
        const double f = KilohertzFromRaw(block.mpx[i]);
        block.level[i] = static_cast<float>(20.0 * std::log10(model.Amplitude(f)));
    }
    return block;
}

// Every message posted so far.
inline std::vector<CMessage> Drain(CQueueTarget& window) {
    std::vector<CMessage> out;
    CMessage message;
    while (window.Queue().PeekMessage(message, 0, 0, true)) {
        out.push_back(message);
    }
    return out;
}

inline std::shared_ptr<const CMultipathResult> ResultOf(const CMessage& message) {
    return message.result.Share<EResultCode::Multipath>();
}

// The owner's side: the failure window and the EEPROM write.
class CTestHost : public CMultipathHost {
public:
    HWND GetResultWindow() const override { return window; }
    void SaveCalibrators(const std::uint8_t* block) override { saved.assign(block, block + 16); }
    HWND window = nullptr;
    std::vector<std::uint8_t> saved;
};

}  // namespace tavik::test
