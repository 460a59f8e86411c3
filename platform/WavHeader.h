#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace tavik {

// The 44-byte header of a 16-bit PCM WAV file with `channels` channels at `rate` frames per
// second and `dataBytes` bytes of samples; kWavUnknownSize (a stream whose length is not known
// yet) gives the unknown size in the RIFF chunk too.
inline constexpr std::uint32_t kWavUnknownSize = 0xFFFFFFFF;
inline constexpr std::size_t kWavHeaderBytes = 44;

inline std::array<std::uint8_t, kWavHeaderBytes> WavHeader(std::uint16_t channels,
                                                           std::uint32_t rate,
                                                           std::uint32_t dataBytes) {
    std::array<std::uint8_t, kWavHeaderBytes> h{};
    const auto put = [&h](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            h[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    const std::uint32_t frame = 2u * channels;
    std::memcpy(h.data(), "RIFF", 4);
    put(4, dataBytes == kWavUnknownSize ? kWavUnknownSize : dataBytes + 36, 4);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    put(16, 16, 4);  // the format chunk's size
    put(20, 1, 2);   // PCM
    put(22, channels, 2);
    put(24, rate, 4);
    put(28, rate * frame, 4);  // bytes per second
    put(32, frame, 2);         // bytes per frame
    put(34, 16, 2);            // bits per sample
    std::memcpy(&h[36], "data", 4);
    put(40, dataBytes, 4);
    return h;
}

}  // namespace tavik
