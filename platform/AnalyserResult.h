#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/MpxReadings.h"
#include "platform/SampleBlock.h"

namespace tavik {

class CMultipathResult;
struct CRDSSnapshot;

// The result codes of WM_ANALYSER_RESULT, shared by every producer and receiver.
enum class EResultCode : int {
    None = 0,
    TimeSignal = 1,            // deviation analyser: new time signal to fetch
    Spectrum = 2,              // spectrum analyser: current spectrum
    DeviationRelative = 3,     // deviation analyser: relative distribution
    DeviationPeak = 4,         // deviation analyser: peak deviation of the block
    DeviationAccumulated = 5,  // deviation analyser: accumulated distribution
    DeviationMax = 6,          // deviation analyser: largest half-block peak
    PowerHistory = 7,          // MPX power analyser: 60-second values
    Multipath = 8,             // multipath analyser: result record
    RdsData = 9,               // RDS worker: decoded record
    PeakHold = 10,             // spectrum analyser: peak-hold spectrum
    RdsQuality = 11,           // RDS worker: bit error rate and settling
    Power1s = 12,              // MPX power analyser: 1-second power
    SegmentPeaks = 13,         // multipath analyser: peaks of the 10 segments
    Reception = 14,            // distribution: how a software receiver received the block
    MpxReadings = 15,          // MPX levels analyser: pilot, RDS and audio levels of a second
};

constexpr std::size_t kSpectrumBins = 1025;              // 0 to 100 kHz, 97.65625 Hz apart
constexpr std::size_t kSegmentCount = 10;                // 2000-sample segments of a block
using CSpectrumBins = std::array<float, kSpectrumBins>;  // dB
using CSegmentPeaks = std::array<float, kSegmentCount>;  // kHz

using CSharedFloats = std::shared_ptr<const std::vector<float>>;

// The payload of each code, in code order: the alternative's index is its code. Every payload is
// a value or an immutable copy, so a receiver never reads a buffer a later pass rewrites.
// Units: time signal in percent of 75 kHz (one value per sample); distributions in percent per
// 1-kHz bin (relative) and at or above k + 1 kHz (accumulated); deviations in kHz; powers in
// dBr, the history newest first; spectra in dB.
using CResultPayload = std::variant<std::monostate,                           // 0
                                    CSharedFloats,                            // 1
                                    std::shared_ptr<const CSpectrumBins>,     // 2
                                    CSharedFloats,                            // 3
                                    float,                                    // 4
                                    CSharedFloats,                            // 5
                                    float,                                    // 6
                                    CSharedFloats,                            // 7
                                    std::shared_ptr<const CMultipathResult>,  // 8
                                    std::shared_ptr<const CRDSSnapshot>,      // 9
                                    std::shared_ptr<const CSpectrumBins>,     // 10
                                    std::shared_ptr<const CRDSSnapshot>,      // 11
                                    float,                                    // 12
                                    std::shared_ptr<const CSegmentPeaks>,     // 13
                                    CReception,                               // 14
                                    CMpxReadings>;                            // 15

template <EResultCode C>
using ResultPayloadOf = std::variant_alternative_t<static_cast<std::size_t>(C), CResultPayload>;

// One result of WM_ANALYSER_RESULT: its code and the payload of that code's type. A result can only
// be made and read through its code, so a code and a payload of another type cannot meet.
class CAnalyserResult {
public:
    CAnalyserResult() = default;

    template <EResultCode C>
    static CAnalyserResult Make(ResultPayloadOf<C> payload) {
        CAnalyserResult result;
        result.m_payload.template emplace<static_cast<std::size_t>(C)>(std::move(payload));
        return result;
    }

    EResultCode Code() const { return static_cast<EResultCode>(m_payload.index()); }

    // The payload (a value such as the float, or what the shared pointer holds) when the result
    // has code C; null for another code or an empty pointer.
    template <EResultCode C>
    auto Get() const {
        const auto* payload = std::get_if<static_cast<std::size_t>(C)>(&m_payload);
        if constexpr (std::is_same_v<ResultPayloadOf<C>, float> ||
                      std::is_same_v<ResultPayloadOf<C>, CReception> ||
                      std::is_same_v<ResultPayloadOf<C>, CMpxReadings>) {
            return payload;
        } else {
            return payload != nullptr ? payload->get() : nullptr;
        }
    }
    // A shared payload itself, for a receiver that keeps it; null for another code.
    template <EResultCode C>
    ResultPayloadOf<C> Share() const {
        const auto* payload = std::get_if<static_cast<std::size_t>(C)>(&m_payload);
        return payload != nullptr ? *payload : nullptr;
    }

private:
    CResultPayload m_payload;
};

}  // namespace tavik
