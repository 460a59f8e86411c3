// The batch analysis, in process and as `tavik analyse`, and its outputs: the summary, its JSON
// and the JSON lines.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/MPXPowerTavik.h"
#include "app/AnalyseCommand.h"
#include "app/JsonLine.h"
#include "app/SummaryReport.h"
#include "document/BatchAnalysis.h"
#include "document/BatchCollector.h"
#include "document/RecordingReader.h"
#include "platform/Messages.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Shell.h"
#include "tests/support/TextMatch.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CKnownRecording;
using test::CTempFolder;
using test::Has;
using test::ReadText;
using test::Result;

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

// The message of the CBatchError that analysing with `options` throws.
std::string Refusal(const CBatchOptions& options) {
    CRecordingPrompt prompt;
    return test::Thrown<CBatchError>([&] { Analyse(options, prompt); });
}

TEST(BatchAnalysis, SummaryAndFilesMatchTheKnownRecording) {
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
    EXPECT_FALSE(s.fMpxPower60sLast || s.fMpxPower60sMax);  // six seconds give no 60 s value
    ASSERT_TRUE(s.fRfLevel && s.nItuStatus);
    EXPECT_NEAR(*s.fRfLevel, 65.0, 3.0);
    ASSERT_TRUE(s.pRds);
    EXPECT_EQ(s.pRds->m_data.m_strPI, "D313");
    EXPECT_EQ(s.pRds->m_data.m_strPS, "TAVIK FM");
    EXPECT_EQ(s.pRds->m_data.m_strLastRadioText.substr(0, 50),
              "Tavik FM - the synthetic station for measurements\r");  // complete, no toggle yet
    EXPECT_EQ(s.pRds->m_dBitErrorRate, 0.0);
    EXPECT_EQ(s.strResultFile, out.File("tavik260615.xml"));
    EXPECT_EQ(s.strLogFile, out.File("tavik260615.log"));
    EXPECT_TRUE(s.alarms.empty() && prompt.m_boxes.empty() && prompt.m_notices.empty());

    // One record per second on the virtual clock: seconds 0 to 5 are closed by the ticks at 1
    // to 6; the record opened at 6 is not kept.
    const std::string xml = ReadText(out.File("tavik260615.xml"));
    const std::vector<Record> records = Records(xml);
    ASSERT_EQ(records.size(), 6u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].id, static_cast<int>(i) + 1);
        EXPECT_EQ(records[i].timestamp, CKnownRecording::kStartTime + static_cast<long long>(i));
        EXPECT_NEAR(records[i].deviation, generated.fPeakDeviation, 0.5);
        EXPECT_EQ(records[i].power, 0.0f);  // no 60-second value yet
    }
    EXPECT_TRUE(Has(xml, ">Monday, June 15, 2026, 12:00:00</Date>"));
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
// appended. Other programs' files are no reason to refuse.
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
    EXPECT_TRUE(Has(Refusal(Options(other.Path())), "tavik250101.log"));
    EXPECT_EQ(ReadText(other.File("tavik250101.log")), "x");
    EXPECT_FALSE(std::filesystem::exists(other.File("tavik260615.xml")));
    std::filesystem::remove(other.File("tavik250101.log"));
    EXPECT_NO_THROW(Analyse(Options(other.Path()), prompt));
    EXPECT_EQ(ReadText(other.File("notes.xml")), "y");
}

// Without an output folder nothing is written; the RDS chunks keep the receiver's pace.
TEST(BatchAnalysis, RdsChunksFollowThe674MillisecondPaceWithoutOutputFolder) {
    CRecordingPrompt prompt;
    CBatchAnalysis analysis(Options(""), prompt);
    std::vector<std::int64_t> chunks;  // after each block
    const CBatchSummary s = analysis.Run(
        [&](std::int64_t, std::int64_t) { chunks.push_back(analysis.GetRdsChunkCount()); });
    EXPECT_FALSE(s.bInterrupted);
    EXPECT_TRUE(s.strResultFile.empty() && s.strLogFile.empty());
    ASSERT_EQ(chunks.size(), 60u);
    // Chunk k is due after k * 674 ms: blocks 7, 14, 21, 27, 34, 41, 48, 54 (of 100 ms).
    const std::vector<std::int64_t> expected = {0, 1, 2, 3, 4, 8, 8};
    EXPECT_EQ((std::vector<std::int64_t>{chunks[5], chunks[6], chunks[13], chunks[25], chunks[26],
                                         chunks[53], chunks[59]}),
              expected);
}

