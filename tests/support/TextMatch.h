#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
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

// `text` without the drop notices a loaded machine may add ("monitor: Dropped …", with or without
// a journal priority): a sanitizer build at ten times real time drops blocks, and says so.
inline std::string WithoutDropNotices(const std::string& text) {
    std::string rest;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t start = line.starts_with("<4>") ? 3 : 0;
        if (line.compare(start, 17, "monitor: Dropped ") != 0) {
            rest += line + "\n";
        }
    }
    return rest;
}

}  // namespace tavik::test
