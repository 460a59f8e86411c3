// The device's pieces besides playback: the block hand-over between the transfer and the
// reader, the command framing, the receiver's store and the receiver names.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "device/BlockExchange.h"
#include "device/PlaybackCalibration.h"
#include "device/ReceiverSources.h"
#include "device/ReceiverStore.h"
#include "device/TavikControl.h"
#include "platform/GenericException.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

struct Block {
    int value = 0;
};

// Stops the reader once, right after it picked a half, until the test has played the writer's
// moves; the reader runs on its own thread, the writer on the test's.
struct CPausingProbe {
    std::promise<void> picked;
    std::promise<void> resume;
    bool bPaused = false;
    void HalfPicked() {
        if (!bPaused) {
            bPaused = true;
            picked.set_value();
            resume.get_future().wait();
        }
    }
};

using Exchange = CBlockExchange<Block, CPausingProbe>;

bool Write(Exchange& exchange, int value, bool end = true) {
    Block* half = exchange.BeginWrite();
    if (half == nullptr) {
        return false;
    }
    half->value = value;
    if (end) {
        exchange.EndWrite(true);
    }
    return true;
}

// The reader picked the half of block 1; the writer moves on before the reader claims it. The
// reader must copy the newest completed block, never an overtaken or half-written one.
TEST(BlockExchange, ReaderOvertakenAfterPickingCopiesTheNewestBlock) {
    const struct {
        const char* name;
        std::function<void(Exchange&)> writerMoves;
    } cases[] = {
        {"block 2 completed", [](Exchange& e) { EXPECT_TRUE(Write(e, 2)); }},
        {"block 2 completed, block 3 begun in the picked half",
         [](Exchange& e) {
             EXPECT_TRUE(Write(e, 2));
             EXPECT_TRUE(Write(e, 3, false));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Exchange exchange(EDropKind::SampleBlock);
        ASSERT_TRUE(Write(exchange, 1));
        CPausingProbe& probe = exchange.GetProbe();
        int copied = 0;
        std::thread reader([&] { exchange.Read([&](const Block& b) { copied = b.value; }); });
        probe.picked.get_future().wait();
        c.writerMoves(exchange);
        probe.resume.set_value();
        reader.join();
        EXPECT_EQ(copied, 2);
    }
}

// While the reader copies the newest half, the writer fills the other one, then finds the
// half it wants next still held: that block is dropped and counted, the copy stays whole.
TEST(BlockExchange, WriterDropsAndCountsTheBlockForAHeldHalf) {
    Exchange exchange(EDropKind::RdsBlock);
    exchange.GetProbe().bPaused = true;  // no pause at the pick
    ASSERT_TRUE(Write(exchange, 1));
    std::promise<void> copying;
    std::promise<void> finish;
    int copied = 0;
    std::thread reader([&] {
        exchange.Read([&](const Block& b) {
            copying.set_value();
            finish.get_future().wait();
            copied = b.value;
        });
    });
    copying.get_future().wait();
    const CDropCounts before = CDropCounters::Instance().Read();
    EXPECT_TRUE(Write(exchange, 2));   // the other half
    EXPECT_FALSE(Write(exchange, 3));  // the held half: dropped
    const CDropCounts drops = CDropCounters::Instance().Read() - before;
    finish.set_value();
    reader.join();
    EXPECT_EQ(copied, 1);
    EXPECT_EQ(drops[EDropKind::RdsBlock], 1u);
    EXPECT_EQ(drops.Total(), 1u);
}

// Records bulk writes and answers bulk reads from a script.
class CFakeLink : public CReceiverLink {
public:
    bool BulkWrite(std::uint32_t pipe, const std::uint8_t* data, std::size_t length) override {
        writes.push_back({pipe, std::vector<std::uint8_t>(data, data + length)});
        return writeOk;
    }
    bool BulkRead(std::uint32_t pipe, std::uint8_t* data, std::size_t length) override {
        readPipes.push_back(pipe);
        if (!readOk) {
            return false;
        }
        for (std::size_t i = 0; i < length; ++i) {
            data[i] = i < answer.size() ? answer[i] : 0;
        }
        return true;
    }
    struct Write {
        std::uint32_t pipe;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Write> writes;
    std::vector<std::uint32_t> readPipes;
    std::vector<std::uint8_t> answer{0x00, 0x00};
    bool writeOk = true;
    bool readOk = true;
};

std::string TransmitError(CTavikControl& device) {
    return test::Thrown<CTavikControlException>([&] { device.TransmitToEZUSB(); });
}

TEST(CommandFraming, BufferHoldsSixtyFourBytes) {
    CTavikControl device;
    for (int i = 0; i < 64; ++i) {
        ASSERT_TRUE(device.AddCommandByte(static_cast<std::uint8_t>(i)));
    }
    EXPECT_FALSE(device.AddCommandByte(0xAA));
    EXPECT_EQ(device.GetCommandLength(), 64);
    EXPECT_EQ(device.GetCommand()[63], 63);
    device.ResetCommand();
    EXPECT_EQ(device.GetCommandLength(), 0);
}

TEST(CommandFraming, TransmitWritesPipeTwoReadsPipeOneAndChecksTheAnswer) {
    CFakeLink link;
    CTavikControl device;
    device.SetLink(&link);
    device.AddCommandByte(0x42);
    device.AddCommandByte(0x07);
    EXPECT_TRUE(device.TransmitToEZUSB());
    ASSERT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(link.writes[0].pipe, 2u);
    EXPECT_EQ(link.writes[0].bytes, (std::vector<std::uint8_t>{0x42, 0x07}));
    EXPECT_EQ(link.readPipes, std::vector<std::uint32_t>{1u});
    EXPECT_EQ(device.GetCommandLength(), 0);

    link.answer = {0xFF, 0x07};
    device.AddCommandByte(0x07);
    EXPECT_EQ(TransmitError(device), "TransmitToEZUSB: Command 7 not supported!\n");

    link.answer = {0xFE, 0x07};  // only 0xFF rejects
    EXPECT_TRUE(device.TransmitToEZUSB());

    link.readOk = false;
    EXPECT_EQ(TransmitError(device), "TransmitToEZUSB: No answer from hardware\n");
    link.writeOk = false;
    EXPECT_EQ(TransmitError(device), "TransmitToEZUSB: Could not send command\n");
}

TEST(Playback, OperationsSucceedWithoutEffectAndCalibrationIsFixed) {
    CTavikControl device;
    EXPECT_TRUE(device.SetTunerFrequency(98.4f));
    EXPECT_FLOAT_EQ(device.GetTunerFrequency(), 98.4f);
    EXPECT_TRUE(device.SetAntenna(0));
    EXPECT_TRUE(device.SetAlarmOutput(ALARM_OUTPUT_ALL, false));
    EXPECT_TRUE(device.IsRemoteState());
    EXPECT_TRUE(device.ConfigureHardware(1, 4));
    EXPECT_FALSE(device.StopTransfer());

    std::uint8_t block[16];
    ASSERT_TRUE(device.GetEEPROMData(block, 26, 16));
    const std::array<float, 4> calibration = PlaybackCalibrationValues();
    EXPECT_EQ(std::memcmp(block, calibration.data(), sizeof block), 0);
    EXPECT_EQ(block[0], 0x65);  // little-endian floats: the first is 0x345B3D65
    EXPECT_EQ(block[3], 0x34);
}

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

// The level calibration and the frequency correction are kept beside the EEPROM, each in its
// own key; a damaged file reads as a receiver never calibrated.
TEST(ReceiverStore, LevelCalibrationAndPpmAreKeptAndADamagedFileReadsAsNew) {
    test::CTempFolder folder;
    {
        CReceiverStore store(folder.Path(), "soapy:serial=7");
        EXPECT_FALSE(store.FullScale().has_value());
        EXPECT_FALSE(store.Ppm().has_value());
        EXPECT_TRUE(store.SetFullScale(104.5));
        EXPECT_TRUE(store.SetPpm(-1.25));
    }
    const CReceiverStore kept(folder.Path(), "soapy:serial=7");
    EXPECT_EQ(kept.FullScale(), 104.5);
    EXPECT_EQ(kept.Ppm(), -1.25);
    std::ifstream in(folder.File("soapy-7.json"));
    const nlohmann::json file = nlohmann::json::parse(in);
    EXPECT_EQ(file["full_scale_dbuv"], 104.5);
    EXPECT_EQ(file["ppm"], -1.25);
    std::ofstream(folder.File("soapy-7.json")) << "{\"eeprom\": \"zz";
    CReceiverStore damaged(folder.Path(), "soapy:serial=7");
    EXPECT_FALSE(damaged.FullScale().has_value());
    EXPECT_FALSE(damaged.Ppm().has_value());
    std::array<std::uint8_t, 16> read{};
    EXPECT_TRUE(damaged.Read(read.data(), 26, 16));
    EXPECT_EQ(read, (std::array<std::uint8_t, 16>{}));
}

// The texts the window's receiver setting and --receiver take; anything else names none.
TEST(ReceiverSources, EachTextNamesItsSourceTunedToTheStation) {
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

// The command line's gain, calibration and correction go to whichever receiver is used: all
// three to a live one, the calibration to an IQ recording; what was not given stays.
TEST(ReceiverSources, AdjustmentsSetWhatWasGiven) {
    CReceiverSources live = *ReceiverSources("rtltcp:site", std::nullopt);
    live.live->gain = 9.0;
    CReceiverAdjustments{std::nullopt, 90.0, -1.5}.ApplyTo(live);
    EXPECT_EQ(live.live->gain, 9.0);
    EXPECT_EQ(live.live->fullScale, 90.0);
    EXPECT_EQ(live.live->ppm, -1.5);
    CReceiverAdjustments{20.7, std::nullopt, std::nullopt}.ApplyTo(live);
    EXPECT_EQ(live.live->gain, 20.7);
    EXPECT_EQ(live.live->fullScale, 90.0);
    CReceiverSources iq = *ReceiverSources("iq:a.sigmf-meta", std::nullopt);
    CReceiverAdjustments{20.7, 90.0, -1.5}.ApplyTo(iq);
    EXPECT_EQ(iq.iq->fullScale, 90.0);
    EXPECT_FALSE(iq.live.has_value());
    CReceiverSources recordings = *ReceiverSources("", std::nullopt);
    CReceiverAdjustments{20.7, 90.0, -1.5}.ApplyTo(recordings);
    EXPECT_FALSE(recordings.iq || recordings.live);
}

}  // namespace
}  // namespace tavik
