#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace tavik::test {

// Whether `text` holds `part`; either way the message shows the whole text.
inline ::testing::AssertionResult Has(const std::string& text, const std::string& part) {
    const bool found = text.find(part) != std::string::npos;
    return (found ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
           << '"' << part << (found ? "\" in:\n" : "\" not in:\n") << text;
}

// Whether a part of `text` matches the regular expression `pattern`.
inline ::testing::AssertionResult Matches(const std::string& text, const std::string& pattern) {
    const bool found = std::regex_search(text, std::regex(pattern));
    return (found ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
           << '/' << pattern << (found ? "/ matches in:\n" : "/ matches nothing in:\n") << text;
}

}  // namespace tavik::test
