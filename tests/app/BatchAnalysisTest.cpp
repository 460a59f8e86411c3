#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "analysis/MPXPowerTavik.h"
#include "document/BatchAnalysis.h"
#include "document/RecordingReader.h"
#include "tests/app/AppTestSupport.h"

namespace tavik {
namespace {

using test::CKnownRecording;
using test::CTempFolder;
using test::ReadText;

// A record of the result file, its values as written.
struct Record {
    int id;
    long long timestamp;
    float deviation, power, multipath;
};

std::vector<Record> Records(const std::string& xml) {
    static const std::regex record(
        R"re(<Measurement id="(\d+)">\r\n *<Date timestamp="(\d+)">[^<]*</Date>\r\n *)re"
        R"re(<Deviation>(.*)</Deviation>\r\n *<MPXPower>(.*)</MPXPower>\r\n *)re"
        R"re(<Multipath>(.*)</Multipath>)re");
    std::vector<Record> records;
    for (std::sregex_iterator it(xml.begin(), xml.end(), record), end; it != end; ++it) {
        const std::smatch& m = *it;
        records.push_back(
            {std::stoi(m[1]), std::stoll(m[2]), std::stof(m[3]), std::stof(m[4]), std::stof(m[5])});
    }
    return records;
}

CBatchOptions Options(const std::string& out) {
    CBatchOptions options;
    options.strDataFolder = CKnownRecording::Get().Folder();
    options.strOutFolder = out;
    options.start = CTime(CKnownRecording::kStartTime);
    return options;
}

CBatchSummary Analyse(const CBatchOptions& options, CPrompt& prompt) {
    CBatchAnalysis analysis(options, prompt);
    return analysis.Run();
}

TEST(BatchAnalysis, SummaryMatchesTheKnownRecording) {
    CTempFolder out;
    CRecordingPrompt prompt;
    const CBatchSummary s = Analyse(Options(out.Path()), prompt);
    const CGenerationSummary& generated = CKnownRecording::Get().Summary();

    EXPECT_EQ(s.nBlocks, 60);
    EXPECT_DOUBLE_EQ(s.dSeconds, 6.0);
    ASSERT_TRUE(s.fDeviationMax);
    EXPECT_NEAR(*s.fDeviationMax, generated.fPeakDeviation, 1e-3);
    EXPECT_EQ(s.fDeviationExceed75, 0.0f);
    // Every half-block peak of the steady tone lies in the 58 kHz bin.
    ASSERT_EQ(s.deviationRelative.size(), 110u);
    EXPECT_FLOAT_EQ(s.deviationRelative[58], 100.0f);
    EXPECT_EQ(s.deviationAccumulated.size(), 110u);  // how it sums the bins is the analyser's

    ASSERT_TRUE(s.fMpxPower1sLast);
    EXPECT_NEAR(*s.fMpxPower1sLast, generated.fMpxPower, 0.02);
    // Six seconds give no 60-second value.
    EXPECT_FALSE(s.fMpxPower60sLast);
    EXPECT_FALSE(s.fMpxPower60sMax);

    ASSERT_TRUE(s.fRfLevel);
    EXPECT_NEAR(*s.fRfLevel, 65.0, 3.0);
    ASSERT_TRUE(s.nItuStatus);

    ASSERT_TRUE(s.pRds);
    EXPECT_EQ(s.pRds->m_data.m_strPI, "D313");
    EXPECT_EQ(s.pRds->m_data.m_strPS, "TAVIK FM");
    EXPECT_EQ(s.pRds->m_dBitErrorRate, 0.0);

    EXPECT_EQ(s.strResultFile, out.File("tavik260615.xml"));
    EXPECT_EQ(s.strLogFile, out.File("tavik260615.log"));
    EXPECT_TRUE(s.alarms.empty());
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_TRUE(prompt.m_notices.empty());
}

TEST(BatchAnalysis, ResultFileHoldsOneRecordPerSecondOnTheVirtualClock) {
    CTempFolder out;
    CRecordingPrompt prompt;
    Analyse(Options(out.Path()), prompt);
    const std::string xml = ReadText(out.File("tavik260615.xml"));
    // Seconds 0 to 5 are closed by the ticks at 1 to 6; the record opened at 6 is not kept.
    const std::vector<Record> records = Records(xml);
    ASSERT_EQ(records.size(), 6u);
    const CGenerationSummary& generated = CKnownRecording::Get().Summary();
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].id, static_cast<int>(i) + 1);
        EXPECT_EQ(records[i].timestamp, CKnownRecording::kStartTime + static_cast<long long>(i));
        EXPECT_NEAR(records[i].deviation, generated.fPeakDeviation, 0.5);
        EXPECT_EQ(records[i].power, 0.0f);  // no 60-second value yet
    }
    EXPECT_NE(xml.find(">Monday, June 15, 2026, 12:00:00</Date>"), std::string::npos);
    // The first multipath fit runs at the tick of second 2 and goes into that second's record.
    EXPECT_EQ(records[1].multipath, 0.0f);
    EXPECT_GT(records[2].multipath, 0.0f);

    EXPECT_EQ(ReadText(out.File("tavik260615.log")),
              "15.6.2026, 12:00:00: File Opened\r\n"
              "15.6.2026, 12:00:00: Measurement Started\r\n"
              "15.6.2026, 12:00:03: RDS: PI D313, PS \"TAVIK FM\"\r\n"  // the station, decoded
              "15.6.2026, 12:00:06: Measurement stopped\r\n"
              "15.6.2026, 12:00:06: File Closed\r\n");
}

