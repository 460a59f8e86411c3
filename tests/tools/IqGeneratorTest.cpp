#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/TempFolder.h"
#include "tools/GenerateCommand.h"

namespace tavik {
namespace {

using test::CTempFolder;

int Generate(std::vector<std::string> args, std::string& err) {
    CLI::App app;
    CGenerateCommand generate(app);
    args.insert(args.begin(), "generate");
    std::reverse(args.begin(), args.end());
    try {
        app.parse(args);
    } catch (const CLI::ParseError& e) {
        err = e.what();
        return 2;
    }
    std::ostringstream out, errors;
    const int code = generate.Run(out, errors);
    err = errors.str();
    return code;
}

// The SigMF pair: its metadata keys and the data's length, one IQ sample per 1/rate s for the
// programme and the 6.25 ms of carrier around it (a lead-in for the receiver to settle, a tail
// for its delay).
TEST(IqGenerator, WritesSigMFWithTheStationOffCentre) {
    struct Case {
        const char* datatype;
        const char* rate;
        std::size_t bytes;
        const char* written;
        double centre;
    };
    const Case cases[] = {
        {"cu8", "1200000", 2 * 127500, "cu8", 106.45e6},
        {"ci16", "2400000", 4 * 255000, "ci16_le", 106.45e6},
        {"cf32", "400000", 8 * 42500, "cf32_le", 106.7e6},  // no room beside the centre
    };
    for (const Case& c : cases) {
        CTempFolder folder;
        std::string err;
        ASSERT_EQ(Generate({folder.Path(), "--seconds", "0.1", "--iq", c.datatype, "--iq-rate",
                            c.rate, "--cn", "40", "--echo", "8,-6"},
                           err),
                  0)
            << err;
        EXPECT_EQ(folder.Read("station.sigmf-data").size(), c.bytes) << c.datatype;
        const auto text = folder.Read("station.sigmf-meta");
        const auto meta = nlohmann::json::parse(text.begin(), text.end());
        EXPECT_EQ(meta["global"]["core:datatype"], c.written);
        EXPECT_EQ(meta["global"]["core:sample_rate"], std::stod(c.rate));
        EXPECT_EQ(meta["global"]["tavik:full_scale_dbuv"], 77.0);  // 65 dBuV 12 dB below
        EXPECT_EQ(meta["captures"][0]["core:frequency"], c.centre) << c.datatype;
    }
}

TEST(IqGenerator, RefusesWhatTheReceiverCannotTake) {
    CTempFolder folder;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--iq", "cs8"}, "--iq: \"cs8\" is none of cu8, ci16, cf32"},
        {{"--iq", "cu8", "--iq-rate", "300000"},
         "--iq-rate: \"300000\" is outside 400000 to 10000000"},
        {{"--iq", "cu8", "--iq-rate", "1234567"},
         "--iq-rate: \"1234567\" cannot be resampled to 400000 Hz (use a rate such as 1200000, "
         "2048000 or 2400000)"},
        {{"--echo", "8"}, "--echo: \"8\" is not DELAY_US,REL_DB"},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> args = options;
        args.insert(args.begin(), folder.Path());
        std::string err;
        EXPECT_EQ(Generate(args, err), 2) << message;
        EXPECT_EQ(err, message);
    }
}

}  // namespace
}  // namespace tavik
