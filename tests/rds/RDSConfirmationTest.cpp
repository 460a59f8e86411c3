// What the decoder shows only once the station confirmed it: the PI after two groups in a row,
// a radio text once every segment up to its end arrived.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "rds/RDSDecoder.h"
#include "tests/rds/RdsDecodeHelpers.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik {
namespace {

using namespace test;

using Group = std::array<std::uint16_t, 4>;
constexpr Group kReset{};  // not a group: ClearAll, as the worker's reset does

// A 5A group of `pi` (TP, PTY 10, no data): it carries nothing but the PI.
constexpr Group Only(std::uint16_t pi) {
    return {pi, 0x5540, 0x0000, 0x0000};
}
constexpr std::uint16_t kFalsePI = 0xD656;  // a block A that passed its check wrongly
constexpr std::uint16_t kOtherPI = 0x5A5A;

// Groups from a fresh decoder, each decoded on its own, and the PI, area coverage and country
// shown after them. A false group's PI must never be shown, at the start of a run, at its end
// (the summary takes the last pass) or after a reset.
TEST(RDSPIConfirmation, APIIsShownOnlyOnceTwoGroupsInARowCarryIt) {
    const auto supra = "D313|Supra-regional programme|";
    const struct {
        std::vector<Group> groups;
        std::string shown;
    } rows[] = {
        {{Only(kPI)}, "|||"},  // the first group of a run alone
        {{Only(kPI), Only(kPI)}, supra + std::string("|")},
        {{Only(kPI), Only(kFalsePI), Only(kPI)}, "|||"},  // no two in a row agree
        {{Only(kFalsePI), Only(kPI), Only(kPI)}, supra + std::string("|")},
        {{Only(kPI), Only(kPI), Only(kFalsePI)}, supra + std::string("|")},  // the end of a run
        // Two false groups in a row that differ are no new station.
        {{Only(kPI), Only(kPI), Only(kFalsePI), Only(kOtherPI)}, supra + std::string("|")},
        {{Only(kPI), Only(kPI), Only(kFalsePI), Only(kFalsePI)}, "D656|Regional programme||"},
        // After a reset the station's PI is shown again once confirmed again.
        {{Only(kPI), Only(kPI), kReset, Only(kPI)}, "|||"},
        {{Only(kPI), Only(kPI), kReset, Only(kPI), Only(kPI)}, supra + std::string("|")},
        // 1A variant 0 with ECC E0 (PIN 15. 14:5): the country is named after a confirmed PI
        // only; 5222 with E0 would be Italy.
        {{Only(kPI), Only(kPI), {0x5222, 0x1540, 0x00E0, 0x7B85}}, supra + std::string("|")},
        {{Only(kPI), Only(kPI), {kPI, 0x1540, 0x00E0, 0x7B85}}, supra + std::string("Germany|")},
    };
    for (const auto& row : rows) {
        CRDSDecoder decoder;
        std::string trace;
        for (const Group& g : row.groups) {
            if (g == kReset) {
                decoder.ClearAll();
                trace += "reset ";
                continue;
            }
            DecodeMore(decoder, [&](CRdsTestEncoder& e) { e.AddGroup(g[0], g[1], g[2], g[3]); });
            char pi[8];
            std::snprintf(pi, sizeof pi, "%04X ", g[0]);
            trace += pi;
        }
        SCOPED_TRACE(trace);
        EXPECT_EQ(Fields(decoder.GetData(), {&D::m_strPI, &D::m_strAreaCoverage, &D::m_strCountry}),
                  row.shown);
    }
}

// Logs, JSON and metrics print the PI with four digits; the screen form drops leading zeros.
TEST(RDSData, FourDigitPIPadsTheScreenForm) {
    const std::pair<const char*, const char*> rows[] = {
        {"", ""}, {"05", "0005"}, {"123", "0123"}, {"D393", "D393"}};
    for (const auto& [screen, printed] : rows) {
        EXPECT_EQ(FourDigitPI(screen), printed) << screen;
    }
}

std::string Padded(const std::string& text) {
    return text + std::string(64 - text.size(), ' ');
}

// Groups after the lead-in (PI D313 confirmed, text flag A) and the complete radio text shown
// after them: complete once every segment up to the carriage return, or the 64 characters of
// 2A or 32 of 2B, arrived; kept while repeated; replaced by another complete one.
TEST(RDSRadioTextCompletion, CompleteOnceEverySegmentUpToItsEndArrived) {
    const auto hello = [](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x2540, 0x4865, 0x6C6C);  // 2A seg 0, A/B 0: "Hell"
        e.AddGroup(kPI, 0x2541, 0x6F0D, 0x2020);  // 2A seg 1: "o", CR, blanks
    };
    const struct {
        const char* what;
        std::function<void(CRdsTestEncoder&)> add;
        std::string last;  // empty: no complete text yet
    } rows[] = {
        {"two segments up to the CR, no toggle", hello, Padded("Hello\r")},
        {"repeated, the same text stays",
         [&](CRdsTestEncoder& e) {
             hello(e);
             hello(e);
         },
         Padded("Hello\r")},
        {"joined at segment 1: a fragment",
         [](CRdsTestEncoder& e) {
             e.AddGroup(kPI, 0x2541, 0x6F0D, 0x2020);  // 2A seg 1: "o", CR, blanks
         },
         ""},
        // A segment before the first segment 0 of a run may belong to a text gone by: the text
        // counts from its start.
        {"joined at segment 1, then segment 0",
         [](CRdsTestEncoder& e) {
             e.AddGroup(kPI, 0x2541, 0x6F0D, 0x2020);  // 2A seg 1: "o", CR, blanks
             e.AddGroup(kPI, 0x2540, 0x4865, 0x6C6C);  // 2A seg 0: "Hell"
         },
         ""},
        {"joined at segment 1, then the whole text",
         [&](CRdsTestEncoder& e) {
             e.AddGroup(kPI, 0x2541, 0x6F0D, 0x2020);  // 2A seg 1: "o", CR, blanks
             hello(e);
         },
         Padded("Hello\r")},
        {"joined at the end of a text the station replaces without toggling: no mix",
         [](CRdsTestEncoder& e) {
             e.AddGroup(kPI, 0x2541, 0x6F0D, 0x2020);  // 2A seg 1: "o", CR, blanks
             e.AddGroup(kPI, 0x2540, 0x476F, 0x6F64);  // 2A seg 0: "Good"
             e.AddGroup(kPI, 0x2541, 0x206D, 0x6F72);  // 2A seg 1: " mor"
             e.AddGroup(kPI, 0x2542, 0x6E69, 0x6E67);  // 2A seg 2: "ning"
             e.AddGroup(kPI, 0x2543, 0x0D20, 0x2020);  // 2A seg 3: CR, blanks
         },
         Padded("Good morning\r")},
        {"64 characters without CR",
         [](CRdsTestEncoder& e) {
             e.AddRadioText(kPI, 0x2540, 0, "Tavik radio text number one");  // 2A seg 0-15
         },
         Padded("Tavik radio text number one")},
        {"15 of 16 segments without CR",
         [](CRdsTestEncoder& e) {
             for (int s = 0; s < 15; ++s) {
                 e.AddGroup(kPI, 0x2540 | s, 0x4142, 0x4344);  // 2A seg s: "ABCD"
             }
         },
         ""},
        {"2B up to the CR",
         [](CRdsTestEncoder& e) {
             e.AddGroup(kPI, 0x2D40, kPI, 0x4869);  // 2B seg 0, A/B 0: "Hi"
             e.AddGroup(kPI, 0x2D41, kPI, 0x210D);  // 2B seg 1: "!", CR
         },
         Padded("Hi!\r")},
        {"2B: 32 characters without CR",
         [](CRdsTestEncoder& e) {
             for (int s = 0; s < 16; ++s) {
                 e.AddGroup(kPI, 0x2D40 | s, kPI, 0x4142);  // 2B seg s: "AB"
             }
         },
         Padded("ABABABABABABABABABABABABABABABAB")},
        {"another text without toggle replaces it",
         [&](CRdsTestEncoder& e) {
             hello(e);
             e.AddGroup(kPI, 0x2540, 0x4279, 0x650D);  // 2A seg 0, A/B 0: "Bye", CR
         },
         Padded("Bye\r")},
        // "Good morning": segments 0 and 1 of it are no text mixed with the old segment 1.
        {"a longer text without toggle, half received",
         [&](CRdsTestEncoder& e) {
             hello(e);
             e.AddGroup(kPI, 0x2540, 0x476F, 0x6F64);  // 2A seg 0: "Good"
             e.AddGroup(kPI, 0x2541, 0x206D, 0x6F72);  // 2A seg 1: " mor"
         },
         Padded("Hello\r")},
        {"toggled to B: the old text shows until the new one is complete",
         [&](CRdsTestEncoder& e) {
             hello(e);
             e.AddGroup(kPI, 0x2551, 0x6F0D, 0x2020);  // 2A seg 1, A/B 1: "o", CR, blanks
         },
         Padded("Hello\r")},
        {"toggled to B and complete",
         [&](CRdsTestEncoder& e) {
             hello(e);
             e.AddGroup(kPI, 0x2550, 0x4279, 0x650D);  // 2A seg 0, A/B 1: "Bye", CR
         },
         Padded("Bye\r")},
        {"a single group of flag B",
         [](CRdsTestEncoder& e) {
             e.AddGroup(kPI, 0x2550, 0x4E65, 0x7874);  // 2A seg 0, A/B 1: "Next"
         },
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const CRDSDecoder decoder = DecodeGroups(row.add);
        EXPECT_EQ(decoder.GetData().m_strLastRadioText, row.last);
        EXPECT_EQ(decoder.GetData().m_bRadioTextComplete, !row.last.empty());
    }

    // The cells of the text being received: a toggle blanks the old text's segments.
    const CRDSDecoder toggled = DecodeGroups([&](CRdsTestEncoder& e) {
        hello(e);
        e.AddGroup(kPI, 0x2553, 0x4E65, 0x7874);  // 2A seg 3, A/B 1: "Next"
    });
    EXPECT_EQ(toggled.GetData().m_strRadioText, Padded(std::string(12, ' ') + "Next"));
    EXPECT_EQ(toggled.GetData().m_strLastRadioText, Padded("Hello\r"));
}

}  // namespace
}  // namespace tavik
