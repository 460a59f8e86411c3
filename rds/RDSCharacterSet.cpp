#include "rds/RDSCharacterSet.h"

#include <array>

namespace tavik {

namespace {

// The basic code table from 0x80 to 0xFE (0xFF is empty).
constexpr std::array<char32_t, 127> kUpperHalf = {
    // 0x80: a-acute a-grave e-acute e-grave i-acute i-grave o-acute o-grave u-acute u-grave
    // N-tilde C-cedilla S-cedilla sharp-s inverted-! IJ
    0x00E1,
    0x00E0,
    0x00E9,
    0x00E8,
    0x00ED,
    0x00EC,
    0x00F3,
    0x00F2,  //
    0x00FA,
    0x00F9,
    0x00D1,
    0x00C7,
    0x015E,
    0x00DF,
    0x00A1,
    0x0132,  //
    // 0x90: circumflexes and diaereses, n-tilde c-cedilla s-cedilla g-breve dotless-i ij
    0x00E2,
    0x00E4,
    0x00EA,
    0x00EB,
    0x00EE,
    0x00EF,
    0x00F4,
    0x00F6,  //
    0x00FB,
    0x00FC,
    0x00F1,
    0x00E7,
    0x015F,
    0x011F,
    0x0131,
    0x0133,  //
    // 0xA0: ordinal-a alpha copyright per-mille G-breve e-caron n-caron o-double-acute pi
    // euro pound dollar and the four arrows
    0x00AA,
    0x03B1,
    0x00A9,
    0x2030,
    0x011E,
    0x011B,
    0x0148,
    0x0151,  //
    0x03C0,
    0x20AC,
    0x00A3,
    0x0024,
    0x2190,
    0x2191,
    0x2192,
    0x2193,  //
    // 0xB0: ordinal-o superscripts 1-3 plus-minus I-dot n-acute u-double-acute micro
    // inverted-? division degree fractions section
    0x00BA,
    0x00B9,
    0x00B2,
    0x00B3,
    0x00B1,
    0x0130,
    0x0144,
    0x0171,  //
    0x00B5,
    0x00BF,
    0x00F7,
    0x00B0,
    0x00BC,
    0x00BD,
    0x00BE,
    0x00A7,  //
    // 0xC0: capitals with acute and grave, R-caron C-caron S-caron Z-caron Eth L-middle-dot
    0x00C1,
    0x00C0,
    0x00C9,
    0x00C8,
    0x00CD,
    0x00CC,
    0x00D3,
    0x00D2,  //
    0x00DA,
    0x00D9,
    0x0158,
    0x010C,
    0x0160,
    0x017D,
    0x00D0,
    0x013F,  //
    // 0xD0: capitals with circumflex and diaeresis, r-caron c-caron s-caron z-caron d-stroke
    // l-middle-dot
    0x00C2,
    0x00C4,
    0x00CA,
    0x00CB,
    0x00CE,
    0x00CF,
    0x00D4,
    0x00D6,  //
    0x00DB,
    0x00DC,
    0x0159,
    0x010D,
    0x0161,
    0x017E,
    0x0111,
    0x0140,  //
    // 0xE0: A-tilde A-ring AE OE y-circumflex Y-acute O-tilde O-stroke Thorn Eng R-acute
    // C-acute S-acute Z-acute T-stroke eth
    0x00C3,
    0x00C5,
    0x00C6,
    0x0152,
    0x0177,
    0x00DD,
    0x00D5,
    0x00D8,  //
    0x00DE,
    0x014A,
    0x0154,
    0x0106,
    0x015A,
    0x0179,
    0x0166,
    0x00F0,  //
    // 0xF0: the small letters of the row above, w-circumflex in place of y-circumflex
    0x00E3,
    0x00E5,
    0x00E6,
    0x0153,
    0x0175,
    0x00FD,
    0x00F5,
    0x00F8,  //
    0x00FE,
    0x014B,
    0x0155,
    0x0107,
    0x015B,
    0x017A,
    0x0167,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

char32_t CRDSCharacterSet::ToUnicode(std::uint8_t byte) {
    // The lower half is ASCII but for four characters.
    switch (byte) {
        case 0x24:
            return 0x00A4;  // currency sign; the dollar is 0xAB
        case 0x5E:
            return 0x2015;  // horizontal bar
        case 0x60:
            return 0x2016;  // double vertical line
        case 0x7E:
            return 0x00AF;  // overline
        case 0xFF:
            return 0xFFFD;
        default:
            return byte < 0x80 ? char32_t{byte} : kUpperHalf[byte - 0x80];
    }
}

std::string CRDSCharacterSet::ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        AppendUtf8(out, ToUnicode(static_cast<std::uint8_t>(c)));
    }
    return out;
}

}  // namespace tavik
