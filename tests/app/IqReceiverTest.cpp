#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/JsonValues.h"
#include "app/SummaryReport.h"
#include "device/IqFileSource.h"
#include "device/TavikControl.h"
#include "document/BatchAnalysis.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Shell.h"
#include "tools/IqStationWriter.h"
#include "tools/LevelSynth.h"
#include "tools/StationGenerator.h"

namespace tavik {
namespace {

using test::CTempFolder;
using test::ReadText;

// One station written both as recordings and as IQ: by default cu8 at 1.2 MS/s with C/N 40 dB
// for 10 s, long enough for the recordings' RDS to run past its first 100 groups and for five
// multipath fits; the noisy one at 20 dB for 3 s, with the RDS lead bits of `generate --iq`:
// without them its first group passes while the demodulator locks, and the clock time of the
// second group is lost.
class CIqStation {
public:
    static const CIqStation& Get() {
        static const CIqStation station(40.0, 10.0);
        return station;
    }
    static const CIqStation& Noisy() {
        static const CIqStation station(20.0, 3.0, 1200000.0, "cu8", 2,
                                        CGeneratorOptions::kIqNoiseBits);
        return station;
    }
    CIqStation(double carrierToNoise, double seconds, double rate = 1200000.0,
               const char* datatype = "cu8", std::uint64_t seed = 1, int noiseBits = 0) {
        m_options.strOutputFolder = m_folder.Path();
        m_options.fSeconds = seconds;
        m_options.strIqDatatype = datatype;
        m_options.fIqRate = rate;
        m_options.fCarrierToNoise = carrierToNoise;
        m_options.nSeed = seed;
        m_options.nNoiseBits = noiseBits;
        CStationGenerator(m_options).Run();
    }
    const std::string& Folder() const { return m_folder.Path(); }
    std::string Meta() const { return m_folder.File("station.sigmf-meta"); }
    std::vector<std::uint8_t> Read(const std::string& name) const { return m_folder.Read(name); }

private:
    CTempFolder m_folder;
    CGeneratorOptions m_options;
};

CBatchSummary Analyse(const std::optional<CIqSourceSettings>& iq,
                      const CIqStation& station = CIqStation::Get()) {
    CBatchOptions options;
    options.strDataFolder = station.Folder();
    options.start = CTime(1781517600);
    options.iq = iq;
    CRecordingPrompt prompt;
    return CBatchAnalysis(options, prompt).Run();
}

// The decoded RDS fields of a summary; the bit error estimate, which counts the lock-in, aside.
std::string Rds(const CBatchSummary& summary) {
    CJson rds = CJson::parse(CSummaryReport::ToJson(summary))["rds"];
    rds.erase("ber_pct");
    return rds.dump();
}

CIqSourceSettings Tuned(const std::string& file) {
    CIqSourceSettings settings;
    settings.strFile = file;
    settings.station = 106.7e6;
    return settings;
}

// Received through the software receiver, the station measures as its recordings do: the
// same blocks (the last one's multipath fit moves the RF level by 1.7 dB here), the highest
// deviation within 2 kHz (the C/N of 40 dB moves single seconds' peaks by up to 1 kHz either
// way), the same multipath, the same RDS
// (the recordings' RDS covers the multiplex's whole length).
TEST(IqReceiver, AnalysisOfTheIqAgreesWithTheRecordings) {
    const CBatchSummary recordings = Analyse(std::nullopt);
    const CBatchSummary iq = Analyse(Tuned(CIqStation::Get().Meta()));
    EXPECT_EQ(recordings.nBlocks, 100);
    EXPECT_EQ(iq.nBlocks, 100);
    ASSERT_TRUE(recordings.fDeviationMax && iq.fDeviationMax);
    EXPECT_NEAR(*iq.fDeviationMax, *recordings.fDeviationMax, 2.0f);
    ASSERT_TRUE(recordings.fMpxPower1sLast && iq.fMpxPower1sLast);
    EXPECT_NEAR(*iq.fMpxPower1sLast, *recordings.fMpxPower1sLast, 0.2f);
    ASSERT_TRUE(recordings.fRfLevel && iq.fRfLevel);
    EXPECT_NEAR(*iq.fRfLevel, *recordings.fRfLevel, 0.2f);
    // The capture carries the planted coupling alone: no replayed receiver's response to
    // take off (taken off all the same, it read 0.49 against 0.32 %/kHz).
    ASSERT_TRUE(recordings.fMultipath && iq.fMultipath);
    EXPECT_NEAR(*iq.fMultipath, *recordings.fMultipath, 0.03f);
    EXPECT_EQ(Rds(iq), Rds(recordings));
}

// At C/N 20 dB the RDS still reads the same, and the noise above the multiplex, which the
// receiver keeps out, does not pass for deviation (a 100 kHz MPX band read 10 kHz more). The
// RDS injection reads as without noise: the noise under the subcarrier is taken off (it read
// 3.6 kHz for 3.0).
TEST(IqReceiver, NoisyStationKeepsItsRdsAndAPlausibleDeviation) {
    const CIqStation& noisy = CIqStation::Noisy();
    const CBatchSummary recordings = Analyse(std::nullopt, noisy);
    const CBatchSummary iq = Analyse(Tuned(noisy.Meta()), noisy);
    ASSERT_TRUE(recordings.fDeviationMax && iq.fDeviationMax);
    EXPECT_GT(*iq.fDeviationMax, *recordings.fDeviationMax);
    EXPECT_LT(*iq.fDeviationMax, *recordings.fDeviationMax + 7.0f);
    EXPECT_EQ(Rds(iq), Rds(recordings));
    ASSERT_TRUE(iq.mpxReadings && iq.mpxReadings->rdsKhz && recordings.mpxReadings);
    EXPECT_NEAR(*iq.mpxReadings->rdsKhz, *recordings.mpxReadings->rdsKhz, 0.1);
}

// The bit stream itself: against the bits the recordings carry, fewer than 0.1 % wrong.
TEST(IqReceiver, RdsBitErrorRateBelowOnePerMille) {
    CIqFileSource source(Tuned(CIqStation::Get().Meta()));
    std::vector<float> mpx(20000);
    std::vector<float> level(20000);
    std::vector<std::uint8_t> received;
    std::uint8_t chunk[100];
    while (source.ReadBlock(mpx.data(), level.data())) {
        while (source.ReadRdsChunk(chunk)) {
            for (const std::uint8_t byte : chunk) {
                for (int b = 7; b >= 0; --b) {
                    received.push_back(static_cast<std::uint8_t>(byte >> b & 1));
                }
            }
        }
    }
    std::vector<std::uint8_t> sent;
    std::ifstream rds(CIqStation::Get().Folder() + "/rds.dat", std::ios::binary);
    for (char byte; rds.get(byte);) {
        for (int b = 7; b >= 0; --b) {
            sent.push_back(static_cast<std::uint8_t>(static_cast<unsigned char>(byte) >> b & 1));
        }
    }
    ASSERT_GE(received.size(), 11200u);  // 14 chunks in 10 s
    // Received bit k is sent bit k - delay: the demodulator's filters delay the stream by two
    // bits (the bits of the receiver's settling time, 6 more, are dropped with its samples),
    // and its first bits come while the loops lock (the first 100, 84 ms, are not counted).
    constexpr std::size_t kLock = 100;
    std::size_t fewest = received.size();
    std::size_t delayOfFewest = 0;
    for (std::size_t delay = 0; delay < 64; ++delay) {
        std::size_t errors = 0;
        for (std::size_t k = kLock; k < received.size(); ++k) {
            errors += received[k] != sent[k - delay];
        }
        if (errors < fewest) {
            fewest = errors;
            delayOfFewest = delay;
        }
    }
    EXPECT_LT(static_cast<double>(fewest) / static_cast<double>(received.size() - kLock), 0.001)
        << fewest << " of " << received.size() - kLock;
    EXPECT_EQ(delayOfFewest, 2u);
}

// The capture's blocks are the recordings' blocks, sample for sample and all of them, at every
// rate: MPX best matched at no shift, the level within 0.05 dB of the air's (the recorded
// level without the replayed receiver's response, which a capture does not carry).
TEST(IqReceiver, BlocksHoldTheRecordingsSamples) {
    for (const double rate : {1200000.0, 2400000.0, 2048000.0, 400000.0}) {
        const CIqStation station(0.0, 0.5, rate, "cf32_le");
        CIqFileSource source(Tuned(station.Meta()));
        const std::vector<std::uint8_t> mpxFile = station.Read("mpx.dat");
        const std::vector<std::uint8_t> levFile = station.Read("lev.dat");
        const auto sample = [](const std::vector<std::uint8_t>& bytes, std::size_t k) {
            return static_cast<float>(
                static_cast<std::int16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8));
        };
        std::vector<float> mpx(20000);
        std::vector<float> level(20000);
        std::size_t blocks = 0;
        for (; source.ReadBlock(mpx.data(), level.data()); ++blocks) {
            const std::size_t first = blocks * 20000;
            double levelError = 0.0;
            for (std::size_t k = 0; k < 20000; ++k) {
                levelError += level[k] - CIqStationWriter::AirLevel(
                                             CGeneratorOptions().multipath,
                                             static_cast<std::int16_t>(sample(mpxFile, first + k)),
                                             static_cast<std::int16_t>(sample(levFile, first + k)));
            }
            EXPECT_NEAR(levelError / 20000.0, 0.0, 0.05) << rate << " block " << blocks;
            // Squared error at shifts -2 ... 2 over the block's middle.
            double errors[5] = {};
            for (std::size_t k = 100; k < 19900; ++k) {
                for (int shift = -2; shift <= 2; ++shift) {
                    const double d = mpx[k] - sample(mpxFile, first + k + shift);
                    errors[shift + 2] += d * d;
                }
            }
            EXPECT_EQ(std::min_element(std::begin(errors), std::end(errors)) - errors, 2)
                << rate << " block " << blocks;
        }
        EXPECT_EQ(blocks, mpxFile.size() / 40000) << rate;
    }
}

// Bad input is refused before the first sample, with the cause named.
TEST(IqReceiver, BadInputNamesTheCause) {
    CTempFolder folder;
    const auto meta = [&](const std::string& name, const std::string& datatype, double rate) {
        std::ofstream(folder.File(name + ".sigmf-meta"))
            << R"({"global":{"core:datatype":")" << datatype << R"(","core:sample_rate":)" << rate
            << R"(},"captures":[{"core:sample_start":0,"core:frequency":106450000}]})";
        std::ofstream(folder.File(name + ".sigmf-data"), std::ios::binary)
            << std::string(2400000, '\x80');
        return folder.File(name + ".sigmf-meta");
    };
    struct Case {
        CIqSourceSettings settings;
        std::string message;
    };
    CIqSourceSettings outside = Tuned(meta("good", "cu8", 1200000));
    outside.station = 98.2e6;
    const std::string missing = folder.File("none.sigmf-meta");
    const std::string withoutData = meta("nodata", "cu8", 1200000);
    std::remove(folder.File("nodata.sigmf-data").c_str());
    // Metadata that is no file of text, or too much of one: never read (a FIFO would wait for
    // a writer, /dev/zero never end).
    const std::string zero = folder.File("zero.sigmf-meta");
    std::filesystem::create_symlink("/dev/zero", zero);
    const std::string fifo = folder.File("fifo.sigmf-meta");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string large = meta("large", "cu8", 1200000);
    std::ofstream(large, std::ios::app) << std::string(1 << 20, ' ');
    // IQ data that is no file: named with what it is.
    const auto data = [&](const std::string& name, const auto& make) {
        meta(name, "cu8", 1200000);
        const std::string path = folder.File(name + ".sigmf-data");
        std::filesystem::remove(path);
        make(path);
        return std::pair(Tuned(folder.File(name + ".sigmf-meta")),
                         "cannot read the IQ data \"" + path + "\": it is ");
    };
    const auto [zeroData, zeroText] =
        data("zd", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); });
    const auto [fifoData, fifoText] =
        data("fd", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); });
    const auto [folderData, folderText] =
        data("dd", [](const std::string& p) { std::filesystem::create_directory(p); });
    const Case cases[] = {
        // The rates --iq-rate takes: a filter for 1e11 samples a second would take minutes.
        {Tuned(meta("fast", "cu8", 1e11)), "\"" + folder.File("fast.sigmf-meta") +
                                               "\": the IQ sample rate of 1e+11 Hz is above the "
                                               "100000000 Hz the receiver takes"},
        {Tuned(zero), "cannot read the SigMF metadata \"" + zero +
                          "\": it is a character device, not a regular file"},
        {Tuned(fifo), "cannot read the SigMF metadata \"" + fifo +
                          "\": it is a FIFO, not a "
                          "regular file"},
        {Tuned(large), "cannot read the SigMF metadata \"" + large + "\": it is larger than 1 MB"},
        {zeroData, zeroText + "a character device, not a regular file"},
        {fifoData, fifoText + "a FIFO, not a regular file"},
        {folderData, folderText + "a folder, not a regular file"},
        // Rates in at most ten digits, whatever their size.
        {Tuned(meta("huge", "cu8", 1e300)), "\"" + folder.File("huge.sigmf-meta") +
                                                "\": the IQ sample rate of 1e+300 Hz is above the "
                                                "100000000 Hz the receiver takes"},
        {Tuned(meta("tiny", "cu8", 1e-300)), "\"" + folder.File("tiny.sigmf-meta") +
                                                 "\": the IQ sample rate of 1e-300 Hz is below the "
                                                 "400000 Hz an FM channel needs"},
        {Tuned(meta("ri8", "ri8", 1200000)),
         "\"" + folder.File("ri8.sigmf-meta") +
             "\": the datatype \"ri8\" cannot be read (cu8, ci16_le and cf32_le can)"},
        {outside, "\"" + folder.File("good.sigmf-meta") +
                      "\": the station at 98.200 MHz lies outside the band the IQ covers "
                      "(105.850 to 107.050 MHz)"},
        {Tuned(missing),
         "cannot read the SigMF metadata \"" + missing + "\": No such file or directory"},
        {Tuned(folder.File("raw.cu8")),
         "the raw IQ file \"" + folder.File("raw.cu8") + "\" needs --iq-rate and --iq-frequency"},
        {Tuned(withoutData), "cannot read the IQ data \"" + folder.File("nodata.sigmf-data") +
                                 "\": No such file or directory"},
    };
    for (const Case& c : cases) {
        try {
            CIqFileSource source(c.settings);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const CIqSourceError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

// A capture at the highest rate takes seconds of work before its first block (the carrier's
// first second); a stop ends that work within a second, in the monitor's transfer thread as in
// the analysis.
TEST(IqReceiver, AStopEndsTheWorkOnAFastCaptureWithinASecond) {
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    CTempFolder folder;
    std::ofstream(folder.File("fast.sigmf-meta"))
        << R"({"global":{"core:datatype":"cu8","core:sample_rate":1e8},)"
        << R"("captures":[{"core:frequency":106700000}]})";
    std::ofstream(folder.File("fast.sigmf-data")).close();
    std::filesystem::resize_file(folder.File("fast.sigmf-data"), 300000000);  // sparse, 3 s
    const CIqSourceSettings settings = Tuned(folder.File("fast.sigmf-meta"));
    {
        CTavikControl device;
        device.SetIqSource(settings);
        ASSERT_TRUE(device.StartADCTransfer(nullptr));
        std::this_thread::sleep_for(300ms);
        const auto stopping = Clock::now();
        device.StopTransfer();
        EXPECT_LT(Clock::now() - stopping, 1s);
    }
    CBatchOptions options;
    options.start = CTime(1781517600);
    options.iq = settings;
    std::atomic<int> stop{0};
    options.pStop = &stop;
    CRecordingPrompt prompt;
    CBatchAnalysis analysis(options, prompt);
    Clock::time_point stopping;
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stopping = Clock::now();
        stop.store(15);
    });
    const CBatchSummary summary = analysis.Run();
    const auto ended = Clock::now();
    stopper.join();
    EXPECT_LT(ended - stopping, 1s);
    EXPECT_TRUE(summary.bInterrupted);
    EXPECT_EQ(summary.nBlocks, 0);
}

