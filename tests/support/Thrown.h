#pragma once

#include <string>

namespace tavik::test {

// The text of the E that `action` throws, "" when it throws none: what() of a standard
// exception, the message of one of the program's error classes with " [sub N]" after it when
// its sub-ID (which selects the user text) is not 0.
template <class E, class Action>
std::string Thrown(Action&& action) {
    try {
        action();
    } catch (const E& e) {
        if constexpr (requires { e.GetSubId(); }) {
            const int sub = e.GetSubId();
            return e.GetMessage() + (sub == 0 ? "" : " [sub " + std::to_string(sub) + "]");
        } else {
            return e.what();
        }
    }
    return "";
}

}  // namespace tavik::test
