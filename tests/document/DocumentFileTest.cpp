#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "document/SetupFile.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CByteBuilder;

const char* const kStrings[10] = {"Op", "Org", "AT", "AH", "AP", "BT", "BH", "BP", "Note", "Loc"};

struct DocumentFileFixture : test::CDocumentFixture {
    DocumentFileFixture() { doc->OnNewDocument(); }

    // Two alarms and a record whose every field differs from its default.
    void FillSetup() {
        CProtocolHeader h;
        for (int i = 0; i < 10; ++i) {
            h.m_strings[i] = kStrings[i];
        }
        h.m_nWindowFunction = 2;
        h.m_fDeviationLimit = 80.5f;
        h.m_bLimitTriangle = 1;
        h.m_bFilter = 1;
        doc->SetProtocolHeader(h);
        doc->SetWindowFunction(h);
        doc->SetDeviationOptions(h);
        doc->SetTunerFrequency(98.5f);
        doc->SetAntenna(0);
        doc->SetAlarm("Overmod", std::make_unique<CAlarmItem>(
                                     "Overmod", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER,
                                     75.0f, ALARM_ACTION_OUTPUT_2, COleDateTimeSpan(0, 0, 0, 90),
                                     ALARM_ACKNOWLEDGE_NO));
        doc->SetAlarm("Low", std::make_unique<CAlarmItem>(
                                 "Low", ALARM_SOURCE_MPX_POWER, ALARM_RELATION_LESS, 0.0f,
                                 ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_YES));
    }

    std::vector<std::uint8_t> Save() {
        EXPECT_TRUE(doc->OnSaveDocument(folder.File("setup.tvk")));
        return folder.Read("setup.tvk");
    }

    bool Open(const std::vector<std::uint8_t>& bytes) {
        folder.Write("in.tvk", bytes);
        return doc->OnOpenDocument(folder.File("in.tvk"));
    }

    CProtocolHeader Header() const {
        CProtocolHeader h;
        doc->GetProtocolHeader(h);
        return h;
    }
};

// The record part of the expected bytes of FillSetup.
CByteBuilder& FilledRecord(CByteBuilder& b) {
    for (const char* s : kStrings) {
        b.Str(s);
    }
    return b.F32(98.5f).I32(0).U8(2).F32(80.5f).I32(1).I32(1);
}

bool operator==(const CProtocolHeader& a, const CProtocolHeader& b) {
    return a.m_strings == b.m_strings && a.m_strLogFolder == b.m_strLogFolder &&
           a.m_fFrequency == b.m_fFrequency && a.m_nAntenna == b.m_nAntenna &&
           a.m_nWindowFunction == b.m_nWindowFunction &&
           a.m_fDeviationLimit == b.m_fDeviationLimit && a.m_bLimitTriangle == b.m_bLimitTriangle &&
           a.m_bFilter == b.m_bFilter && a.m_nDeemphasis == b.m_nDeemphasis &&
           a.m_fSilenceDb == b.m_fSilenceDb && a.m_nSilenceSeconds == b.m_nSilenceSeconds;
}

// The bytes FillSetup's two alarms and the record are saved as.
void FilledAlarmsAndRecord(CByteBuilder& expected) {
    expected.U16(1).U16(2);  // schema, alarm count
    expected.Str("Overmod").U16(0xFFFF).U16(1).U16(10).Chars("CAlarmItem");
    expected.I32(1).I32(1).I32(0).F64(90.0 / 86400.0).I32(3).I32(1).F32(75.0f).Str("Overmod");
    expected.Str("Low").U16(0x8001);
    expected.I32(0).I32(2).I32(0).F64(0.0).I32(0).I32(0).F32(0.0f).Str("Low");
    FilledRecord(expected);
}

TEST_F(DocumentFileFixture, TwoAlarmsAreSavedByteForByte) {
    FillSetup();
    CByteBuilder expected;
    FilledAlarmsAndRecord(expected);
    EXPECT_EQ(Save(), expected.Bytes());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->GetPathName(), folder.File("setup.tvk"));
    // The same setup saved again gives the same bytes.
    EXPECT_EQ(Save(), expected.Bytes());
}

