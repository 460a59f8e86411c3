#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/AnalyseCommand.h"
#include "app/CommandLine.h"
#include "app/ListenCommand.h"
#include "app/MonitorCommand.h"
#include "app/ScanCommand.h"
#include "app/SetupCommand.h"
#include "app/SetupJson.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Shell.h"
#include "tests/support/TextMatch.h"
#include "tools/GenerateCommand.h"

namespace tavik {
namespace {

using Args = std::vector<std::string>;
using test::CTempFolder;
using test::Has;
using test::ReadText;

// Every command line that cannot be used gives one message naming its subcommand and option.
TEST(CommandLine, RefusesWithTheSubcommandAndTheReason) {
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {{"generate"}, "generate: OUTDIR is required"},
        {{"monitor", "--deemphasis", "60"},
         "monitor: --deemphasis: The de-emphasis must be 50 or 75 us."},
        {{"analyse", "--silence-db", "0"},
         "analyse: --silence-db: The silence threshold must be a number above -90 and below 0 "
         "dB."},
        {{"listen", "--silence-seconds", "0"},
         "listen: --silence-seconds: The silence duration must be a whole number from 1 to 3600 "
         "s."},
        {{"generate", "a", "b"}, "generate: The following argument was not expected: b"},
        {{"generate", "o", "--bogus"}, "generate: unknown option \"--bogus\""},
        {{"generate", "o", "--level", "abc"}, "generate: --level: \"abc\" is not a number"},
        {{"generate", "o", "--level", "12"}, "generate: --level: \"12\" is outside 22.5 to 97.4"},
        {{"generate", "o", "--seconds", "nan"}, "generate: --seconds: \"nan\" is not a number"},
        {{"generate", "o", "--pi", "D31G"}, "generate: --pi: \"D31G\" is not a hexadecimal number"},
        {{"generate", "o", "--pi", "10000"}, "generate: --pi: \"10000\" is outside 1 to FFFF"},
        {{"generate", "o", "--tp", "yes"}, "generate: --tp: \"yes\" is neither 0 nor 1"},
        {{"generate", "o", "--ps", "TOO LONG!"}, "generate: --ps: longer than 8 characters"},
        {{"generate", "o", "--ps", "a~b"}, "generate: --ps: the RDS character set has no \"~\""},
        {{"generate", "o", "--ps", "\xE4\xB8\xAD 1"},  // a CJK character
         "generate: --ps: the RDS character set has no \"\xE4\xB8\xAD\""},
        {{"generate", "o", "--ps", "\xC3\x84\xC3\x96\xC3\x9C RADIO"},  // 9 characters
         "generate: --ps: longer than 8 characters"},
        {{"generate", "o", "--ps", "\xC3\x84"}, ""},  // 2 bytes, 1 character
        {{"generate", "o", "--ps", "\xC3"}, "generate: --ps: is not UTF-8 text"},
        {{"generate", "o", "--rt1", "tab\there"},
         "generate: --rt1: control characters are not allowed"},
        {{"generate", "o", "--start", "2026-02-29T10:00:00"},
         "generate: --start: \"2026-02-29T10:00:00\" is not a time YYYY-MM-DDTHH:MM:SS (UTC), "
         "with Z or with +HH:MM from UTC, between 1990 and 2099"},
        {{"generate", "o", "--multipath", "1,2"},
         "generate: --multipath: \"1,2\" is not three numbers c0,c1,c2"},
        // With the receiver's response a(f) must stay positive over +-110 kHz.
        {{"generate", "o", "--multipath", "0,0,0.0046"},
         "generate: --multipath: \"0,0,0.0046\" makes the amplitude a(f) fall to zero or below "
         "at -110.0 kHz (with the receiver's own response)"},
        {{"generate", "o", "--multipath", "9e-7,3.2e-5,-0.0196"},
         "generate: --multipath: \"9e-7,3.2e-5,-0.0196\" makes the amplitude a(f) fall to zero "
         "or below at 79.8 kHz (with the receiver's own response)"},
        {{"generate", "o", "--stations", "90.0"}, "generate: --stations: \"90.0\" is not MHz:dBuV"},
        {{"generate", "o", "--af", "80.0"}, "generate: --af: \"80.0\" is outside 87.6 to 107.9"},
        {{"generate", "o", "--frequency", "106.71"},
         "generate: --frequency: \"106.71\" is not on the 25 kHz grid"},
        {{"monitor", "--seconds"}, "monitor: --seconds: 1 required N missing"},
        {{"monitor", "--seconds", "0"}, "monitor: --seconds: \"0\" is outside 1 to 315360000"},
        {{"monitor", "--seconds", "3s"}, "monitor: --seconds: \"3s\" is not a whole number"},
        {{"monitor", "--frequency", "108.1"},
         "monitor: --frequency: \"108.1\" is outside 87.5 to 108"},
        {{"monitor", "--frequency", "100.01"},
         "monitor: --frequency: 100.01 is not on the 25 kHz grid (nearest: 100)"},
        {{"monitor", "--log-folder", ""}, "monitor: --log-folder: needs a folder"},
        {{"monitor", "--on-alarm", ""}, "monitor: --on-alarm: needs a program"},
        {{"monitor", "--metrics", "0", "--metrics-tls", "c.pem"},
         "monitor: --metrics-tls: \"c.pem\" needs CERT,KEY: the PEM files of the certificate and "
         "of its private key"},
        {{"monitor", "--metrics", "0", "--metrics-tls", "/none/c.pem,k.pem"},
         "monitor: --metrics-tls: cannot read /none/c.pem: No such file or directory"},
        {{"monitor", "--metrics", "0", "--metrics-auth", "/none/users.yml"},
         "monitor: --metrics-auth: cannot read /none/users.yml: No such file or directory"},
        {{"monitor", "--metrics", "0", "--metrics-auth", "/dev/null"},
         "monitor: --metrics-auth: /dev/null: no users: the file needs basic_auth_users with at "
         "least one NAME: BCRYPT_HASH"},
        // An RTL2832 takes two ranges of rates, wherever --receiver stands; other SDRs any.
        {{"monitor", "--receiver", "rtltcp:site", "--iq-rate", "900000"},
         "monitor: --iq-rate: 900000 is not a rate of an RTL2832 (225001 to 300000 or 900001 to "
         "3200000)"},
        {{"monitor", "--iq-rate", "225000", "--receiver", "rtltcp:site"},
         "monitor: --iq-rate: 225000 is not a rate of an RTL2832 (225001 to 300000 or 900001 to "
         "3200000)"},
        {{"scan", "--receiver", "rtltcp:site", "--iq-rate", "3200000.5"},
         "scan: --iq-rate: 3200000.5 is not a rate of an RTL2832 (225001 to 300000 or 900001 to "
         "3200000)"},
        {{"monitor", "--receiver", "rtltcp:site", "--iq-rate", "300001"},
         "monitor: --iq-rate: 300001 is not a rate of an RTL2832 (225001 to 300000 or 900001 to "
         "3200000)"},
        {{"monitor", "--receiver", "rtltcp:site", "--iq-rate", "225001"}, ""},
        {{"monitor", "--iq-rate", "300000", "--receiver", "rtltcp:site"}, ""},
        {{"monitor", "--receiver", "rtltcp:site", "--iq-rate", "900001"}, ""},
        {{"monitor", "--receiver", "rtltcp:site", "--iq-rate", "3200000"}, ""},
        {{"monitor", "--receiver", "soapy:driver=airspy", "--iq-rate", "500000"}, ""},
        {{"monitor", "--ppm", "-100.5"}, "monitor: --ppm: \"-100.5\" is outside -100 to 100"},
        {{"analyse", "--ppm", "3"}, "analyse: unknown option \"--ppm\""},
        // A mistyped option or command: the nearest of the command's own, when one is close.
        {{"monitor", "--secnods", "3"},
         "monitor: unknown option \"--secnods\"; did you mean \"--seconds\"?"},
        {{"generate", "o", "--statoin", "90:40"},
         "generate: unknown option \"--statoin\"; did you mean \"--stations\"?"},
        {{"monitor", "--quiet", "--log-foldr=logs"},
         "monitor: unknown option \"--log-foldr\"; did you mean \"--log-folder\"?"},
        {{"scan", "-fromm", "90"}, "scan: unknown option \"-fromm\"; did you mean \"--from\"?"},
        {{"setup", "wirte", "a.tvk", "b.json"},
         "setup: unknown command \"wirte\"; did you mean \"write\"?"},
        {{"setup", "list"}, "setup: unknown command \"list\""},
        {{"analyse", "--out", ""}, "analyse: --out: the folder name is empty"},
        {{"analyse", "--start", "2026-06-15 10:00:00"},
         "analyse: --start: \"2026-06-15 10:00:00\" is not a time YYYY-MM-DDTHH:MM:SS (UTC), "
         "with Z or with +HH:MM from UTC, between 1990 and 2099"},
        {{"analyse", "a", "b"}, "analyse: The following argument was not expected: b"},
        {{"scan", "--step", "30"}, "scan: --step: \"30\" is not 25, 50 or 100"},
        {{"scan", "--from", "107.9"}, "scan: --from: \"107.9\" is outside 87.5 to 107.8"},
        {{"scan", "--from", "100.02"}, "scan: --from: 100.02 is not on the 100 kHz grid"},
        {{"scan", "--from", "100", "--to", "99"}, "scan: --to: 99 is not above --from 100"},
        {{"setup"}, "setup: A subcommand is required"},
        {{"setup", "write", "a.tvk"}, "setup write: SETUP.json is required"},
    };
    for (const auto& c : cases) {
        CCommandLine commands;
        EXPECT_EQ(commands.Parse(c.args), c.message) << c.args.back();
    }
}

TEST(CommandLine, TakesTheGeneratorsOptionsAndThoseNoRunExercises) {
    CCommandLine commands;
    // clang-format off
    const Args generate = {"generate", "out", "--seconds", "2.5", "--seed", "42", "--pi", "12aB",
        "--mono", "--af", "88,99.9", "--stations", "90.0:50,100.1:61.5", "--multipath",
        "0,-1e-5,0.003", "--ps", "US$ 1", "--start", "2024-02-29T23:59:30", "--local-offset", "-3",
        "--ta", "1", "--frequency", "106.725"};
    // clang-format on
    ASSERT_EQ(commands.Parse(generate), "");
    const CGeneratorOptions& g = commands.Generate().Options();
    EXPECT_EQ(g.strOutputFolder, "out");
    EXPECT_EQ(g.fSeconds, 2.5);
    EXPECT_EQ(g.nSeed, 42u);
    EXPECT_EQ(g.nPI, 0x12AB);
    EXPECT_TRUE(g.bMono);
    EXPECT_EQ(g.af, (std::vector<double>{88.0, 99.9}));
    ASSERT_EQ(g.stations.size(), 2u);
    EXPECT_EQ(g.stations[1].fLevel, 61.5);
    EXPECT_EQ(g.multipath[1], -1e-5);
    EXPECT_EQ(g.strPS, "US\xAB 1");  // the RDS table's dollar sign
    EXPECT_EQ(g.nStartTime, 1709251170);
    EXPECT_EQ(g.nLocalOffset, -3);
    EXPECT_TRUE(g.bTA);
    EXPECT_EQ(g.fFrequency, 106.725);
    EXPECT_EQ(g.fLevel, 65.0);  // untouched options keep their defaults
    EXPECT_EQ(CGeneratorOptions().nStartTime, 1781517600) << "default matches its text";

    // The other commands' options take effect in their end-to-end tests; these run in none
    // (the analysis's setup only in the report's, which needs the GUI build).
    CCommandLine monitor;
    ASSERT_EQ(monitor.Parse({"monitor", "--frequency", "98.2", "--receiver", "rtltcp:site", "--ppm",
                             "-12.5", "--gain", "20.7", "--full-scale", "90"}),
              "");
    EXPECT_EQ(monitor.Monitor().Options().frequency, 98.2f);
    const auto live = monitor.Monitor().Options().receiver.LiveSettings(98.2);
    ASSERT_TRUE(live.has_value());
    EXPECT_EQ(live->ppm, -12.5);
    EXPECT_EQ(live->gain, 20.7);
    EXPECT_EQ(live->fullScale, 90.0);
    EXPECT_EQ(live->station, 98.2e6);
    CCommandLine analyse;
    ASSERT_EQ(analyse.Parse({"analyse", "rec", "--setup", "s.tvk", "--enable-alarms"}), "");
    EXPECT_EQ(analyse.Analyse().Options().strSetupFile, "s.tvk");
    EXPECT_TRUE(analyse.Analyse().Options().bEnableAlarms);
    EXPECT_FALSE(analyse.Analyse().IsStartGiven());
    ASSERT_EQ(analyse.Parse({"analyse", "--deemphasis", "75", "--silence-db", "-30.5",
                             "--silence-seconds", "3600"}),
              "");
    const CDecoderOverrides& decoder = analyse.Analyse().Options().decoder;
    EXPECT_EQ(decoder.deemphasis, 75);
    EXPECT_EQ(decoder.silenceDb, -30.5f);
    EXPECT_EQ(decoder.silenceSeconds, 3600);
    CCommandLine listen;
    ASSERT_EQ(listen.Parse({"listen", "--receiver", "iq:a.cu8", "--station", "98.5", "--out",
                            "a.wav", "--seconds", "20", "--deemphasis", "75"}),
              "");
    EXPECT_EQ(listen.Listen().Options().station, 98.5);
    EXPECT_EQ(listen.Listen().Options().strOut, "a.wav");
    EXPECT_EQ(listen.Listen().Options().seconds, 20);
    EXPECT_EQ(listen.Listen().Options().decoder.deemphasis, 75);
    // The parameter page's default scan: 206 points.
    EXPECT_EQ(CScanCommand::PointCount(87.5, 108.0, 0.1), 206);
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    const struct {
        Args args;
        const char* starts;
        int code;
    } cases[] = {
        {{"--help"}, "Tavik measures", 0},
        {{"help"}, "Tavik measures", 0},
        {{"help", "scan"}, "scan the band: RF level per frequency\nUsage: tavik scan", 0},
        {{"monitor", "--help"},
         "measure recordings or a live receiver without a display\nUsage: tavik monitor",
         0},
        {{"setup", "write", "--help"}, "check SETUP.json and save it as FILE.tvk\n", 0},
        {{"--version"}, "tavik " TAVIK_VERSION "\n", 0},
    };
    for (const auto& c : cases) {
        CCommandLine commands;
        EXPECT_TRUE(commands.IsCommand(c.args));
        std::ostringstream out, err;
        EXPECT_EQ(commands.Run(c.args, out, err, false), c.code) << c.args.back();
        EXPECT_EQ(out.str().rfind(c.starts, 0), 0u) << out.str();
        EXPECT_EQ(err.str(), "");
    }
    // Everything else is for the graphical application.
    CCommandLine commands;
    for (const Args& gui : {Args{}, Args{"setup.tvk"}, Args{"--start"}, Args{"--start", "a.tvk"}}) {
        EXPECT_FALSE(commands.IsCommand(gui));
    }
    std::ostringstream out, err;
    EXPECT_EQ(commands.Run({"monitor", "--seconds", "x"}, out, err, false), 2);
    EXPECT_EQ(err.str(),
              "monitor: --seconds: \"x\" is not a whole number\n"
              "Run \"tavik monitor --help\" for the options.\n");
}

// A word that is neither a command nor a document file: said first, with the nearest command
// when one is close, before the overview of the commands; exit code 2.
TEST(CommandLine, AMistypedCommandIsNamedBeforeTheHelp) {
    const struct {
        Args args;
        const char* message;  // "" for the window's command lines
    } cases[] = {
        {{"moniter"}, "tavik: unknown command \"moniter\"; did you mean \"monitor\"?"},
        {{"analyze", "demo"}, "tavik: unknown command \"analyze\"; did you mean \"analyse\"?"},
        {{"scna"}, "tavik: unknown command \"scna\"; did you mean \"scan\"?"},
        {{"measure"}, "tavik: unknown command \"measure\""},
        {{"x"}, "tavik: unknown command \"x\""},
        {{"--start", "setup.tvk"}, ""},
        {{"setup.tvk"}, ""},
        {{"--bogus"}, ""},  // an option of the window's: its overview alone
    };
    CCommandLine commands;
    for (const auto& c : cases) {
        EXPECT_EQ(commands.UnknownCommand(c.args), c.message) << c.args.front();
    }
    std::ostringstream out, help;
    EXPECT_EQ(commands.Run({"help", "moniter"}, out, help, false), 2);
    EXPECT_EQ(help.str(), "help: \"moniter\" is not a command; did you mean \"monitor\"?\n");
    CTempFolder folder;
    const test::CShellRun run =
        test::Shell(std::string(TAVIK_EXECUTABLE) + " moniter 2>'" + folder.File("err") + "'");
    EXPECT_EQ(run.exitCode, 2);
    const std::string err = ReadText(folder.File("err"));
    EXPECT_EQ(err.substr(0, err.find('\n')),
              "tavik: unknown command \"moniter\"; did you mean \"monitor\"?");
    EXPECT_TRUE(Has(err, "\nSubcommands:\n")) << err;  // the overview follows
}

// tavik links no Qt: the window's command lines and `report` go to tavik-gui beside it, and
// without one (the package tavik alone) tavik says what is missing, with 2.
TEST(CommandLine, TheWindowAndTheReportAreTavikGuis) {
    CTempFolder folder;
    const std::string lone = folder.File("tavik");
    std::filesystem::copy_file(TAVIK_EXECUTABLE, lone);
    const struct {
        const char* args;
        const char* expected;
    } cases[] = {
        {"",
         "tavik: the application window comes with tavik-gui (package tavik-gui), which is "
         "not installed\n"},
        {"setup.tvk",
         "tavik: the application window comes with tavik-gui (package tavik-gui), "
         "which is not installed\n"},
        {"--start --log-folder logs",
         "tavik: the application window comes with tavik-gui (package tavik-gui), which is not "
         "installed\n"},
        {"report day.xml --out day.pdf",
         "tavik: tavik report comes with tavik-gui (package tavik-gui), which is not installed\n"},
    };
    for (const auto& c : cases) {
        const test::CShellRun run = test::Shell(lone + " " + c.args + " 2>&1");
        EXPECT_EQ(run.exitCode, 2) << c.args;
        EXPECT_EQ(run.out, c.expected) << c.args;
    }
    // Beside tavik-gui, tavik report is tavik-gui's: its own refusal of a missing file.
    std::filesystem::path gui = std::filesystem::path(TAVIK_EXECUTABLE).parent_path() / "tavik-gui";
    if (std::filesystem::exists(gui)) {
        std::filesystem::create_symlink(gui, folder.File("tavik-gui"));
        const test::CShellRun run =
            test::Shell(lone + " report '" + folder.File("none.xml") + "' 2>&1");
        EXPECT_NE(run.exitCode, 0);
        EXPECT_FALSE(Has(run.out, "not installed")) << run.out;
        EXPECT_TRUE(Has(run.out, "none.xml")) << run.out;
    }
}

// The worked example of the README: deviation above 75 kHz and MPX power above 0 dBr.
const char* const kExample = R"({
  "header": {"operator": "J. Smith", "location": "Mast 3 \"north\"", "antenna_a_type": "Omni"},
  "receiver": {"frequency_mhz": 98.2, "antenna": "B"},
  "analysis": {"window_function": "Blackman", "deviation_limit_khz": 75.5, "filter": true,
               "deemphasis_us": 75, "silence_db": -35.5, "silence_seconds": 20},
  "alarms": [
    {"name": "Overmod", "source": "DEVIATION", "relation": ">", "threshold": 75,
     "delay_s": 0, "action": "SET ALARM 1", "acknowledge": "NO"},
    {"name": "Loud", "source": "MPX-POWER", "relation": ">", "threshold": 0.1,
     "delay_s": 90, "action": "LOG ONLY", "acknowledge": "YES"}
  ]
})";

