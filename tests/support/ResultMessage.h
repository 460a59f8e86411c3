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

}  // namespace tavik::test