TEST(BatchAnalysis, SetupAlarmsAreCheckedOnceASecondAndLoggedOnlyWhenEnabled) {
    CTempFolder setup, out, enabledOut;
    CTAVIKSDIDoc doc;
    doc.SetAlarm("DevHigh", std::make_unique<CAlarmItem>("DevHigh", ALARM_SOURCE_DEVIATION,
                                                         ALARM_RELATION_GREATER_EQUAL, 50.0f,
                                                         ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(),
                                                         ALARM_ACKNOWLEDGE_NO));
    doc.SetAlarm("MpxLow", std::make_unique<CAlarmItem>(
                               "MpxLow", ALARM_SOURCE_MPX_POWER, ALARM_RELATION_LESS, 0.0f,
                               ALARM_ACTION_OUTPUT_1, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_YES));
    ASSERT_TRUE(doc.OnSaveDocument(setup.File("alarms.tvk")));
    CBatchOptions options = Options(out.Path());
    options.strSetupFile = setup.File("alarms.tvk");
    CRecordingPrompt prompt;
    const CBatchSummary quiet = Analyse(options, prompt);
    ASSERT_EQ(quiet.alarms.size(), 2u);
    EXPECT_EQ(quiet.alarms[0].nActivations, 0);
    EXPECT_FALSE(Has(ReadText(out.File("tavik260615.log")), "Alarm"));

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
    EXPECT_TRUE(heard[0].starts_with("Alarm \"DevHigh\" caused an alarm because DEVIATION(58."))
        << heard[0];
    EXPECT_TRUE(heard[0].ends_with(") >= 50.000kHz")) << heard[0];
    // The first check is at the tick of second 1.
    EXPECT_TRUE(Has(ReadText(enabledOut.File("tavik260615.log")),
                    "15.6.2026, 12:00:01: " + heard[0] + "\r\n"));
}

TEST(BatchAnalysisInput, EndsWithTheShorterRecordingAndReadsRdsAsFarAsItGoes) {
    namespace fs = std::filesystem;
    CTempFolder folder;
    for (const char* name : {"mpx.dat", "lev.dat", "rds.dat"}) {
        fs::copy_file(fs::path(CKnownRecording::Get().Folder()) / name, folder.File(name));
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

    // Without the recordings the error names the missing file, and no output folder is made.
    CTempFolder empty;
    options = Options(empty.File("out"));
    options.strDataFolder = empty.Path();
    EXPECT_TRUE(Has(Refusal(options), "mpx.dat"));
    EXPECT_FALSE(fs::exists(empty.File("out")));
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
    EXPECT_EQ(test::Thrown<CBatchError>([&] { reader.ReadBlock(mpx.data(), nullptr); }),
              "\"" + folder.File("mpx.dat") + "\" became shorter while read");
}

// Runs the built executable with its standard error going to `errFile`.
test::CShellRun RunTavik(const std::string& arguments, const std::string& errFile) {
    return test::Shell(std::string(TAVIK_EXECUTABLE) + " " + arguments + " 2>'" + errFile + "'");
}

// The summary's keys, its number formats and its JSON lines' keys are pinned on the report
// classes; here the executable's wiring: --start, --out, --json, stdout and stderr.
TEST(AnalyseCommandEndToEnd, JsonSummaryAndFilesMatchTheKnownRecording) {
    const CKnownRecording& recording = CKnownRecording::Get();
    CTempFolder out;
    const test::CShellRun run = RunTavik("analyse '" + recording.Folder() + "' --json --out '" +
                                             out.Path() + "' --start " + CKnownRecording::kStart,
                                         out.File("stderr.txt"));
    ASSERT_EQ(run.exitCode, 0) << ReadText(out.File("stderr.txt"));
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);  // one object on one line
    const CJson json = CJson::parse(run.out);
    EXPECT_EQ(json["blocks"], 60);  // the values themselves are the batch analysis's
    EXPECT_EQ(json["rds"]["ps"], "TAVIK FM");
    EXPECT_EQ(json["result_file"], out.File("tavik260615.xml"));
    EXPECT_EQ(json["log_file"], out.File("tavik260615.log"));
    EXPECT_GT(json["realtime_factor"].get<double>(), 0.0);

    // The executable writes what the analysis writes in process, byte for byte.
    CTempFolder inProcess;
    CRecordingPrompt prompt;
    Analyse(Options(inProcess.Path()), prompt);
    for (const char* name : {"tavik260615.xml", "tavik260615.log"}) {
        const std::string written = ReadText(out.File(name));
        EXPECT_FALSE(written.empty()) << name;
        EXPECT_EQ(written, ReadText(inProcess.File(name))) << name;
    }
    EXPECT_EQ(ReadText(out.File("stderr.txt")), "");  // no progress bar off a terminal
}

