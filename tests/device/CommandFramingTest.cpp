#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device/TavikControl.h"
#include "platform/GenericException.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

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
    float values[4];
    std::memcpy(values, block, sizeof values);
    EXPECT_EQ(values[0], 2.0418300e-07f);
    EXPECT_EQ(values[1], -3.2233900e-05f);
    EXPECT_EQ(values[2], -0.00147089f);
    EXPECT_EQ(values[3], 139.558f);
    EXPECT_EQ(block[0], 0x65);  // little-endian 0x345B3D65
    EXPECT_EQ(block[3], 0x34);
}

}  // namespace
}  // namespace tavik
