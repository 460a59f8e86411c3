#pragma once

#include <array>
#include <vector>

namespace tavik {

// One multipath result: the fitted curves over the deviation grid, the multipath value, the RF
// level at zero deviation and the status of the ITU-R measurement conditions. Built by the
// multipath analyser, posted as an immutable copy, stored by the document.
class CMultipathResult {
public:
    // The ITU-R measurement conditions.
    static constexpr float kMinimumDeviation = 20.0f;  // kHz a segment peak must exceed
    static constexpr float kMinimumLevel = 54.0f;      // dBuV the RF level must exceed
    static constexpr float kMultipathLimit = 2.0f;     // %/kHz the multipath must stay below

    enum Status : int {
        STATUS_CONDITIONS_MET = 1,
        STATUS_CONDITIONS_NOT_MET = 2,  // RF level or multipath outside its limit
        STATUS_DEVIATION_TOO_LOW = 3,   // largest segment peak not above kMinimumDeviation
    };

    // Fills curves, multipath value, level and status from averaged coefficients c0..c3 over
    // the grid lo..hi kHz (integer steps). Before any fit was accepted the coefficients are
    // zero and the model has no amplitude: the curves stay empty and level and multipath are 0
    // rather than -inf and 0/0. Throws std::bad_alloc.
    void Evaluate(const std::array<float, 4>& coeff, int lo, int hi, bool deviationOk);

    // The status rule: 3 without enough deviation, else 2 when the level is at most 54 dBuV
    // or the multipath value at least 2 %/kHz, else 1.
    static int Status(bool deviationOk, float level, float multipath);
    // Whether a fit was ever accepted: before that, multipath and level are placeholders (0).
    bool HasValue() const { return !m_slope.empty(); }

    std::vector<float> m_deviation;  // kHz, integer grid
    std::vector<float> m_levelFit;   // dBuV
    std::vector<float> m_slope;      // %/kHz
    float m_fMultipath = 0.0f;       // largest |slope|, %/kHz
    float m_fLevel = 0.0f;           // dBuV at zero deviation
    int m_nStatus = 0;
    std::array<float, 4> m_coeff{};  // c0..c3 of the analyser's average
    std::array<float, 4> m_calib{};  // k0..k3 subtracted from the fit
};

}  // namespace tavik