std::string Json(const std::string& text, CTempFolder& folder) {
    std::ofstream(folder.File("setup.json")) << text;
    return folder.File("setup.json");
}

TEST(SetupCommand, WriteShowWriteGivesTheSameBytes) {
    CTempFolder folder;
    std::ostringstream err;
    ASSERT_EQ(CSetupCommand::Write(folder.File("a.tvk"), Json(kExample, folder), err), 0)
        << err.str();
    // What the application reads from it.
    CTAVIKSDIDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(folder.File("a.tvk")));
    const CProtocolHeader& header = doc.GetProtocolHeaderRef();
    EXPECT_EQ(header.m_strings[CProtocolHeader::LOCATION], "Mast 3 \"north\"");
    EXPECT_EQ(header.m_fFrequency, 98.2f);
    EXPECT_EQ(header.m_nAntenna, 0);
    EXPECT_EQ(header.m_nWindowFunction, 2u);
    EXPECT_EQ(header.m_bFilter, 1);
    EXPECT_EQ(header.m_nDeemphasis, 75);
    EXPECT_EQ(header.m_fSilenceDb, -35.5f);
    EXPECT_EQ(header.m_nSilenceSeconds, 20);
    EXPECT_EQ(doc.GetMpxLevels().GetDeemphasis(), 75);
    ASSERT_EQ(doc.GetAlarms().GetCount(), 2u);
    const CAlarmItem& loud = *doc.GetAlarms().GetAt(1).item;
    EXPECT_EQ(loud.m_nSource, ALARM_SOURCE_MPX_POWER);
    EXPECT_EQ(loud.m_fThreshold, 0.1f);
    EXPECT_EQ(loud.m_spanDelay.GetTotalSeconds(), 90);
    EXPECT_EQ(loud.m_bEnabled, 0);  // loaded alarms start disabled

    std::ostringstream shown;
    ASSERT_EQ(CSetupCommand::Show(folder.File("a.tvk"), shown, err), 0) << err.str();
    EXPECT_TRUE(Has(shown.str(), "\"frequency_mhz\": 98.2,"));
    EXPECT_TRUE(Has(shown.str(), "\"threshold\": 0.1,"));
    EXPECT_TRUE(Has(shown.str(), "\"source\": \"MPX_POWER\","));
    EXPECT_TRUE(Has(shown.str(),
                    "\"deemphasis_us\": 75,\n    \"silence_db\": -35.5,\n"
                    "    \"silence_seconds\": 20\n"))
        << shown.str();
    ASSERT_EQ(CSetupCommand::Write(folder.File("b.tvk"), Json(shown.str(), folder), err), 0)
        << err.str();
    EXPECT_EQ(folder.Read("a.tvk"), folder.Read("b.tvk"));

    // A file the application saved comes back byte for byte too.
    CTAVIKSDIDoc saved;
    saved.SetAlarm("Mp",
                   std::make_unique<CAlarmItem>(
                       "Mp", ALARM_SOURCE_MULTIPATH, ALARM_RELATION_GREATER_EQUAL, 1.7f,
                       ALARM_ACTION_OUTPUT_2, COleDateTimeSpan(0, 0, 1, 5), ALARM_ACKNOWLEDGE_NO));
    ASSERT_TRUE(saved.OnSaveDocument(folder.File("c.tvk")));
    std::ostringstream again;
    ASSERT_EQ(CSetupCommand::Show(folder.File("c.tvk"), again, err), 0);
    ASSERT_EQ(CSetupCommand::Write(folder.File("d.tvk"), Json(again.str(), folder), err), 0);
    EXPECT_EQ(folder.Read("c.tvk"), folder.Read("d.tvk"));

    // A file that cannot be read is named.
    std::ostringstream missing;
    EXPECT_EQ(CSetupCommand::Show(folder.File("none.tvk"), again, missing), 1);
    EXPECT_EQ(missing.str(), "setup: \"" + folder.File("none.tvk") +
                                 "\": The file could not be read: No such file or directory\n");
}

