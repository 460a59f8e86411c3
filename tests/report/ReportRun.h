#pragma once

// `tavik report` as a test runs it, and the text of the PDF it writes.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tests/support/Shell.h"

namespace tavik::test {

inline std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// `tavik report ARGS` as from cron, without a session; errors in the output.
inline CShellRun Report(const std::string& args) {
    return Shell(std::string("env -u XDG_RUNTIME_DIR ") + TAVIK_EXECUTABLE + " report " + args +
                 " 2>&1");
}

// The PDF's text as laid out, pages separated by form feeds.
inline std::string PdfText(const std::string& pdf) {
    const CShellRun text = Shell("pdftotext -layout " + Quoted(pdf) + " -");
    EXPECT_EQ(text.exitCode, 0) << pdf;
    return text.out;
}

// The text with every run of blanks and line ends as one blank.
inline std::string Flat(const std::string& text) {
    std::string flat;
    for (const char c : text) {
        const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (!blank || (!flat.empty() && flat.back() != ' ')) {
            flat += blank ? ' ' : c;
        }
    }
    return flat;
}

}  // namespace tavik::test
