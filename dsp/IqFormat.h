#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tavik {

// Sample formats of recorded IQ: unsigned 8-bit pairs as rtl_sdr writes them, signed 16-bit
// and 32-bit float pairs, little-endian, I first.
enum class CIqFormat { Cu8, Ci16, Cf32 };

// The SigMF datatype name ("cu8", "ci16_le", "cf32_le"); nullopt for any other.
std::optional<CIqFormat> IqFormatFromDatatype(const std::string& datatype);
// The SigMF datatype name of a format.
const char* IqDatatype(CIqFormat format);
// The extension of a raw file (".cu8", ".cs16", ".cf32"); nullopt for any other.
std::optional<CIqFormat> IqFormatFromExtension(const std::string& extension);
std::size_t IqSampleBytes(CIqFormat format);

// `count` samples of `bytes` to complex floats with full scale 1.0.
void ConvertIq(CIqFormat format, const std::uint8_t* bytes, std::size_t count,
               std::complex<float>* out);
// The reverse, rounding and clipping to the format's range.
void EncodeIq(CIqFormat format, const std::complex<float>* in, std::size_t count,
              std::uint8_t* bytes);

}  // namespace tavik