// An alarm on a newer source follows the record behind the marker "ALR2": the bytes before it
// are the file of the older sources alone, all that a reader stopping after the record sees.
TEST_F(DocumentFileFixture, NewerSourcesFollowTheRecordWhereOlderReadersStop) {
    FillSetup();
    doc->SetAlarm("Carrier", std::make_unique<CAlarmItem>(
                                 "Carrier", ALARM_SOURCE_RF_LEVEL, ALARM_RELATION_LESS, -5.5f,
                                 ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO));
    CByteBuilder expected;
    FilledAlarmsAndRecord(expected);
    const std::size_t olderFile = expected.Bytes().size();
    expected.Chars("ALR2").U16(1).Str("Carrier").U16(0x8001);
    expected.I32(1).I32(2).I32(0).F64(0.0).I32(0).I32(3).F32(-5.5f).Str("Carrier");
    const std::vector<std::uint8_t> bytes = Save();
    EXPECT_EQ(bytes, expected.Bytes());

    // What an older reader loads: the two alarms and the record.
    ASSERT_TRUE(Open({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(olderFile)}));
    EXPECT_EQ(doc->GetAlarms().GetCount(), 2u);
    ASSERT_TRUE(Open(bytes));
    ASSERT_TRUE(doc->StartAlarmIteration());
    EXPECT_EQ(IterateAlarms(), "Overmod:0 Low:0 Carrier:0 ");
    EXPECT_EQ(doc->GetAlarms().Lookup("Carrier")->m_fThreshold, -5.5f);
    EXPECT_EQ(Header().m_fFrequency, 98.5f);
}

// The stereo decoder's settings follow everything else behind "DEC1", with or without the
// newer alarms before them; a reader stopping before the marker, an older build's file or a
// fixture saved before the settings existed loads the defaults (50 us, -40 dB, 10 s), and
// the document hands what it loaded to its MPX levels.
TEST_F(DocumentFileFixture, DecoderSettingsFollowBehindTheirMarker) {
    CProtocolHeader decoder;
    decoder.m_nDeemphasis = 75;
    decoder.m_fSilenceDb = -50.5f;
    decoder.m_nSilenceSeconds = 30;
    for (const bool apartAlarm : {false, true}) {
        ASSERT_TRUE(doc->OnNewDocument());
        FillSetup();
        CByteBuilder expected;
        FilledAlarmsAndRecord(expected);
        if (apartAlarm) {
            doc->SetAlarm("Carrier",
                          std::make_unique<CAlarmItem>(
                              "Carrier", ALARM_SOURCE_RF_LEVEL, ALARM_RELATION_LESS, -5.5f,
                              ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO));
            expected.Chars("ALR2").U16(1).Str("Carrier").U16(0x8001);
            expected.I32(1).I32(2).I32(0).F64(0.0).I32(0).I32(3).F32(-5.5f).Str("Carrier");
        }
        EXPECT_EQ(Save(), expected.Bytes()) << "defaults: no marker";
        const std::size_t olderFile = expected.Bytes().size();
        ASSERT_TRUE(doc->SetDecoderSettings(decoder));
        expected.Chars("DEC1").I32(75).F32(-50.5f).I32(30);
        const std::vector<std::uint8_t> bytes = Save();
        EXPECT_EQ(bytes, expected.Bytes());

        ASSERT_TRUE(Open({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(olderFile)}));
        EXPECT_EQ(Header().m_nDeemphasis, 50);
        EXPECT_EQ(Header().m_fSilenceDb, -40.0f);
        EXPECT_EQ(Header().m_nSilenceSeconds, 10);
        EXPECT_EQ(doc->GetMpxLevels().GetDeemphasis(), 50);
        ASSERT_TRUE(Open(bytes));
        EXPECT_EQ(Header().m_nDeemphasis, 75);
        EXPECT_EQ(Header().m_fSilenceDb, -50.5f);
        EXPECT_EQ(Header().m_nSilenceSeconds, 30);
        EXPECT_EQ(doc->GetMpxLevels().GetDeemphasis(), 75);
        EXPECT_EQ(doc->GetAlarms().GetCount(), apartAlarm ? 3u : 2u);
    }
    for (const char* fixture : {"empty_setup.tvk", "schema999.tvk"}) {
        ASSERT_TRUE(doc->OnOpenDocument(std::string(TAVIK_SETUP_CORPUS) + "/" + fixture))
            << fixture;
        EXPECT_EQ(Header().m_nDeemphasis, 50) << fixture;
        EXPECT_EQ(Header().m_fSilenceDb, -40.0f) << fixture;
        EXPECT_EQ(Header().m_nSilenceSeconds, 10) << fixture;
        EXPECT_EQ(doc->GetMpxLevels().GetDeemphasis(), 50) << fixture;
    }
    // A new document is back at the defaults; out of range is refused, nothing changed.
    ASSERT_TRUE(doc->SetDecoderSettings(decoder));
    ASSERT_TRUE(doc->OnNewDocument());
    EXPECT_EQ(doc->GetMpxLevels().GetDeemphasis(), 50);
    decoder.m_nSilenceSeconds = 3601;
    EXPECT_FALSE(doc->SetDecoderSettings(decoder));
    EXPECT_EQ(Header().m_nDeemphasis, 50);
}