// The executable: --receiver chooses the source; a bad one exits 2 (command line).
// The generated metadata names the station, which sits off the capture's centre: without
// --frequency the receiver tunes to it. --full-scale given wins over the capture's
// tavik:full_scale_dbuv (77 dBuV): 10 dB more reads 10 dB more.
TEST(IqReceiver, ExecutableTakesTheReceiverOption) {
    CTempFolder out;
    const std::string tavik = TAVIK_EXECUTABLE;
    const std::string analyse =
        tavik + " analyse --json --receiver 'iq:" + CIqStation::Get().Meta();
    const test::CShellRun run = test::Shell(analyse + "'");
    ASSERT_EQ(run.exitCode, 0);
    const CJson summary = CJson::parse(run.out);
    EXPECT_EQ(summary["rds"]["ps"], "TAVIK FM");
    const test::CShellRun given = test::Shell(analyse + "' --full-scale 87");
    ASSERT_EQ(given.exitCode, 0);
    EXPECT_NEAR(CJson::parse(given.out)["rf_level_dbuv"].get<double>(),
                summary["rf_level_dbuv"].get<double>() + 10.0, 0.011);
    const test::CShellRun refused =
        test::Shell(tavik + " analyse --receiver rtl:0 2>'" + out.File("err") + "'");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(ReadText(out.File("err")),
              "analyse: --receiver: \"rtl:0\" is not iq:FILE\nRun \"tavik analyse --help\" for "
              "the options.\n");
}