// A refused command line exits with 2 as every command's does (see the monitor's test).
TEST(AnalyseCommandEndToEnd, AFailedRunExitsWithOne) {
    CTempFolder folder;
    const test::CShellRun missing =
        RunTavik("analyse '" + folder.Path() + "' --enable-alarms", folder.File("err"));
    EXPECT_EQ(missing.exitCode, 1);
    const std::string err = ReadText(folder.File("err"));
    EXPECT_TRUE(Has(err, "mpx.dat"));
    // --enable-alarms without a setup says that there is nothing to enable.
    EXPECT_TRUE(Has(err,
                    "analyse: --enable-alarms: no setup was given (--setup FILE.tvk), so "
                    "there are no alarms to enable"));
}

// One object per second of recording on stdout, on the virtual clock; the summary on stderr.
TEST(AnalyseCommandEndToEnd, JsonLinesGiveOneObjectPerSecond) {
    const CKnownRecording& recording = CKnownRecording::Get();
    CTempFolder out;
    const test::CShellRun run = RunTavik(
        "analyse '" + recording.Folder() + "' --json-lines --start " + CKnownRecording::kStart,
        out.File("stderr.txt"));
    ASSERT_EQ(run.exitCode, 0) << ReadText(out.File("stderr.txt"));
    std::istringstream lines(run.out);
    int second = 0;
    CJson json;
    for (std::string line; std::getline(lines, line);) {
        ++second;
        json = CJson::parse(line);
        // The virtual clock from --start, in Berlin time.
        EXPECT_EQ(json["time"], "2026-06-15T12:00:0" + std::to_string(second) + "+02:00");
    }
    EXPECT_EQ(second, 6);
    EXPECT_EQ(json["rds"]["ps"], "TAVIK FM");
    // The generator's first text (13 segments with its CR, each sent twice before the A/B
    // toggle at about 7 s) is complete in the fourth second: shown without a toggle.
    EXPECT_EQ(json["rds"]["rt"], "Tavik FM - the synthetic station for measurements");
    EXPECT_TRUE(Has(ReadText(out.File("stderr.txt")), "Analysed 6.0 s (60 blocks)"));
}

CSharedFloats Values(std::vector<float> values) {
    return std::make_shared<const std::vector<float>>(std::move(values));
}

TEST(BatchCollector, ExceedanceOf75KhzIsTheAccumulatedBinOf75) {
    CBatchCollector collector;
    std::vector<float> accumulated(110, 0.0f);
    accumulated[73] = 9.0f;  // at or above 74 kHz
    accumulated[74] = 2.5f;  // at or above 75 kHz
    accumulated[75] = 1.0f;
    collector.Collect(Result<EResultCode::DeviationAccumulated>(Values(accumulated)));
    ASSERT_TRUE(collector.GetSummary().fDeviationExceed75);
    EXPECT_EQ(*collector.GetSummary().fDeviationExceed75, 2.5f);
    EXPECT_EQ(collector.GetSummary().deviationAccumulated, accumulated);
}

