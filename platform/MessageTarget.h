#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/AnalyserResult.h"

namespace tavik {

// One posted message. A result (WM_ANALYSER_RESULT) carries its typed payload, wParam its code; an
// analysis failure (WM_ANALYSER_ERROR) carries its text.
struct CMessage {
    CMessage() = default;
    CMessage(unsigned number, std::uintptr_t w, std::intptr_t l, CAnalyserResult r = {},
             std::shared_ptr<const std::string> text = nullptr)
        : message(number), wParam(w), lParam(l), result(std::move(r)), pText(std::move(text)) {}

    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    CAnalyserResult result;
    std::shared_ptr<const std::string> pText;
};

// A window handle: something that accepts posted messages from any thread and handles them
// later on its own thread (GUI widget, headless loop, test recorder).
class CMessageTarget {
public:
    virtual ~CMessageTarget() = default;
    // Thread-safe; never blocks for long and never runs the handler on the caller's thread.
    virtual void PostMessage(CMessage message) = 0;

    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
        PostMessage(CMessage{message, wParam, lParam});
    }
};

using HWND = CMessageTarget*;

}  // namespace tavik
