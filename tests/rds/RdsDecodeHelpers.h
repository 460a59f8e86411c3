#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "rds/RDSDecoder.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik::test {

// Decodes the encoder's stream in chunks of `chunkBytes`. A group's last block is examined
// only once at least one further bit has arrived, so streams that must end with a decoded
// group carry a trailing padding byte (AddZeros(8)).
inline void DecodeStream(CRDSDecoder& decoder, const CRdsTestEncoder& encoder,
                         int chunkBytes = 100) {
    const std::vector<std::uint8_t> bytes = encoder.Bytes();
    std::size_t offset = 0;
    do {
        const std::size_t n = std::min<std::size_t>(chunkBytes, bytes.size() - offset);
        decoder.Decode(bytes.data() + offset, static_cast<int>(n));
        offset += n;
    } while (offset < bytes.size());
}

// The station of most tests: PI D313 (Germany, supra-regional), TP set, PTY 10 "Pop Music".
constexpr std::uint16_t kPI = 0xD313;

// Two groups that make the decoder take the station's PI (the first group of a new PI is
// only counted), so the groups after them are not cleared by the PI change.
inline void AddLeadIn(CRdsTestEncoder& encoder) {
    encoder.AddGroup(kPI, 0x5540, 0x0000, 0x0000);  // 5A transparent data, TP, PTY 10
    encoder.AddGroup(kPI, 0x5540, 0x0000, 0x0000);
}

// The PS "TAVIK FM" in four 0A groups: TP, PTY 10, TA 0, music, segments 0-3, no AF.
inline void AddPS(CRdsTestEncoder& encoder) {
    encoder.AddGroup(kPI, 0x0548, 0xCDCD, 0x5441);  // 0A seg 0 "TA", AF fillers
    encoder.AddGroup(kPI, 0x0549, 0xCDCD, 0x5649);  // 0A seg 1 "VI"
    encoder.AddGroup(kPI, 0x054A, 0xCDCD, 0x4B20);  // 0A seg 2 "K "
    encoder.AddGroup(kPI, 0x054B, 0xCDCD, 0x464D);  // 0A seg 3 "FM"
}

// Decodes on with `decoder` the groups that `add` writes to an encoder, and a padding byte.
template <typename Add>
void DecodeMore(CRDSDecoder& decoder, Add add, int chunkBytes = 100) {
    CRdsTestEncoder encoder;
    add(encoder);
    encoder.AddZeros(8);
    DecodeStream(decoder, encoder, chunkBytes);
}

// A fresh decoder after the lead-in, the groups that `add` writes and a padding byte.
template <typename Add>
CRDSDecoder DecodeGroups(Add add, int chunkBytes = 100) {
    CRdsTestEncoder encoder;
    AddLeadIn(encoder);
    add(encoder);
    encoder.AddZeros(8);
    CRDSDecoder decoder;
    DecodeStream(decoder, encoder, chunkBytes);
    return decoder;
}

// The texts of `fields`, each followed by "|".
using Field = std::string CRDSData::*;
inline std::string Fields(const CRDSData& data, const std::vector<Field>& fields) {
    std::string all;
    for (const Field field : fields) {
        all += data.*field + "|";
    }
    return all;
}
using D = CRDSData;  // short for the field lists

}  // namespace tavik::test
