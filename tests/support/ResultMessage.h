#pragma once

#include <cstdint>
#include <utility>

#include "platform/MessageTarget.h"
#include "platform/Messages.h"

namespace tavik::test {

// An analyser's result as the workers post it.
template <EResultCode C>
CMessage Result(ResultPayloadOf<C> payload) {
    return CMessage{WM_ANALYSER_RESULT, static_cast<std::uintptr_t>(C), 0,
                    CAnalyserResult::Make<C>(std::move(payload)), nullptr};
}

// How a software receiver received a block, at 106.7 MHz.
inline CMessage Reception(float cn, float error, float overload, bool signal) {
    CReception r;
    r.fCarrierToNoise = cn;
    r.fFrequencyError = error;
    r.fFrequencyErrorPpm = error / 106.7f;
    r.fOverload = overload;
    r.bSignal = signal;
    return Result<EResultCode::Reception>(r);
}

}  // namespace tavik::test
