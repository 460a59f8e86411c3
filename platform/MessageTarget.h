#pragma once

#include <cstdint>
#include <memory>

namespace tavik {

// One posted message. `payload` carries an immutable copy of a result handed from a worker
// thread to its receiver, so the receiver never reads a buffer that the worker rewrites.
struct CMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::shared_ptr<const void> payload;
};

// The window handle of the original design: something that accepts posted messages from any
// thread and handles them later on its own thread (GUI widget, headless loop, test recorder).
class CMessageTarget {
public:
    virtual ~CMessageTarget() = default;
    // Thread-safe; never blocks for long and never runs the handler on the caller's thread.
    virtual void PostMessage(CMessage message) = 0;

    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
        PostMessage(CMessage{message, wParam, lParam, nullptr});
    }
};

using HWND = CMessageTarget*;

}  // namespace tavik
