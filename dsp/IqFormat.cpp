#include "dsp/IqFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace tavik {

namespace {

// rtl_sdr's unsigned bytes centre on 127.5.
constexpr float kU8Centre = 127.5f;

float Clip(float v, float lo, float hi) {
    return std::min(hi, std::max(lo, v));
}

std::uint8_t EncodeU8(float v) {
    return static_cast<std::uint8_t>(std::lround(Clip(v * kU8Centre + kU8Centre, 0.0f, 255.0f)));
}

void PutI16(std::uint8_t* p, float v) {
    const auto s = static_cast<std::int16_t>(std::lround(Clip(v * 32768.0f, -32768.0f, 32767.0f)));
    const auto u = static_cast<std::uint16_t>(s);
    p[0] = static_cast<std::uint8_t>(u & 0xFF);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}

float GetI16(const std::uint8_t* p) {
    return static_cast<float>(static_cast<std::int16_t>(p[0] | p[1] << 8)) / 32768.0f;
}

void PutF32(std::uint8_t* p, float v) {
    const auto u = std::bit_cast<std::uint32_t>(v);
    for (int b = 0; b < 4; ++b) {
        p[b] = static_cast<std::uint8_t>(u >> (8 * b));
    }
}

float GetF32(const std::uint8_t* p) {
    const std::uint32_t u = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    return std::bit_cast<float>(u);
}

}  // namespace

std::optional<CIqFormat> IqFormatFromDatatype(const std::string& datatype) {
    if (datatype == "cu8") {
        return CIqFormat::Cu8;
    }
    if (datatype == "ci16_le") {
        return CIqFormat::Ci16;
    }
    if (datatype == "cf32_le") {
        return CIqFormat::Cf32;
    }
    return std::nullopt;
}

const char* IqDatatype(CIqFormat format) {
    switch (format) {
        case CIqFormat::Cu8:
            return "cu8";
        case CIqFormat::Ci16:
            return "ci16_le";
        case CIqFormat::Cf32:
            return "cf32_le";
    }
    return "";
}

std::optional<CIqFormat> IqFormatFromExtension(const std::string& extension) {
    if (extension == ".cu8") {
        return CIqFormat::Cu8;
    }
    if (extension == ".cs16") {
        return CIqFormat::Ci16;
    }
    if (extension == ".cf32") {
        return CIqFormat::Cf32;
    }
    return std::nullopt;
}

std::size_t IqSampleBytes(CIqFormat format) {
    switch (format) {
        case CIqFormat::Cu8:
            return 2;
        case CIqFormat::Ci16:
            return 4;
        case CIqFormat::Cf32:
            return 8;
    }
    return 0;
}

void ConvertIq(CIqFormat format, const std::uint8_t* bytes, std::size_t count,
               std::complex<float>* out) {
    switch (format) {
        case CIqFormat::Cu8: {
            // The 256 values worked out once: a look-up costs a fraction of the division.
            static const std::array<float, 256> kValues = [] {
                std::array<float, 256> values{};
                for (std::size_t b = 0; b < values.size(); ++b) {
                    values[b] = (static_cast<float>(b) - kU8Centre) / kU8Centre;
                }
                return values;
            }();
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = {kValues[bytes[2 * i]], kValues[bytes[2 * i + 1]]};
            }
            break;
        }
        case CIqFormat::Ci16:
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = {GetI16(bytes + 4 * i), GetI16(bytes + 4 * i + 2)};
            }
            break;
        case CIqFormat::Cf32:
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = {GetF32(bytes + 8 * i), GetF32(bytes + 8 * i + 4)};
            }
            break;
    }
}

void EncodeIq(CIqFormat format, const std::complex<float>* in, std::size_t count,
              std::uint8_t* bytes) {
    for (std::size_t i = 0; i < count; ++i) {
        switch (format) {
            case CIqFormat::Cu8:
                bytes[2 * i] = EncodeU8(in[i].real());
                bytes[2 * i + 1] = EncodeU8(in[i].imag());
                break;
            case CIqFormat::Ci16:
                PutI16(bytes + 4 * i, in[i].real());
                PutI16(bytes + 4 * i + 2, in[i].imag());
                break;
            case CIqFormat::Cf32:
                PutF32(bytes + 8 * i, in[i].real());
                PutF32(bytes + 8 * i + 4, in[i].imag());
                break;
        }
    }
}

}  // namespace tavik
