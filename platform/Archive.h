#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavik {

// A file in the archive encoding that cannot be read: the text says what was wrong and where.
class CArchiveException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Binary archive in the document-file encoding: little-endian, no padding, strings with a length
// byte (0xFF escapes to 16-bit and 32-bit lengths), counts with a 16-bit word (0xFFFF escapes
// to 32 bits), objects with a class tag (0xFFFF, schema and class name the first time, then
// 0x8000 plus the class's index). A storing archive collects bytes in memory; a loading archive
// reads from bytes the caller keeps alive, checks every length against the bytes left and
// throws CArchiveException instead of reading past the end.
class CArchive {
public:
    CArchive();                                            // storing
    CArchive(const std::uint8_t* data, std::size_t size);  // loading

    bool IsStoring() const { return m_bStoring; }
    bool IsLoading() const { return !m_bStoring; }
    const std::vector<std::uint8_t>& GetBuffer() const { return m_buffer; }
    std::size_t GetPosition() const { return m_nPosition; }
    std::size_t GetRemaining() const { return m_nSize - m_nPosition; }

    void WriteUInt8(std::uint8_t value);
    void WriteUInt16(std::uint16_t value);
    void WriteUInt32(std::uint32_t value);
    void WriteInt32(std::int32_t value) { WriteUInt32(static_cast<std::uint32_t>(value)); }
    void WriteFloat(float value);
    void WriteDouble(double value);
    void WriteString(const std::string& text);
    void WriteCount(std::uint64_t count);
    // Class tag of the next object of class `className` with `schema`.
    void WriteClassTag(const std::string& className, std::uint16_t schema);

    std::uint8_t ReadUInt8();
    std::uint16_t ReadUInt16();
    std::uint32_t ReadUInt32();
    std::int32_t ReadInt32() { return static_cast<std::int32_t>(ReadUInt32()); }
    float ReadFloat();
    double ReadDouble();
    std::string ReadString();
    std::uint64_t ReadCount();
    // Reads the tag of the next object and checks that it names `className` with `schema`.
    void ReadClassTag(const std::string& className, std::uint16_t schema);

    // Throws CArchiveException with `what` and the current offset.
    [[noreturn]] void Fail(const std::string& what) const;

private:
    static constexpr std::uint16_t kNewClassTag = 0xFFFF;
    static constexpr std::uint16_t kClassTag = 0x8000;

    void Need(std::size_t bytes) const;
    std::uint64_t ReadLittleEndian(std::size_t bytes);
    void WriteLittleEndian(std::uint64_t value, std::size_t bytes);

    bool m_bStoring;
    std::vector<std::uint8_t> m_buffer;
    const std::uint8_t* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nPosition = 0;
    struct ClassEntry {
        std::string name;
        std::uint32_t index;  // the number later objects of the class refer to
    };
    const ClassEntry* FindClass(const std::string& name) const;

    // Classes met so far. Every class and every object takes the next index (0 is the null
    // reference), so the first class is 1 and its later objects carry 0x8001.
    std::vector<ClassEntry> m_classes;
    std::uint32_t m_nMapCount = 1;
};

}  // namespace tavik
