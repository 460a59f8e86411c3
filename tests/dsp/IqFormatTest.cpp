#include "dsp/IqFormat.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavik {
namespace {

TEST(IqFormat, NamesOfSigMFAndRawFiles) {
    EXPECT_EQ(IqFormatFromDatatype("cu8"), CIqFormat::Cu8);
    EXPECT_EQ(IqFormatFromDatatype("ci16_le"), CIqFormat::Ci16);
    EXPECT_EQ(IqFormatFromDatatype("cf32_le"), CIqFormat::Cf32);
    for (const char* other : {"ci16_be", "cf32", "ri16_le", "cu16_le", ""}) {
        EXPECT_FALSE(IqFormatFromDatatype(other).has_value()) << other;
    }
    EXPECT_EQ(IqFormatFromExtension(".cu8"), CIqFormat::Cu8);
    EXPECT_EQ(IqFormatFromExtension(".cs16"), CIqFormat::Ci16);
    EXPECT_EQ(IqFormatFromExtension(".cf32"), CIqFormat::Cf32);
    EXPECT_FALSE(IqFormatFromExtension(".wav").has_value());
    EXPECT_STREQ(IqDatatype(CIqFormat::Ci16), "ci16_le");
}

// Byte layouts: I first, little-endian; rtl_sdr's bytes centre on 127.5.
TEST(IqFormat, ByteLayouts) {
    struct Case {
        CIqFormat format;
        std::vector<std::uint8_t> bytes;
        std::complex<float> value;
    };
    const Case cases[] = {
        {CIqFormat::Cu8, {255, 0}, {1.0f, -1.0f}},
        {CIqFormat::Cu8, {128, 127}, {0.5f / 127.5f, -0.5f / 127.5f}},
        {CIqFormat::Ci16, {0x00, 0x40, 0x00, 0x80}, {0.5f, -1.0f}},
        {CIqFormat::Cf32, {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xBF}, {1.0f, -0.5f}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.bytes.size(), IqSampleBytes(c.format));
        std::complex<float> value;
        ConvertIq(c.format, c.bytes.data(), 1, &value);
        EXPECT_FLOAT_EQ(value.real(), c.value.real()) << IqDatatype(c.format);
        EXPECT_FLOAT_EQ(value.imag(), c.value.imag()) << IqDatatype(c.format);
        std::vector<std::uint8_t> encoded(c.bytes.size());
        EncodeIq(c.format, &c.value, 1, encoded.data());
        EXPECT_EQ(encoded, c.bytes) << IqDatatype(c.format);
    }
    // Beyond full scale the integer formats clip.
    const std::complex<float> loud{2.0f, -2.0f};
    std::uint8_t bytes[4];
    EncodeIq(CIqFormat::Ci16, &loud, 1, bytes);
    EXPECT_EQ(bytes[1], 0x7F);
    EXPECT_EQ(bytes[3], 0x80);
}

}  // namespace
}  // namespace tavik