// A later build's file: its unknown sources (42 among the older ones, 99 after the record) are
// skipped, the rest loads; bytes after the record without the marker are ignored.
TEST_F(DocumentFileFixture, UnknownSourcesAreSkippedAndOtherTrailingBytesIgnored) {
    const auto item = [](CByteBuilder& b, const char* name, std::int32_t source, bool first) {
        b.Str(name);
        if (first) {
            b.U16(0xFFFF).U16(1).U16(10).Chars("CAlarmItem");
        } else {
            b.U16(0x8001);
        }
        b.I32(1).I32(2).I32(0).F64(0.0).I32(3).I32(source).F32(1.0f).Str(name);
    };
    CByteBuilder file;
    file.U16(1).U16(2);
    item(file, "Future", 42, true);
    item(file, "Dev", ALARM_SOURCE_DEVIATION, false);
    FilledRecord(file);
    CByteBuilder later = file;
    later.Chars("ALR2").U16(2);
    item(later, "Later", 99, false);
    item(later, "Rds", ALARM_SOURCE_RDS_LOST, false);
    ASSERT_TRUE(Open(later.Bytes()));
    ASSERT_TRUE(doc->StartAlarmIteration());
    EXPECT_EQ(IterateAlarms(), "Dev:0 Rds:0 ");
    EXPECT_EQ(Header().m_strings[0], "Op");

    file.Chars("junk after the record");
    ASSERT_TRUE(Open(file.Bytes()));
    ASSERT_TRUE(doc->StartAlarmIteration());
    EXPECT_EQ(IterateAlarms(), "Dev:0 ");
}

TEST_F(DocumentFileFixture, RoundTripLoadsDisabledAlarms) {
    FillSetup();
    const CProtocolHeader saved = Header();
    const auto bytes = Save();
    ASSERT_TRUE(doc->OnNewDocument());
    EXPECT_TRUE(Header() == CProtocolHeader());
    EXPECT_TRUE(doc->GetAlarms().IsEmpty());

    ASSERT_TRUE(Open(bytes));
    EXPECT_TRUE(Header() == saved);
    EXPECT_EQ(doc->GetPathName(), folder.File("in.tvk"));
    EXPECT_FALSE(doc->IsModified());
    // In their order, disabled (the fields and flags of a loaded item are the item's test's).
    ASSERT_TRUE(doc->StartAlarmIteration());
    EXPECT_EQ(IterateAlarms(), "Overmod:0 Low:0 ");
}