// "-" reads the JSON from standard input, whole, and ends: "{}" is the new document's setup.
TEST(SetupCommand, StandardInputIsReadWhole) {
    CTempFolder folder;
    const test::CShellRun run =
        test::Shell("echo '{}' | timeout 10 " + std::string(TAVIK_EXECUTABLE) + " setup write '" +
                    folder.File("stdin.tvk") + "' - 2>&1");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    CTAVIKSDIDoc fresh;
    ASSERT_TRUE(fresh.OnNewDocument());
    ASSERT_TRUE(fresh.OnSaveDocument(folder.File("new.tvk")));
    EXPECT_EQ(folder.Read("stdin.tvk"), folder.Read("new.tvk"));
}

// Negative thresholds and the newer sources go through the file and back: a change needs no
// threshold or relation, `show` names the sources as the alarm list does.
TEST(SetupCommand, NewerSourcesAndNegativeThresholdsRoundTrip) {
    CTempFolder folder;
    std::ostringstream err;
    const char* const json = R"({"alarms": [
      {"name": "Silence", "source": "MPX-POWER", "relation": "<", "threshold": -15, "delay_s": 30},
      {"name": "Carrier", "source": "RF-LEVEL", "relation": "<", "threshold": 20},
      {"name": "Noise", "source": "CN", "relation": "<=", "threshold": -3.5},
      {"name": "Station", "source": "PI-CHANGE", "acknowledge": "NO"},
      {"name": "Rds", "source": "RDS_LOST", "relation": ">=", "threshold": 10}
    ]})";
    ASSERT_EQ(CSetupCommand::Write(folder.File("a.tvk"), Json(json, folder), err), 0) << err.str();
    CTAVIKSDIDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(folder.File("a.tvk")));
    // The older sources come first in the file, the newer ones after the record.
    std::string keys;
    for (const CAlarmMap::Entry& entry : doc.GetAlarms()) {
        keys += entry.key + " ";
    }
    EXPECT_EQ(keys, "Silence Carrier Noise Station Rds ");
    EXPECT_EQ(doc.GetAlarms().Lookup("Silence")->m_fThreshold, -15.0f);
    EXPECT_EQ(doc.GetAlarms().Lookup("Noise")->m_nSource, ALARM_SOURCE_CARRIER_NOISE);
    EXPECT_EQ(doc.GetAlarms().Lookup("Noise")->m_fThreshold, -3.5f);
    EXPECT_EQ(doc.GetAlarms().Lookup("Station")->m_nSource, ALARM_SOURCE_PI_CHANGE);
    std::ostringstream shown;
    ASSERT_EQ(CSetupCommand::Show(folder.File("a.tvk"), shown, err), 0) << err.str();
    for (const char* text :
         {"\"threshold\": -15.0,", "\"source\": \"RFLEVEL\",", "\"unit\": \"dBuV\",",
          "\"threshold\": -3.5,", "\"source\": \"PI_CHANGE\","}) {
        EXPECT_TRUE(Has(shown.str(), text)) << text << "\n" << shown.str();
    }
    ASSERT_EQ(CSetupCommand::Write(folder.File("b.tvk"), Json(shown.str(), folder), err), 0)
        << err.str();
    EXPECT_EQ(folder.Read("a.tvk"), folder.Read("b.tvk"));
}

