#include "device/ReceiverStore.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <nlohmann/json.hpp>

#include "device/ReceiverSources.h"
#include "device/TavikControl.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

TEST(ReceiverStore, KeysNameTheDevice) {
    struct Case {
        const char* receiver;
        const char* key;
    };
    const Case cases[] = {
        {"rtltcp:192.168.1.20:1234", "rtltcp-192.168.1.20-1234"},
        {"rtltcp:site.example.net", "rtltcp-site.example.net-1234"},
        {"soapy:driver=rtlsdr,serial=00000001", "soapy-00000001"},
        {"soapy:serial=ab/12", "soapy-ab_12"},
        {"soapy:driver=airspy", "soapy-driver_airspy"},
        {"soapy:driver=x,noserial=7", "soapy-driver_x_noserial_7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CReceiverStore::KeyOf(c.receiver), c.key) << c.receiver;
    }
}

CTavikControl& Live(CTavikControl& device, const std::string& receiver, const std::string& folder) {
    device.SetLiveSource(CLiveSourceSettings::FromName(receiver), folder);
    return device;
}

// The calibration block that Calibrate writes comes back from the same receiver in a later
// run, and only from that one; a receiver never calibrated reads zeros.
TEST(ReceiverStore, CalibrationTravelsWithTheReceiver) {
    test::CTempFolder folder;
    const std::array<std::uint8_t, 16> block = {0x65, 0x3D, 0x5B, 0x34, 0xE3, 0x32, 0x07, 0xB8,
                                                0xE1, 0xCA, 0xC0, 0xBA, 0xD9, 0x8E, 0x0B, 0x43};
    {
        CTavikControl device;
        EXPECT_TRUE(
            Live(device, "rtltcp:site:1234", folder.Path()).SetEEPROMData(block.data(), 26, 16));
    }
    std::array<std::uint8_t, 16> read{};
    CTavikControl again;
    EXPECT_TRUE(Live(again, "rtltcp:site:1234", folder.Path()).GetEEPROMData(read.data(), 26, 16));
    EXPECT_EQ(read, block);
    CTavikControl other;
    EXPECT_TRUE(Live(other, "rtltcp:site:1235", folder.Path()).GetEEPROMData(read.data(), 26, 16));
    EXPECT_EQ(read, (std::array<std::uint8_t, 16>{}));
    EXPECT_FALSE(other.GetEEPROMData(read.data(), 250, 16));  // beyond the 256 bytes

    // The file: the EEPROM as hex, the block at byte 26.
    std::ifstream in(folder.File("rtltcp-site-1234.json"));
    const nlohmann::json store = nlohmann::json::parse(in);
    EXPECT_EQ(store["eeprom"].get<std::string>().substr(52, 32),
              "653d5b34e33207b8e1cac0bad98e0b43");
}

TEST(ReceiverStore, LevelCalibrationIsKeptAndADamagedFileReadsAsNew) {
    test::CTempFolder folder;
    {
        CReceiverStore store(folder.Path(), "soapy:serial=7");
        EXPECT_FALSE(store.FullScale().has_value());
        EXPECT_TRUE(store.SetFullScale(104.5));
    }
    EXPECT_EQ(CReceiverStore(folder.Path(), "soapy:serial=7").FullScale(), 104.5);
    std::ofstream(folder.File("soapy-7.json")) << "{\"eeprom\": \"zz";
    CReceiverStore damaged(folder.Path(), "soapy:serial=7");
    EXPECT_FALSE(damaged.FullScale().has_value());
    std::array<std::uint8_t, 16> read{};
    EXPECT_TRUE(damaged.Read(read.data(), 26, 16));
    EXPECT_EQ(read, (std::array<std::uint8_t, 16>{}));
}

// The texts the window's receiver setting and --receiver take; anything else names none.
TEST(ReceiverSources, EachSpecNamesItsSourceTunedToTheStation) {
    const struct {
        const char* receiver;
        bool valid;
        const char* iqFile;  // null: no IQ file
        const char* live;    // null: no live source
    } rows[] = {
        {"", true, nullptr, nullptr},
        {"iq:/data/station.sigmf-meta", true, "/data/station.sigmf-meta", nullptr},
        {"rtltcp:127.0.0.1:1234", true, nullptr, "rtltcp:127.0.0.1:1234"},
        {"soapy:driver=rtlsdr", true, nullptr, "soapy:driver=rtlsdr"},
        {"iq:", false, nullptr, nullptr},
        {"rtl_tcp:host", false, nullptr, nullptr},
        {"/data/mpx.dat", false, nullptr, nullptr},
    };
    for (const auto& row : rows) {
        const auto sources = ReceiverSources(row.receiver, 98.2e6);
        ASSERT_EQ(sources.has_value(), row.valid) << row.receiver;
        if (!sources) {
            continue;
        }
        EXPECT_EQ(sources->iq.has_value(), row.iqFile != nullptr) << row.receiver;
        EXPECT_EQ(sources->live.has_value(), row.live != nullptr) << row.receiver;
        if (sources->iq) {
            EXPECT_EQ(sources->iq->strFile, row.iqFile);
            EXPECT_EQ(sources->iq->station, 98.2e6);
        }
        if (sources->live) {
            EXPECT_EQ(sources->live->strName, row.live);
            EXPECT_EQ(sources->live->station, 98.2e6);
        }
    }
}

}  // namespace
}  // namespace tavik