TEST_F(DocumentFileFixture, Schema999EmptiesAntennaBAndKeepsTheFilter) {
    CProtocolHeader before;
    before.m_strings[CProtocolHeader::ANTENNA_B_TYPE] = "old B";
    before.m_bFilter = 1;
    doc->SetProtocolHeader(before);
    doc->SetDeviationOptions(before);
    CByteBuilder file;
    file.U16(999).U16(1).Str("A").U16(0xFFFF).U16(1).U16(10).Chars("CAlarmItem");
    file.I32(1).I32(0).I32(0).F64(0.0).I32(2).I32(2).F32(3.0f).Str("A");
    for (const char* s : {"Op", "Org", "AT", "AH", "AP", "Note", "Loc"}) {
        file.Str(s);
    }
    file.F32(88.0f).I32(0).U8(1).F32(60.0f).I32(1);
    ASSERT_TRUE(Open(file.Bytes()));
    const CProtocolHeader h = Header();
    const std::array<std::string, 10> strings{"Op", "Org", "AT", "AH",   "AP",
                                              "",   "",    "",   "Note", "Loc"};
    EXPECT_EQ(h.m_strings, strings);
    EXPECT_EQ(h.m_fFrequency, 88.0f);
    EXPECT_EQ(h.m_nAntenna, 0);
    EXPECT_EQ(h.m_nWindowFunction, 1u);
    EXPECT_EQ(h.m_fDeviationLimit, 60.0f);
    EXPECT_EQ(h.m_bLimitTriangle, 1);
    EXPECT_EQ(h.m_bFilter, 1);  // not in this layout: kept
    EXPECT_EQ(doc->GetAlarms().GetCount(), 1u);
}

TEST_F(DocumentFileFixture, OtherSchemasReadTheAlarmsAndKeepTheRecord) {
    FillSetup();
    const CProtocolHeader before = Header();
    CByteBuilder file;
    file.U16(2).U16(1).Str("X").U16(0xFFFF).U16(1).U16(10).Chars("CAlarmItem");
    file.I32(0).I32(0).I32(0).F64(0.0).I32(0).I32(0).F32(0.0f).Str("X");
    file.Str("ignored trailing data");
    ASSERT_TRUE(Open(file.Bytes()));
    EXPECT_TRUE(Header() == before);
    EXPECT_EQ(doc->GetAlarms().GetCount(), 1u);  // the old alarms were cleared, X read
    std::string name = "X";
    EXPECT_NE(doc->GetAlarm(name), nullptr);
}

TEST_F(DocumentFileFixture, ADamagedFileLeavesANewDocumentAndSaysWhy) {
    FillSetup();
    auto bytes = Save();
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* message;
    } cases[] = {
        {"cut inside the record", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 3),
         "The file could not be read: the file ends early: 4 bytes expected, 1 left (at byte "},
        {"empty", {}, "The file could not be read: the file ends early: 2 bytes expected"},
    };
    for (const auto& c : cases) {
        FillSetup();
        doc->SetModifiedFlag(false);
        prompt.m_boxes.clear();
        EXPECT_FALSE(Open(c.bytes)) << c.what;
        ASSERT_EQ(prompt.m_boxes.size(), 1u) << c.what;
        EXPECT_EQ(prompt.m_boxes[0].text.rfind(c.message, 0), 0u)
            << c.what << ": " << prompt.m_boxes[0].text;
        EXPECT_EQ(prompt.m_boxes[0].style, MB_ICONEXCLAMATION);
        EXPECT_TRUE(Header() == CProtocolHeader()) << c.what;
        EXPECT_TRUE(doc->GetAlarms().IsEmpty()) << c.what;
        EXPECT_EQ(doc->GetPathName(), "") << c.what;  // a save cannot overwrite the bad file
        EXPECT_FALSE(doc->IsModified());
    }
}

TEST_F(DocumentFileFixture, AnUnreadableFileLeavesTheDocumentAlone) {
    FillSetup();
    const CProtocolHeader before = Header();
    EXPECT_FALSE(doc->OnOpenDocument(folder.File("missing.tvk")));
    ASSERT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_EQ(prompt.m_boxes[0].text, "The file could not be read: No such file or directory");
    EXPECT_TRUE(Header() == before);
    EXPECT_EQ(doc->GetAlarms().GetCount(), 2u);
}

TEST_F(DocumentFileFixture, AFailedSaveKeepsThePreviousFile) {
    FillSetup();
    const auto first = Save();
    doc->SetAlarm("Third", std::make_unique<CAlarmItem>());
    EXPECT_FALSE(doc->OnSaveDocument(folder.File("no/such/folder.tvk")));
    ASSERT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_EQ(prompt.m_boxes[0].text, "The file could not be saved: No such file or directory");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->GetPathName(), folder.File("setup.tvk"));
    EXPECT_EQ(folder.Read("setup.tvk"), first);
}