TEST(BatchAnalysis, StopFlagEndsTheRunWithItsFilesClosed) {
    // A signal handler's flag raised during block 25 (2.5 s): the run stops after that block
    // and the files end as a stop ends them.
    CTempFolder out;
    CRecordingPrompt prompt;
    std::atomic<int> stop{0};
    CBatchOptions options = Options(out.Path());
    options.pStop = &stop;
    CBatchAnalysis analysis(options, prompt);
    const CBatchSummary summary = analysis.Run([&](std::int64_t done, std::int64_t) {
        if (done == 25) {
            stop.store(2);
        }
    });
    EXPECT_TRUE(summary.bInterrupted);
    EXPECT_EQ(summary.nBlocks, 25);
    EXPECT_DOUBLE_EQ(summary.dSeconds, 2.5);
    const std::string xml = ReadText(out.File("tavik260615.xml"));
    EXPECT_TRUE(xml.ends_with("</Measurement></Tavik>\r\n"));
    EXPECT_EQ(Records(xml).size(), 2u);  // seconds 0 and 1, closed by the ticks at 1 and 2
    EXPECT_TRUE(ReadText(out.File("tavik260615.log"))
                    .ends_with(": Measurement Started\r\n15.6.2026, 12:00:02: Measurement stopped"
                               "\r\n15.6.2026, 12:00:02: File Closed\r\n"));
}