// Without --frequency the monitor receives a capture at the station its metadata names, here
// away from the document's 106.7 MHz (outside the captured band). A capture that cannot be
// received, as its named station lies outside its band or it is not there, is refused by the
// monitor as by the analysis: with its cause alone, before anything is measured.
TEST(IqReceiver, MonitorTunesToTheStationTheCaptureNamesOrRefusesItAsAnalyseDoes) {
    CTempFolder folder;
    CGeneratorOptions options;
    options.strOutputFolder = folder.Path();
    options.fSeconds = 2.0;
    options.strIqDatatype = "cu8";
    options.fFrequency = 98.2;
    CStationGenerator(options).Run();
    const std::string tavik = TAVIK_EXECUTABLE;
    const std::string monitor = " monitor --seconds 2 --speed 10 --receiver 'iq:";
    const test::CShellRun run =
        test::Shell(tavik + monitor + folder.File("station.sigmf-meta") + "' 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out.rfind("Monitoring 98.20 MHz for 2 s", 0), 0u) << run.out;

    std::string meta = ReadText(folder.File("station.sigmf-meta"));
    const std::string named = "\"tavik:station_frequency\": 98200000.0";
    ASSERT_NE(meta.find(named), std::string::npos) << meta;
    meta.replace(meta.find(named), named.size(), "\"tavik:station_frequency\": 1e9");
    std::ofstream(folder.File("far.sigmf-meta")) << meta;
    std::filesystem::create_symlink(folder.File("station.sigmf-data"),
                                    folder.File("far.sigmf-data"));
    const std::string far = folder.File("far.sigmf-meta");
    const std::string missing = folder.File("none.sigmf-meta");
    for (const auto& [capture, cause] : {
             std::pair{far, "\"" + far +
                                "\": the station at 1000.000 MHz lies outside the band the IQ "
                                "covers (97.350 to 98.550 MHz)"},
             std::pair{missing, "cannot read the SigMF metadata \"" + missing +
                                    "\": No such file or directory"},
         }) {
        for (const std::string command : {"monitor", "analyse"}) {
            const test::CShellRun refused =
                test::Shell(tavik + (command == "monitor" ? monitor : " analyse --receiver 'iq:") +
                            capture + "' 2>&1");
            EXPECT_EQ(refused.exitCode, 1) << command << " " << capture;
            EXPECT_EQ(refused.out, command + ": " + cause + "\n");
        }
    }
}

}  // namespace
}  // namespace tavik