TEST(SetupCommand, RefusesWithTheFieldAndTheFormsText) {
    const std::string alarm = R"("source": "DEVIATION", "relation": ">", "threshold": 75)";
    const struct {
        std::string json;
        const char* message;
    } cases[] = {
        {R"({"alarms": [{"name": "", )" + alarm + "}]}", "alarms[0].name: Please enter a name."},
        {R"({"alarms": [{"name": "A", "source": "DEVIATION", "relation": ">", "threshold": -1}]})",
         "alarms[0].threshold: Please enter a threshold greater than\nor equal to zero."},
        {R"({"alarms": [{"name": "A", "delay_s": -1, )" + alarm + "}]}",
         "alarms[0].delay_s: Please enter a delay greater than\nor equal to zero."},
        {R"({"alarms": [{"name": "A", )" + alarm + R"(}, {"name": "a", )" + alarm + "}]}",
         "alarms[1].name: \"a\" is already the name of alarms[0] (names are compared ignoring "
         "case)"},
        {R"({"alarms": [{"name": "A", "source": "DEVIATION", "relation": ">", "threshold": 1e39}]})",
         "alarms[0].threshold: The threshold for Deviation must be a number from 0 to 110 kHz."},
        {R"({"alarms": [{"name": "A", "source": "DEVIATION", "relation": ">", "threshold": 120}]})",
         "alarms[0].threshold: The threshold for Deviation must be a number from 0 to 110 kHz."},
        {R"({"alarms": [{"name": "A", "source": "MPX-POWER", "relation": ">", "threshold": 21}]})",
         "alarms[0].threshold: The threshold for MPX power must be a number from -60 to 20 dBr."},
        {R"({"alarms": [{"name": "A", "source": "MPX-POWER", "relation": "<", "threshold": -61}]})",
         "alarms[0].threshold: The threshold for MPX power must be a number from -60 to 20 dBr."},
        {R"({"alarms": [{"name": "A\nB", )" + alarm + "}]}",
         "alarms[0].name: must not hold control characters (a line break, a tab)"},
        {R"({"alarms": [{"name": "A", "delay_s": 9223372036854775808, )" + alarm + "}]}",
         "alarms[0].delay_s: 9223372036854775808 is longer than 2147483647 s"},
        {R"({"alarms": [{"name": "123456789012345678901", )" + alarm + "}]}",
         "alarms[0].name: \"123456789012345678901\" is longer than 20 characters"},
        {R"({"alarms": [{"name": "A", "source": "LEVEL", "relation": ">", "threshold": 1}]})",
         "alarms[0].source: \"LEVEL\" is not \"MPX_POWER\", \"DEVIATION\", \"MULTIPATH\", "
         "\"RFLEVEL\", \"CN\", \"RDS_LOST\", \"PI_CHANGE\", \"PS_CHANGE\", \"PILOT\", "
         "\"RDS_INJECTION\" or \"SILENCE\""},
        {R"({"alarms": [{"name": "A", "source": "RF-LEVEL", "relation": "<", "threshold": -21}]})",
         "alarms[0].threshold: The threshold for RF level must be a number from -20 to 120 "
         "dBuV."},
        {R"({"alarms": [{"name": "A", "source": "RDS_LOST", "threshold": 5}]})",
         "alarms[0].relation: is missing"},
        {R"({"alarms": [{"name": "A", "relation": "!=", "source": "DEVIATION", "threshold": 1}]})",
         "alarms[0].relation: \"!=\" is not \"<\", \"<=\", \"=\", \">\" or \">=\""},
        {R"({"alarms": [{"name": "A", "action": "BEEP", )" + alarm + "}]}",
         "alarms[0].action: \"BEEP\" is not \"SET ALARM 1\", \"SET ALARM 2\" or \"LOG ONLY\""},
        {R"({"alarms": [{"name": "A", "unit": "dBr", )" + alarm + "}]}",
         "alarms[0].unit: the unit of DEVIATION is \"kHz\""},
        {R"({"alarms": [{"name": "A", "delay_s": 1.5, )" + alarm + "}]}",
         "alarms[0].delay_s: must be a whole number of seconds"},
        {R"({"alarms": [{"name": "A", "relation": ">"}]})", "alarms[0].source: is missing"},
        {R"({"alarms": [{"name": "A", "treshold": 1, )" + alarm + "}]}",
         "alarms[0].treshold: is not a setup field"},
        {R"({"receiver": {"frequency_mhz": 110}})",
         "receiver.frequency_mhz: 110 is outside 87.5 to 108 MHz"},
        {R"({"receiver": {"frequency_mhz": 87.51}})",
         "receiver.frequency_mhz: 87.51 is not on the 25 kHz grid (nearest: 87.5)"},
        {R"({"receiver": {"antenna": 1}})", "receiver.antenna: must be a text"},
        {R"({"analysis": {"deviation_limit_khz": 110.5}})",
         "analysis.deviation_limit_khz: 110.5 is outside 0 to 110 kHz"},
        {R"({"analysis": {"window_function": "Hann"}})",
         "analysis.window_function: \"Hann\" is not \"None\", \"Bartlett\" or \"Blackman\""},
        {R"({"analysis": {"filter": 1}})", "analysis.filter: must be true or false"},
        {R"({"analysis": {"deemphasis_us": 60}})",
         "analysis.deemphasis_us: The de-emphasis must be 50 or 75 us."},
        {R"({"analysis": {"deemphasis_us": 50.5}})",
         "analysis.deemphasis_us: must be a whole number"},
        {R"({"analysis": {"silence_db": 0}})",
         "analysis.silence_db: The silence threshold must be a number above -90 and below 0 dB."},
        {R"({"analysis": {"silence_db": -90}})",
         "analysis.silence_db: The silence threshold must be a number above -90 and below 0 dB."},
        {R"({"analysis": {"silence_seconds": 3601}})",
         "analysis.silence_seconds: The silence duration must be a whole number from 1 to 3600 "
         "s."},
        {R"({"analysis": {"silence_seconds": 18446744073709551615}})",
         "analysis.silence_seconds: The silence duration must be a whole number from 1 to 3600 "
         "s."},
        {R"({"analysis": {"silence_seconds": 1, "silence_db": -89.5, "deemphasis_us": 50}})",
         "accepted"},
        {R"({"header": {"operator": 7}})", "header.operator: must be a text"},
        {R"({"alarm": []})", "alarm: is not a setup field"},
    };
    for (const auto& c : cases) {
        CProtocolHeader header;
        CAlarmMap alarms;
        std::string message = "accepted";
        try {
            CSetupJson::FromJson(CJson::parse(c.json), header, alarms);
        } catch (const CSetupError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.json;
    }

    // The command names the file; a refused setup leaves an existing file alone.
    CTempFolder folder;
    std::ofstream(folder.File("keep.tvk")) << "old";
    std::ostringstream err;
    EXPECT_EQ(CSetupCommand::Write(folder.File("keep.tvk"),
                                   Json(R"({"receiver": {"frequency_mhz": 80}})", folder), err),
              1);
    EXPECT_EQ(err.str(), "setup: " + folder.File("setup.json") +
                             ": receiver.frequency_mhz: 80 is outside 87.5 to 108 MHz\n");
    EXPECT_EQ(ReadText(folder.File("keep.tvk")), "old");
    // Only a regular file is replaced: a FIFO or a symbolic link at the path stays as it is.
    ASSERT_EQ(::mkfifo(folder.File("fifo.tvk").c_str(), 0644), 0);
    std::filesystem::create_symlink(folder.File("target.tvk"), folder.File("link.tvk"));
    for (const char* name : {"fifo.tvk", "link.tvk"}) {
        std::ostringstream refused;
        EXPECT_EQ(CSetupCommand::Write(folder.File(name), Json(kExample, folder), refused), 1);
        EXPECT_TRUE(Has(refused.str(), "The file could not be saved: "));
    }
    EXPECT_TRUE(std::filesystem::is_fifo(folder.File("fifo.tvk")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.tvk")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("target.tvk")));
    // Numbers beyond the double range, too many keys and deep nesting are the command's own
    // clear error, found while reading.
    std::string manyKeys = "{";
    for (int i = 0; i < 80000; ++i) {
        manyKeys += (i == 0 ? "\"k" : ",\"k") + std::to_string(i) + "\":0";
    }
    manyKeys += "}";
    for (const auto& [text, reason] : std::initializer_list<std::pair<std::string, const char*>>{
             {R"({"alarms": [{"name": "A", "threshold": 1e400}]})", "number overflow"},
             {manyKeys, "an object of more than 64 members"},
             {std::string(100, '[') + std::string(100, ']'), "nested deeper than 16 levels"}}) {
        std::ostringstream refused;
        EXPECT_EQ(CSetupCommand::Write(folder.File("keep.tvk"), Json(text, folder), refused), 1);
        EXPECT_TRUE(Has(refused.str(), ": not JSON: "));
        EXPECT_TRUE(Has(refused.str(), reason));
    }
    EXPECT_EQ(ReadText(folder.File("keep.tvk")), "old");
    std::ostringstream notJson;
    EXPECT_EQ(CSetupCommand::Write(folder.File("keep.tvk"), Json("{", folder), notJson), 1);
    EXPECT_TRUE(Has(notJson.str(), ": not JSON: "));
}

}  // namespace
}  // namespace tavik