// File/New puts back the defaults; saved, they are no alarms and the default record.
TEST_F(DocumentFileFixture, NewDocumentDefaults) {
    FillSetup();
    doc->SetTickSpan(CTimeSpan(5));
    doc->OnMainTimerEvent();
    doc->SetCurrentValues({1.0f, 2.0f, 3.0f});
    doc->SetPathName("/somewhere.tvk");
    ASSERT_TRUE(doc->OnNewDocument());
    EXPECT_TRUE(Header() == CProtocolHeader());
    EXPECT_EQ(doc->GetElapsed().GetTotalSeconds(), 0);
    EXPECT_EQ(doc->GetTickSpan().GetTotalSeconds(), 1);
    EXPECT_FALSE(doc->IsLoggingEnabled());
    EXPECT_FALSE(doc->GetCurrentValues().m_fDeviation);  // nothing measured
    EXPECT_EQ(doc->GetPathName(), "");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(doc->StartAlarmIteration());
    CByteBuilder expected;
    expected.U16(1).U16(0);
    for (int i = 0; i < 10; ++i) {
        expected.U8(0);
    }
    EXPECT_EQ(Save(), expected.F32(106.7f).I32(1).U8(0).F32(75.0f).I32(0).I32(0).Bytes());
}

// Each setter takes its own part of the header (never the log folder or the frequency), and
// the analysis settings reach their analysers.
TEST_F(DocumentFileFixture, SettersTakeTheirOwnPartAndReachTheAnalysers) {
    CProtocolHeader h;
    h.m_strings[0] = "Op";
    h.m_strLogFolder = "/not/taken";
    h.m_fFrequency = 90.0f;
    h.m_nWindowFunction = 2;
    h.m_fDeviationLimit = 50.0f;
    h.m_bFilter = 1;
    CProtocolHeader expected;
    doc->SetProtocolHeader(h);
    expected.m_strings = h.m_strings;
    EXPECT_TRUE(Header() == expected);
    doc->SetWindowFunction(h);
    expected.m_nWindowFunction = 2;
    EXPECT_TRUE(Header() == expected);
    EXPECT_EQ(doc->GetSpectrumAnalyser().GetWindow(), 2);
    doc->SetDeviationOptions(h);
    expected.m_fDeviationLimit = 50.0f;
    expected.m_bFilter = 1;
    EXPECT_TRUE(Header() == expected);
    EXPECT_TRUE(doc->GetDeviation().GetFilter());
}

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
                 std::make_unique<CAlarmItem>(longName, 0, 0, 3.0f, 2, COleDateTimeSpan(), 1));
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
    return test::Thrown<CArchiveException>([&] { doc.Serialize(ar); });
}