TEST(BatchCollector, SixtySecondMaximumCoversEveryNewestValue) {
    CBatchCollector collector;
    collector.Collect(Result<EResultCode::PowerHistory>(Values({1.0f})));
    collector.Collect(Result<EResultCode::PowerHistory>(Values({4.0f, 1.0f})));
    collector.Collect(Result<EResultCode::PowerHistory>(Values({})));  // nothing newest: ignored
    // Older values of the history are not newer seconds: 9 is no maximum of this run's fronts.
    collector.Collect(Result<EResultCode::PowerHistory>(Values({2.0f, 4.0f, 9.0f})));
    const CBatchSummary& s = collector.GetSummary();
    EXPECT_EQ(s.fMpxPower60sLast, 2.0f);
    EXPECT_EQ(s.fMpxPower60sMax, 4.0f);
}

TEST(BatchCollector, TakesTheLatestValuesAndIgnoresOtherMessages) {
    CBatchCollector collector;
    collector.Collect(Result<EResultCode::Power1s>(-1.5f));
    collector.Collect(Result<EResultCode::DeviationMax>(74.25f));
    collector.Collect(Result<EResultCode::Multipath>(test::NoFit()));  // a status, no value: null
    EXPECT_FALSE(collector.GetSummary().fRfLevel);
    EXPECT_EQ(collector.GetSummary().nItuStatus, 3);
    collector.Collect(Result<EResultCode::Multipath>(
        test::Fit(CMultipathResult::STATUS_CONDITIONS_MET, 0.75f, 61.0f)));
    collector.Collect(Result<EResultCode::Multipath>(nullptr));    // no payload
    collector.Collect(CMessage{WM_ANALYSER_ERROR, 8, 0});          // not a result
    collector.Collect(Result<EResultCode::DeviationPeak>(99.0f));  // block peak
    const CBatchSummary& s = collector.GetSummary();
    EXPECT_EQ(s.fMpxPower1sLast, -1.5f);
    EXPECT_EQ(s.fDeviationMax, 74.25f);
    EXPECT_EQ(s.fMultipath, 0.75f);
    EXPECT_EQ(s.fRfLevel, 61.0f);
    EXPECT_EQ(s.nItuStatus, 1);
    EXPECT_FALSE(s.fMpxPower60sLast);
    EXPECT_FALSE(s.pRds);
}

TEST(SummaryReport, EmptySummaryHasEveryKeyWithNulls) {
    CBatchSummary summary;
    summary.alarms.push_back({"Dev \"high\"", 2});
    EXPECT_EQ(CSummaryReport::ToJson(summary),
              "{\"schema\":2,\"seconds\":0.0,\"blocks\":0,\"deviation_max_khz\":null,"
              "\"deviation_exceed_75_pct\":null,\"deviation_relative_pct\":[],"
              "\"deviation_accumulated_pct\":[],\"mpx_power_1s_last_dbr\":null,"
              "\"mpx_power_60s_last_dbr\":null,\"mpx_power_60s_max_dbr\":null,"
              "\"pilot_khz\":null,\"pilot_error_hz\":null,\"rds_injection_khz\":null,"
              "\"audio_left_db\":null,\"audio_right_db\":null,\"silence\":null,"
              "\"silent_seconds\":0,"
              "\"multipath_pct_per_khz\":null,\"rf_level_dbuv\":null,\"itu_status\":null,"
              "\"rds\":{\"pi\":null,\"ps\":null,\"pty\":null,\"ptyn\":null,\"radiotext\":null,"
              "\"last_radiotext\":null,\"af_mhz\":null,\"country\":null,\"language\":null,"
              "\"date\":null,\"time\":null,\"pin\":null,\"tp\":null,\"ta\":null,"
              "\"music_speech\":null,\"eon_pi\":null,\"eon_ps\":null,\"ber_pct\":null},"
              "\"alarms\":[{\"name\":\"Dev \\\"high\\\"\",\"activations\":2}],"
              "\"result_file\":null,\"log_file\":null,\"dropped\":{\"samples\":0,"
              "\"analysers\":0,\"rds\":0,\"results\":0},\"wall_seconds\":0.0,"
              "\"realtime_factor\":0.0}");
}

