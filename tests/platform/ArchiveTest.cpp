#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Archive.h"
#include "platform/FileContents.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Thrown.h"

namespace tavik {
namespace {

using test::CByteBuilder;
using test::CTempFolder;

std::vector<std::uint8_t> Stored(const std::string& text) {
    CArchive ar;
    ar.WriteString(text);
    return ar.GetBuffer();
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes, void (*read)(CArchive&)) {
    CArchive ar(bytes.data(), bytes.size());
    return test::Thrown<CArchiveException>([&] { read(ar); });
}

TEST(Archive, PrimitivesAreLittleEndianWithoutPadding) {
    CArchive ar;
    ar.WriteUInt8(0xAB);
    ar.WriteUInt16(0x1234);
    ar.WriteInt32(-2);
    ar.WriteFloat(1.0f);
    ar.WriteDouble(-0.5);
    CByteBuilder bytes;
    bytes.U8(0xAB).U8(0x34).U8(0x12).U32(0xFFFFFFFE).U32(0x3F800000).U32(0).U32(0xBFE00000);
    const std::vector<std::uint8_t> expected = bytes.Bytes();
    EXPECT_EQ(ar.GetBuffer(), expected);

    CArchive in(expected.data(), expected.size());
    EXPECT_EQ(in.ReadUInt8(), 0xAB);
    EXPECT_EQ(in.ReadUInt16(), 0x1234);
    EXPECT_EQ(in.ReadInt32(), -2);
    EXPECT_EQ(in.ReadFloat(), 1.0f);
    EXPECT_EQ(in.ReadDouble(), -0.5);
    EXPECT_EQ(in.GetRemaining(), 0u);
}

TEST(Archive, StringLengthEscapesAtTheirBoundaries) {
    EXPECT_EQ(Stored(""), (std::vector<std::uint8_t>{0}));
    EXPECT_EQ(Stored("ab"), (std::vector<std::uint8_t>{2, 'a', 'b'}));
    // 254 characters still fit the length byte; 255 take the escape and a 16-bit length.
    EXPECT_EQ(Stored(std::string(254, 'x'))[0], 254);
    EXPECT_EQ(Stored(std::string(254, 'x')).size(), 255u);
    using Bytes = std::vector<std::uint8_t>;
    const auto head = [](const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + n); };
    const auto s255 = Stored(std::string(255, 'x'));
    EXPECT_EQ(head(s255, 3), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(s255.size(), 258u);
    // 65 533 is the last 16-bit length; 65 534 would read as the UTF-16 marker.
    EXPECT_EQ(head(Stored(std::string(65533, 'x')), 3), (Bytes{0xFF, 0xFD, 0xFF}));
    const auto s65534 = Stored(std::string(65534, 'x'));
    EXPECT_EQ(head(s65534, 7), (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(s65534.size(), 65534u + 7u);

    for (std::size_t length : {0u, 1u, 254u, 255u, 300u, 65533u, 65534u, 70000u}) {
        const std::string text(length, 'q');
        const auto bytes = Stored(text);
        CArchive in(bytes.data(), bytes.size());
        EXPECT_EQ(in.ReadString(), text) << length;
        EXPECT_EQ(in.GetRemaining(), 0u);
    }
}

TEST(Archive, CountsEscapeTo32Bits) {
    CArchive ar;
    ar.WriteCount(0xFFFE);
    ar.WriteCount(0xFFFF);
    EXPECT_EQ(ar.GetBuffer(), CByteBuilder().U16(0xFFFE).U16(0xFFFF).U32(0xFFFF).Bytes());
    CArchive in(ar.GetBuffer().data(), ar.GetBuffer().size());
    EXPECT_EQ(in.ReadCount(), 0xFFFEu);
    EXPECT_EQ(in.ReadCount(), 0xFFFFu);
}

// `before` followed by a class declaration as the archive writes it: new-class tag, schema,
// name length, name.
CByteBuilder Declared(const std::string& name, std::uint16_t schema = 1, CByteBuilder before = {}) {
    const auto length = static_cast<std::uint16_t>(name.size());
    return before.U16(0xFFFF).U16(schema).U16(length).Chars(name);
}

TEST(Archive, DamagedInputFailsWithAClearMessage) {
    const auto readString = [](CArchive& ar) { ar.ReadString(); };
    const auto readTag = [](CArchive& ar) { ar.ReadClassTag("CAlarmItem", 1); };
    const auto readTwoTags = [](CArchive& ar) {
        ar.ReadClassTag("CAlarmItem", 1);
        ar.ReadClassTag("CAlarmItem", 1);
    };
    const auto readInt = [](CArchive& ar) { ar.ReadInt32(); };
    const std::string garbled = std::string("C\0\xFF", 3) + std::string(42, 'x');
    const struct {
        std::vector<std::uint8_t> bytes;
        void (*read)(CArchive&);
        std::string message;
    } cases[] = {
        {{1, 2, 3}, readInt, "the file ends early: 4 bytes expected, 3 left (at byte 0)"},
        {{}, readString, "the file ends early: 1 bytes expected, 0 left (at byte 0)"},
        {{5, 'a', 'b'},
         readString,
         "the text at byte 0 claims 5 characters but only 2 bytes are left"},
        {{0xFF, 0x2C, 0x01, 'a'},
         readString,
         "the text at byte 0 claims 300 characters but only 1 bytes are left"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2},
         readString,
         "the file ends early: 8 bytes expected, 2 left (at byte 7)"},
        {{0xFF, 0xFE, 0xFF, 0}, readString, "a text in UTF-16 form is not supported (at byte 3)"},
        {CByteBuilder().U16(0x8001).Bytes(), readTag,
         "object tag 0x8001 refers to no known class (at byte 0)"},
        {CByteBuilder().U16(0x0000).Bytes(), readTag, "unexpected object tag 0x0000 (at byte 0)"},
        {CByteBuilder().U16(0x0002).Bytes(), readTag, "unexpected object tag 0x0002 (at byte 0)"},
        {Declared("CObject").Bytes(), readTag, "unexpected object class \"CObject\" (at byte 0)"},
        // Names from the file are shown printable and short, whatever bytes they hold.
        {Declared(garbled).Bytes(), readTag,
         "unexpected object class \"C??" + std::string(37, 'x') + "...\" (at byte 0)"},
        {Declared("CAlarmItem", 2).Bytes(), readTag,
         "object class \"CAlarmItem\" has unsupported schema 2 (at byte 0)"},
        {CByteBuilder().U16(0xFFFF).U16(1).U16(500).Chars("CAlarmItem").Bytes(), readTag,
         "the file ends early: 500 bytes expected, 10 left (at byte 6)"},
        {Declared("CAlarmItem", 1, Declared("CAlarmItem")).Bytes(), readTwoTags,
         "object class \"CAlarmItem\" declared twice (at byte 16)"},
        {Declared("CAlarmItem").U16(0x8002).Bytes(), readTwoTags,
         "object tag 0x8002 refers to no known class (at byte 16)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf(c.bytes, c.read), c.message);
    }
}

TEST(FileContents, ReplaceWritesThroughATemporaryAndKeepsTheOldFileOnFailure) {
    CTempFolder folder;
    const std::string path = folder.File("setup.tvk");
    ASSERT_EQ(ReplaceFileContents(path, {1, 2, 3}), 0);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ReadFileContents(path, bytes, 100), 0);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_EQ(ReplaceFileContents(path, {9}), 0);
    ASSERT_EQ(ReadFileContents(path, bytes, 100), 0);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{9}));

    // The target is a folder: the rename fails, the temporary is removed, nothing else changes.
    const std::string dir = folder.File("sub");
    ASSERT_EQ(ReplaceFileContents(dir + "/x", {1}), ENOENT);
    ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    folder.Write("sub/keep", {7});
    EXPECT_NE(ReplaceFileContents(dir, {1, 2}), 0);
    EXPECT_EQ(folder.Read("sub/keep"), (std::vector<std::uint8_t>{7}));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"setup.tvk", "sub"}));  // no temporary left

    EXPECT_EQ(ReadFileContents(path, bytes, 0), EFBIG);
    EXPECT_EQ(ReadFileContents(folder.File("missing"), bytes, 100), ENOENT);
}

}  // namespace
}  // namespace tavik
