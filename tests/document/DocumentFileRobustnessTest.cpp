#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "document/SetupFile.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {
namespace {

// A valid file with three alarms, one with a name that needs the 16-bit length.
std::vector<std::uint8_t> ValidFile() {
    CProtocolHeader header;
    for (int i = 0; i < 10; ++i) {
        header.m_strings[i] = "field " + std::to_string(i);
    }
    header.m_bFilter = 1;
    CAlarmMap alarms;
    alarms.SetAt("Over", std::make_unique<CAlarmItem>("Over", 1, 3, 75.0f, 0,
                                                      COleDateTimeSpan(0, 0, 0, 5), 0));
    const std::string longName(300, 'L');
    alarms.SetAt(longName,
                 std::make_unique<CAlarmItem>(longName, 0, 0, -3.0f, 2, COleDateTimeSpan(), 1));
    alarms.SetAt("Multi", std::make_unique<CAlarmItem>("Multi", 2, 4, 1.5f, 1,
                                                       COleDateTimeSpan(0, 0, 1, 30), 1));
    CArchive ar;
    StoreSetup(ar, header, alarms);
    return ar.GetBuffer();
}

// Loads `bytes` into the document; "" when it loaded, else the error text. Anything other
// than CArchiveException escaping is a failure of the test.
std::string Load(CTAVIKSDIDoc& doc, const std::vector<std::uint8_t>& bytes) {
    CArchive ar(bytes.data(), bytes.size());
    try {
        doc.Serialize(ar);
    } catch (const CArchiveException& e) {
        return e.what();
    }
    return "";
}

TEST(DocumentFileRobustness, EveryTruncationFailsCleanlyAndChangesNothing) {
    const auto valid = ValidFile();
    CTAVIKSDIDoc doc;
    CRecordingPrompt prompt;
    doc.SetPrompt(&prompt);
    ASSERT_EQ(Load(doc, valid), "");
    CArchive before;
    doc.Serialize(before);
    ASSERT_EQ(before.GetBuffer(), valid);
    for (std::size_t length = 0; length < valid.size(); ++length) {
        const std::vector<std::uint8_t> cut(valid.begin(),
                                            valid.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string error = Load(doc, cut);
        ASSERT_FALSE(error.empty()) << "a file cut to " << length << " bytes was accepted";
        // A failed load takes nothing over: saving gives the file as before.
        CArchive after;
        doc.Serialize(after);
        ASSERT_EQ(after.GetBuffer(), valid) << length;
    }
}

TEST(DocumentFileRobustness, MutatedFilesLoadOrFailWithAClearMessage) {
    const auto valid = ValidFile();
    CTAVIKSDIDoc doc;
    CRecordingPrompt prompt;
    doc.SetPrompt(&prompt);
    std::mt19937 random(20261206);  // fixed seed: the same files on every run
    const std::uint8_t interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    int loaded = 0;
    int failed = 0;
    for (int round = 0; round < 6000; ++round) {
        std::vector<std::uint8_t> bytes = valid;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 5) {
                case 0:
                    bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                    break;
                case 1:
                    bytes[at] = interesting[random() % sizeof interesting];
                    break;
                case 2:
                    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                case 3:
                    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 static_cast<std::uint8_t>(random()));
                    break;
                default:
                    bytes.resize(at);
                    break;
            }
        }
        const std::string error = Load(doc, bytes);
        if (error.empty()) {
            ++loaded;
            // Whatever loaded must save and load again to the same setup.
            CArchive again;
            doc.Serialize(again);
            ASSERT_EQ(Load(doc, again.GetBuffer()), "") << round;
        } else {
            ++failed;
            // Every message names what was wrong and where.
            ASSERT_NE(error.find("byte"), std::string::npos) << round << ": " << error;
        }
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(failed, 1000);
}

}  // namespace
}  // namespace tavik