TEST(SummaryReport, RoundedValuesAndRdsTextsThroughTheCodeTable) {
    CBatchSummary summary;
    auto snapshot = std::make_shared<CRDSSnapshot>();
    snapshot->m_data.m_strPS = "A\\B\"C\x01\x91";  // 0x91 is a-diaeresis
    snapshot->m_data.m_strEonPS = "\xE4$";         // y-circumflex, currency sign
    snapshot->m_dBitErrorRate = 1.25;
    summary.pRds = snapshot;
    summary.fMpxPower1sLast = -std::numeric_limits<float>::infinity();  // a silent block
    summary.fDeviationMax = 76.1235f;
    summary.dRealtimeFactor = 920.5593335080464;
    summary.deviationRelative = {0.1f, 12.34567f};
    const std::string json = CSummaryReport::ToJson(summary);
    EXPECT_TRUE(Has(json, "\"ps\":\"A\\\\B\\\"C\\u0001\xC3\xA4\""));
    EXPECT_TRUE(Has(json, "\"eon_ps\":\"\xC5\xB7\xC2\xA4\""));
    EXPECT_TRUE(Has(json, "\"ber_pct\":1.25}"));
    EXPECT_TRUE(Has(json, "\"mpx_power_1s_last_dbr\":null"));
    EXPECT_TRUE(Has(json, "\"deviation_max_khz\":76.12,"));
    EXPECT_TRUE(Has(json, "\"deviation_relative_pct\":[0.1,12.3457]"));
    EXPECT_TRUE(Has(json, "\"realtime_factor\":921.0}"));

    // Data, not screen texts: no padding, lists, booleans and the status of the JSON lines.
    snapshot->m_data.m_strPS = "TAVIK   ";
    snapshot->m_data.m_strLastRadioText = "Now\r" + std::string(60, ' ');
    snapshot->m_data.m_strAF = " 98.2MHz,  101.3MHz,  ";
    snapshot->m_data.m_strPIN = "15.  10:0";
    snapshot->m_data.m_strTPIndicator = "TP";
    snapshot->m_data.m_strTAIndicator = "  ";
    summary.nItuStatus = CMultipathResult::STATUS_CONDITIONS_NOT_MET;
    const std::string data = CSummaryReport::ToJson(summary);
    for (const char* part :
         {"\"ps\":\"TAVIK\",", "\"last_radiotext\":\"Now\",", "\"af_mhz\":[98.2,101.3],",
          "\"pin\":{\"day\":15,\"hour\":10,\"minute\":0},", "\"tp\":true,\"ta\":false,",
          "\"itu_status\":\"STOP\","}) {
        EXPECT_TRUE(Has(data, part));
    }
}

TEST(SummaryReport, TextShowsControlCharactersOfRdsTextsEscaped) {
    CBatchSummary summary;
    auto snapshot = std::make_shared<CRDSSnapshot>();
    snapshot->m_data.m_strPI = "D313";
    snapshot->m_data.m_strPS = "M\xD1NCHEN ";  // 0xD1 is A-diaeresis
    snapshot->m_data.m_strLastRadioText = "Now\tthen\r  ";
    summary.pRds = snapshot;
    summary.fDeviationMax = 76.25f;
    summary.alarms.push_back({"Dev", 3});
    summary.alarms.push_back({"Once", 1});
    std::ostringstream out;
    CSummaryReport::WriteText(summary, out);
    const std::string text = out.str();
    EXPECT_TRUE(Has(text, "Deviation:  maximum 76.25 kHz, at or above 75 kHz -\n"));
    EXPECT_TRUE(Has(text, "RDS:        PI D313, PS \"M\xC3\x84NCHEN \","));
    // The radio text as read: without its end mark and padding, other control characters
    // escaped.
    EXPECT_TRUE(Has(text, "Radio text: \"Now\\tthen\"\n")) << text;
    EXPECT_TRUE(Has(text, "Alarm \"Dev\": 3 activations\n"));
    EXPECT_TRUE(Has(text, "Alarm \"Once\": 1 activation\n"));
    EXPECT_FALSE(Has(text, "Result file"));
    // No text complete yet: a dash, as for the values not measured.
    snapshot->m_data.m_strLastRadioText.clear();
    std::ostringstream none;
    CSummaryReport::WriteText(summary, none);
    EXPECT_TRUE(Has(none.str(), "Radio text: -\n")) << none.str();
}