// A folder that holds day files, of this day or another, is refused: nothing deleted, nothing
// appended. (Equal runs write equal files: the executable's test compares it with a run in
// process.)
TEST(BatchAnalysis, FolderWithDayFilesIsRefusedAndKept) {
    CTempFolder out;
    CRecordingPrompt prompt;
    Analyse(Options(out.Path()), prompt);
    const std::string xml = ReadText(out.File("tavik260615.xml"));
    const std::string log = ReadText(out.File("tavik260615.log"));
    ASSERT_FALSE(xml.empty());
    EXPECT_THROW(Analyse(Options(out.Path()), prompt), CBatchError);
    EXPECT_EQ(ReadText(out.File("tavik260615.xml")), xml);
    EXPECT_EQ(ReadText(out.File("tavik260615.log")), log);
    EXPECT_TRUE(prompt.m_boxes.empty());

    CTempFolder other;
    other.Write("tavik250101.log", {'x'});
    other.Write("notes.xml", {'y'});
    try {
        Analyse(Options(other.Path()), prompt);
        FAIL() << "no error";
    } catch (const CBatchError& e) {
        EXPECT_NE(std::string(e.what()).find("tavik250101.log"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadText(other.File("tavik250101.log")), "x");
    EXPECT_EQ(ReadText(other.File("notes.xml")), "y");
    EXPECT_FALSE(std::filesystem::exists(other.File("tavik260615.xml")));
    // Other programs' files are no reason to refuse.
    CTempFolder notes;
    notes.Write("notes.xml", {'y'});
    EXPECT_NO_THROW(Analyse(Options(notes.Path()), prompt));
    EXPECT_EQ(ReadText(notes.File("notes.xml")), "y");
}

// Without an output folder nothing is written; the RDS chunks keep the receiver's pace.
TEST(BatchAnalysis, RdsChunksFollowThe674MillisecondPaceWithoutOutputFolder) {
    CRecordingPrompt prompt;
    CBatchAnalysis analysis(Options(""), prompt);
    std::vector<std::int64_t> chunksAfterBlock;
    const CBatchSummary s = analysis.Run([&](std::int64_t, std::int64_t) {
        chunksAfterBlock.push_back(analysis.GetRdsChunkCount());
    });
    EXPECT_FALSE(s.bInterrupted);
    EXPECT_TRUE(s.strResultFile.empty());
    EXPECT_TRUE(s.strLogFile.empty());
    ASSERT_EQ(chunksAfterBlock.size(), 60u);
    // Chunk k is due after k * 674 ms: blocks 7, 14, 21, 27, 34, 41, 48, 54 (of 100 ms).
    EXPECT_EQ(chunksAfterBlock[5], 0);
    EXPECT_EQ(chunksAfterBlock[6], 1);
    EXPECT_EQ(chunksAfterBlock[13], 2);
    EXPECT_EQ(chunksAfterBlock[26], 4);
    EXPECT_EQ(chunksAfterBlock[25], 3);
    EXPECT_EQ(chunksAfterBlock[53], 8);
    EXPECT_EQ(chunksAfterBlock[59], 8);
}

class BatchAlarms : public ::testing::Test {
protected:
    void SetUp() override {
        CTAVIKSDIDoc doc;
        doc.SetAlarm("DevHigh", std::make_unique<CAlarmItem>(
                                    "DevHigh", ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER_EQUAL,
                                    50.0f, ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(0, 0, 0, 0),
                                    ALARM_ACKNOWLEDGE_NO));
        doc.SetAlarm("MpxLow", std::make_unique<CAlarmItem>(
                                   "MpxLow", ALARM_SOURCE_MPX_POWER, ALARM_RELATION_LESS, 0.0f,
                                   ALARM_ACTION_OUTPUT_1, COleDateTimeSpan(0, 0, 0, 0),
                                   ALARM_ACKNOWLEDGE_YES));
        ASSERT_TRUE(doc.OnSaveDocument(setup.File("alarms.tvk")));
    }

    CTempFolder setup;
    CTempFolder out;
    CRecordingPrompt prompt;
};

TEST_F(BatchAlarms, SetupAlarmsAreCheckedOnceASecondAndLoggedOnlyWhenEnabled) {
    CBatchOptions options = Options(out.Path());
    options.strSetupFile = setup.File("alarms.tvk");
    const CBatchSummary quiet = Analyse(options, prompt);
    ASSERT_EQ(quiet.alarms.size(), 2u);
    EXPECT_EQ(quiet.alarms[0].nActivations, 0);
    EXPECT_EQ(ReadText(out.File("tavik260615.log")).find("Alarm"), std::string::npos);

    CTempFolder enabledOut;
    options.strOutFolder = enabledOut.Path();
    options.bEnableAlarms = true;
    std::vector<std::string> heard;
    CBatchAnalysis analysis(options, prompt);
    analysis.SetAlarmListener([&](const std::string& line) { heard.push_back(line); });
    const CBatchSummary s = analysis.Run();
    ASSERT_EQ(s.alarms.size(), 2u);
    EXPECT_EQ(s.alarms[0].strName, "DevHigh");
    EXPECT_EQ(s.alarms[0].nActivations, 1);  // stays active while the tone goes on
    EXPECT_EQ(s.alarms[1].strName, "MpxLow");
    EXPECT_EQ(s.alarms[1].nActivations, 0);

    ASSERT_EQ(heard.size(), 1u);
    const std::string& line = heard[0];
    EXPECT_TRUE(line.starts_with("Alarm \"DevHigh\" caused an alarm because DEVIATION(58."))
        << line;
    EXPECT_TRUE(line.ends_with(") >= 50.000kHz")) << line;
    // The first check is at the tick of second 1.
    const std::string log = ReadText(enabledOut.File("tavik260615.log"));
    EXPECT_NE(log.find("15.6.2026, 12:00:01: " + line + "\r\n"), std::string::npos) << log;
}

TEST(BatchAnalysisInput, EndsWithTheShorterRecordingAndReadsRdsAsFarAsItGoes) {
    namespace fs = std::filesystem;
    CTempFolder folder;
    const std::string source = CKnownRecording::Get().Folder();
    for (const char* name : {"mpx.dat", "lev.dat", "rds.dat"}) {
        fs::copy_file(fs::path(source) / name, fs::path(folder.Path()) / name);
    }
    fs::resize_file(folder.File("lev.dat"), 35 * 40000 + 123);  // 35 blocks and a part
    fs::resize_file(folder.File("rds.dat"), 2 * 100 + 50);      // 2 chunks and a part
    CBatchOptions options = Options(folder.File("out"));        // made when missing
    options.strDataFolder = folder.Path();
    CRecordingPrompt prompt;
    CBatchAnalysis analysis(options, prompt);
    const CBatchSummary s = analysis.Run();
    EXPECT_EQ(s.nBlocks, 35);
    EXPECT_DOUBLE_EQ(s.dSeconds, 3.5);
    EXPECT_TRUE(s.pRds);
    EXPECT_EQ(analysis.GetRdsChunkCount(), 2);
    EXPECT_EQ(Records(ReadText(folder.File("out/tavik260615.xml"))).size(), 3u);
}

TEST(BatchAnalysisInput, MissingRecordingNamesTheFile) {
    CTempFolder empty;
    CBatchOptions options = Options(empty.File("out"));
    options.strDataFolder = empty.Path();
    CRecordingPrompt prompt;
    try {
        Analyse(options, prompt);
        FAIL() << "no error";
    } catch (const CBatchError& e) {
        EXPECT_NE(std::string(e.what()).find("mpx.dat"), std::string::npos) << e.what();
    }
    // Nothing was started, so no output folder was made.
    EXPECT_FALSE(std::filesystem::exists(empty.File("out")));
}

// Writes `blocks` of MPX (and as many of level, and an RDS chunk) into `folder`.
void WriteRecording(const CTempFolder& folder, const std::vector<std::int16_t>& mpx) {
    for (const char* name : {"mpx.dat", "lev.dat"}) {
        std::ofstream(folder.File(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(mpx.data()),
                   static_cast<std::streamsize>(mpx.size() * sizeof(std::int16_t)));
    }
    std::ofstream(folder.File("rds.dat"), std::ios::binary) << std::string(100, '\0');
}

// The figures worked out while converting equal what the analysers would work out from the
// floats, also where 16-bit arithmetic would overflow (-32768 squared, paired).
TEST(RecordingReader, BlockFiguresAreExactAtTheSampleExtremes) {
    constexpr int n = CRecordingReader::kBlockSamples;
    const auto fill = [](auto value) {
        std::vector<std::int16_t> block(n);
        for (int i = 0; i < n; ++i) {
            block[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(value(i));
        }
        return block;
    };
    const std::vector<std::vector<std::int16_t>> blocks = {
        fill([](int) { return -32768; }),
        fill([](int i) { return i % 2 == 0 ? 32767 : -32768; }),
        fill([](int i) { return i < n / 2 ? 5 : -32768; }),
        fill([](int i) { return i < n / 2 ? -32768 : 7; }),
        fill([](int i) { return (i * 7919) % 65536 - 32768; }),
    };
    for (const std::vector<std::int16_t>& block : blocks) {
        CTempFolder folder;
        WriteRecording(folder, block);
        CRecordingReader reader;
        reader.Open(folder.Path());
        std::vector<float> mpx(n);
        CBlockFigures figures;
        ASSERT_TRUE(reader.ReadBlock(mpx.data(), nullptr, &figures));
        float firstHalf = 0.0f;
        float whole = 0.0f;
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(mpx[static_cast<std::size_t>(i)], block[static_cast<std::size_t>(i)]);
            whole = std::max(whole, std::fabs(mpx[static_cast<std::size_t>(i)]));
            firstHalf = i < n / 2 ? whole : firstHalf;
        }
        EXPECT_EQ(figures.nCount, n);
        EXPECT_EQ(figures.fFirstHalfPeak, firstHalf);
        EXPECT_EQ(figures.fPeak, whole);
        EXPECT_EQ(figures.dSumOfSquares / n, CMPXPowerTavik::MeanSquare(mpx.data(), n));
        EXPECT_FALSE(reader.ReadBlock(mpx.data(), nullptr, &figures));
    }
}

// The samples are read from a memory map: a recording cut short under the analysis must end
// it with an error naming the file, never with a fault on the pages past its new end.
TEST(RecordingReader, ARecordingCutWhileReadIsAnError) {
    CTempFolder folder;
    WriteRecording(folder, std::vector<std::int16_t>(3 * CRecordingReader::kBlockSamples, 1));
    CRecordingReader reader;
    reader.Open(folder.Path());
    std::filesystem::resize_file(folder.File("mpx.dat"), CRecordingReader::kBlockBytes);
    std::vector<float> mpx(CRecordingReader::kBlockSamples);
    try {
        reader.ReadBlock(mpx.data(), nullptr);
        FAIL() << "no error";
    } catch (const CBatchError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "\"" + folder.File("mpx.dat") + "\" became shorter while read");
    }
}

}  // namespace
}  // namespace tavik