// A file that reads whole but breaks the rules of the forms is refused, the field named.
TEST_F(DocumentFileFixture, AFieldThatBreaksTheFormsRulesIsRefused) {
    const auto setup = [](auto change) {
        CProtocolHeader header;
        CAlarmMap alarms;
        auto item =
            std::make_unique<CAlarmItem>("Dev", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER,
                                         75.0f, 0, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO);
        change(header, *item);
        const std::string name = item->m_strName;
        alarms.SetAt(name, std::move(item));
        CArchive ar;
        StoreSetup(ar, header, alarms);
        return ar.GetBuffer();
    };
    using H = CProtocolHeader;
    using A = CAlarmItem;
    const struct {
        std::function<void(H&, A&)> change;
        const char* error;
    } cases[] = {
        {[](H& h, A&) { h.m_fFrequency = 0.0f; },
         "receiver.frequency_mhz: 0 is outside 87.5 to 108 MHz"},
        {[](H& h, A&) { h.m_nWindowFunction = 193; },
         "analysis.window_function: 193 is not one of the 3 choices"},
        {[](H& h, A&) { h.m_nAntenna = 2; }, "receiver.antenna: 2 is not 0 or 1"},
        {[](H& h, A&) { h.m_fDeviationLimit = -1.0f; },
         "analysis.deviation_limit_khz: -1 is outside 0 to 110 kHz"},
        {[](H&, A& a) { a.m_nRelation = 7; }, "alarms[0].relation: 7 is not one of the 5 choices"},
        {[](H&, A& a) { a.m_fThreshold = -2.0f; },
         "alarms[0].threshold: Please enter a threshold greater than\nor equal to zero."},
        {[](H&, A& a) { a.m_fThreshold = std::numeric_limits<float>::quiet_NaN(); },
         "alarms[0].threshold: The threshold for Deviation must be a number from 0 to 110 kHz."},
        {[](H&, A& a) { a.m_fThreshold = std::numeric_limits<float>::infinity(); },
         "alarms[0].threshold: The threshold for Deviation must be a number from 0 to 110 kHz."},
        // A finite threshold beyond the source's range, saved before the range was checked,
        // still loads: the form names the range when it is updated.
        {[](H&, A& a) { a.m_fThreshold = 150.0f; }, ""},
        // A level in dB may be negative: the float field holds it as it is.
        {[](H&, A& a) {
             a.m_nSource = ALARM_SOURCE_MPX_POWER;
             a.m_fThreshold = -15.0f;
         },
         ""},
        {[](H&, A& a) {
             a.m_nSource = ALARM_SOURCE_MPX_POWER;
             a.m_fThreshold = -std::numeric_limits<float>::infinity();
         },
         "alarms[0].threshold: The threshold for MPX power must be a number from -60 to 20 dBr."},
        {[](H& h, A&) { h.m_nDeemphasis = 60; },
         "analysis.deemphasis_us: The de-emphasis must be 50 or 75 us."},
        {[](H& h, A&) { h.m_fSilenceDb = 0.0f; },
         "analysis.silence_db: The silence threshold must be a number above -90 and below 0 dB."},
        {[](H& h, A&) { h.m_fSilenceDb = -90.0f; },
         "analysis.silence_db: The silence threshold must be a number above -90 and below 0 dB."},
        {[](H& h, A&) { h.m_fSilenceDb = std::numeric_limits<float>::quiet_NaN(); },
         "analysis.silence_db: The silence threshold must be a number above -90 and below 0 dB."},
        {[](H& h, A&) { h.m_fSilenceDb = -89.9f; }, ""},
        {[](H& h, A&) { h.m_nSilenceSeconds = 0; },
         "analysis.silence_seconds: The silence duration must be a whole number from 1 to 3600 "
         "s."},
        {[](H& h, A&) { h.m_nSilenceSeconds = 3601; },
         "analysis.silence_seconds: The silence duration must be a whole number from 1 to 3600 "
         "s."},
        {[](H& h, A&) { h.m_nSilenceSeconds = 3600; }, ""},
        {[](H&, A& a) { a.m_strName = "Dev\nX"; },
         "alarms[0].name: must not hold control characters (a line break, a tab)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Load(*doc, setup(c.change)), c.error);
    }
    folder.Write("bad.tvk", setup([](H& h, A&) { h.m_nWindowFunction = 193; }));
    EXPECT_FALSE(doc->OnOpenDocument(folder.File("bad.tvk")));
    EXPECT_EQ(prompt.m_boxes.back().text,
              "The file could not be read: analysis.window_function: 193 is not one of the 3 "
              "choices");
}

TEST_F(DocumentFileFixture, EveryTruncationFailsCleanlyAndChangesNothing) {
    const auto valid = ValidFile();
    ASSERT_EQ(Load(*doc, valid), "");
    CArchive before;
    doc->Serialize(before);
    ASSERT_EQ(before.GetBuffer(), valid);
    for (std::size_t length = 0; length < valid.size(); ++length) {
        const std::vector<std::uint8_t> cut(valid.begin(),
                                            valid.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string error = Load(*doc, cut);
        // Random edits of any file are the setup fuzzer's; every cut says where it ends.
        ASSERT_NE(error.find("byte"), std::string::npos) << length << ": " << error;
        // A failed load takes nothing over: saving gives the file as before.
        CArchive after;
        doc->Serialize(after);
        ASSERT_EQ(after.GetBuffer(), valid) << length;
    }
}

}  // namespace
}  // namespace tavik