TEST(JsonLine, EveryKeyInOrderWithNullsForWhatWasNotMeasured) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    CMonitorValues values;
    EXPECT_EQ(CJsonLine::Format(CTime(1781517601), 106.7f, values, {}),
              "{\"schema\":2,\"time\":\"2026-06-15T12:00:01+02:00\",\"frequency_mhz\":106.7,"
              "\"deviation_peak_khz\":null,"
              "\"deviation_exceed_75_pct\":null,\"mpx_power_1s_dbr\":null,"
              "\"mpx_power_60s_dbr\":null,\"pilot_khz\":null,\"pilot_error_hz\":null,"
              "\"rds_injection_khz\":null,\"audio_left_db\":null,\"audio_right_db\":null,"
              "\"silence\":null,\"multipath_pct_per_khz\":null,\"rf_level_dbuv\":null,"
              "\"itu_status\":null,\"cn_db\":null,\"frequency_error_hz\":null,"
              "\"frequency_error_ppm\":null,\"adc_overload_pct\":null,\"receiver_error\":null,"
              "\"rds\":null,\"alarms\":[],\"dropped\":{\"samples\":0,"
              "\"analysers\":0,\"rds\":0,\"results\":0}}");

    // A multipath result before the first accepted fit has a status but no value.
    values.Take(Result<EResultCode::Multipath>(test::NoFit()));
    // The second's peak is the largest block peak since the last line.
    for (const float peak : {70.0f, 76.126f, 71.0f}) {
        values.Take(Result<EResultCode::DeviationPeak>(peak));
    }
    std::vector<float> accumulated(110, 0.0f);
    accumulated[74] = 0.5f;  // at or above 75 kHz
    values.Take(Result<EResultCode::DeviationAccumulated>(
        std::make_shared<const std::vector<float>>(accumulated)));
    values.Take(Result<EResultCode::Power1s>(2.954f));
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "\xAB(date)";  // the RDS dollar sign
    rds->m_data.m_strTPIndicator = "TP";
    rds->m_data.m_strTAIndicator = "  ";
    rds->m_data.m_strLastRadioText = "Hello\r" + std::string(58, ' ');
    rds->m_data.m_bRadioTextComplete = true;
    rds->m_data.m_strAF = "106.7MHz,   98.2MHz,  531.0kHz,  ";
    values.Take(Result<EResultCode::RdsData>(rds));
    values.drops.n = {1, 2, 3, 4};
    CMpxReadings readings;  // no pilot, RDS, a left channel, the right at the floor, silent
    readings.rdsKhz = 3.049f;
    readings.leftDb = -6.06f;
    readings.silence = true;
    values.Take(Result<EResultCode::MpxReadings>(readings));
    const std::string line = CJsonLine::Format(CTime(1781517602), 98.2f, values, {"Dev", "Mpx"});
    EXPECT_EQ(line,
              "{\"schema\":2,\"time\":\"2026-06-15T12:00:02+02:00\",\"frequency_mhz\":98.2,"
              "\"deviation_peak_khz\":76.13,"
              "\"deviation_exceed_75_pct\":0.5,\"mpx_power_1s_dbr\":2.95,"
              "\"mpx_power_60s_dbr\":null,\"pilot_khz\":null,\"pilot_error_hz\":null,"
              "\"rds_injection_khz\":3.05,\"audio_left_db\":-6.1,\"audio_right_db\":-90.0,"
              "\"silence\":true,\"multipath_pct_per_khz\":null,\"rf_level_dbuv\":null,"
              "\"itu_status\":\"LOW-DEV\",\"cn_db\":null,\"frequency_error_hz\":null,"
              "\"frequency_error_ppm\":null,\"adc_overload_pct\":null,\"receiver_error\":null,"
              "\"rds\":{\"pi\":\"D313\",\"ps\":\"$(date)\","
              "\"rt\":\"Hello\",\"tp\":true,\"ta\":false,\"af_mhz\":[106.7,98.2,0.531],"
              "\"ber_pct\":0.0},\"alarms\":[\"Dev\",\"Mpx\"],\"dropped\":{\"samples\":1,"
              "\"analysers\":2,\"rds\":3,\"results\":4}}");
    values.StartSecond();
    EXPECT_FALSE(values.secondPeak);
    EXPECT_EQ(values.deviation, 71.0f);  // the status line's newest value stays
}

}  // namespace
}  // namespace tavik
