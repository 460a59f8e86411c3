#include "platform/Archive.h"

#include <bit>
#include <cstdio>

namespace tavik {
namespace {

std::string Hex16(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// A class name from the file as it may appear in a message: printable ASCII, at most 40
// characters (a damaged file can put anything there, a zero byte included).
std::string Printable(const std::string& name) {
    std::string text;
    for (const char c : name.substr(0, 40)) {
        text += c >= 0x20 && c < 0x7F ? c : '?';
    }
    return name.size() > 40 ? text + "..." : text;
}

}  // namespace

CArchive::CArchive() : m_bStoring(true) {}

CArchive::CArchive(const std::uint8_t* data, std::size_t size)
    : m_bStoring(false), m_pData(data), m_nSize(data != nullptr ? size : 0) {}

void CArchive::Fail(const std::string& what) const {
    throw CArchiveException(what + " (at byte " + std::to_string(m_nPosition) + ")");
}

void CArchive::Need(std::size_t bytes) const {
    if (bytes > GetRemaining()) {
        Fail("the file ends early: " + std::to_string(bytes) + " bytes expected, " +
             std::to_string(GetRemaining()) + " left");
    }
}

std::uint64_t CArchive::ReadLittleEndian(std::size_t bytes) {
    Need(bytes);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(m_pData[m_nPosition + i]) << (8 * i);
    }
    m_nPosition += bytes;
    return value;
}

void CArchive::WriteLittleEndian(std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        m_buffer.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void CArchive::WriteUInt8(std::uint8_t value) {
    WriteLittleEndian(value, 1);
}

void CArchive::WriteUInt16(std::uint16_t value) {
    WriteLittleEndian(value, 2);
}

void CArchive::WriteUInt32(std::uint32_t value) {
    WriteLittleEndian(value, 4);
}

void CArchive::WriteFloat(float value) {
    WriteLittleEndian(std::bit_cast<std::uint32_t>(value), 4);
}

void CArchive::WriteDouble(double value) {
    WriteLittleEndian(std::bit_cast<std::uint64_t>(value), 8);
}

std::uint8_t CArchive::ReadUInt8() {
    return static_cast<std::uint8_t>(ReadLittleEndian(1));
}

std::uint16_t CArchive::ReadUInt16() {
    return static_cast<std::uint16_t>(ReadLittleEndian(2));
}

std::uint32_t CArchive::ReadUInt32() {
    return static_cast<std::uint32_t>(ReadLittleEndian(4));
}

float CArchive::ReadFloat() {
    return std::bit_cast<float>(ReadUInt32());
}

double CArchive::ReadDouble() {
    return std::bit_cast<double>(ReadLittleEndian(8));
}

// Lengths below 255 take one byte; up to 65 533 the escape 0xFF and a 16-bit length; longer
// ones 0xFF, 0xFFFF and a 32-bit length. (0xFFFE after the escape marks a UTF-16 string.)
void CArchive::WriteString(const std::string& text) {
    const std::size_t length = text.size();
    if (length < 0xFF) {
        WriteUInt8(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        WriteUInt8(0xFF);
        WriteUInt16(static_cast<std::uint16_t>(length));
    } else if (length < 0xFFFFFFFF) {
        WriteUInt8(0xFF);
        WriteUInt16(0xFFFF);
        WriteUInt32(static_cast<std::uint32_t>(length));
    } else {
        throw CArchiveException("a text of " + std::to_string(length) + " bytes is too long");
    }
    m_buffer.insert(m_buffer.end(), text.begin(), text.end());
}

std::string CArchive::ReadString() {
    const std::size_t start = m_nPosition;
    std::uint64_t length = ReadUInt8();
    if (length == 0xFF) {
        length = ReadUInt16();
        if (length == 0xFFFE) {
            Fail("a text in UTF-16 form is not supported");
        }
        if (length == 0xFFFF) {
            length = ReadUInt32();
            if (length == 0xFFFFFFFF) {
                length = ReadLittleEndian(8);
            }
        }
    }
    if (length > GetRemaining()) {
        throw CArchiveException("the text at byte " + std::to_string(start) + " claims " +
                                std::to_string(length) + " characters but only " +
                                std::to_string(GetRemaining()) + " bytes are left");
    }
    std::string text(reinterpret_cast<const char*>(m_pData + m_nPosition),
                     static_cast<std::size_t>(length));
    m_nPosition += static_cast<std::size_t>(length);
    return text;
}

void CArchive::WriteCount(std::uint64_t count) {
    if (count < 0xFFFF) {
        WriteUInt16(static_cast<std::uint16_t>(count));
    } else if (count < 0xFFFFFFFF) {
        WriteUInt16(0xFFFF);
        WriteUInt32(static_cast<std::uint32_t>(count));
    } else {
        WriteUInt16(0xFFFF);
        WriteUInt32(0xFFFFFFFF);
        WriteLittleEndian(count, 8);
    }
}

std::uint64_t CArchive::ReadCount() {
    std::uint64_t count = ReadUInt16();
    if (count == 0xFFFF) {
        count = ReadUInt32();
        if (count == 0xFFFFFFFF) {
            count = ReadLittleEndian(8);
        }
    }
    return count;
}

const CArchive::ClassEntry* CArchive::FindClass(const std::string& name) const {
    for (const ClassEntry& entry : m_classes) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

void CArchive::WriteClassTag(const std::string& className, std::uint16_t schema) {
    if (const ClassEntry* entry = FindClass(className)) {
        WriteUInt16(static_cast<std::uint16_t>(kClassTag | entry->index));
    } else {
        WriteUInt16(kNewClassTag);
        WriteUInt16(schema);
        WriteUInt16(static_cast<std::uint16_t>(className.size()));
        m_buffer.insert(m_buffer.end(), className.begin(), className.end());
        m_classes.push_back({className, m_nMapCount++});
    }
    ++m_nMapCount;  // the object itself
}

void CArchive::ReadClassTag(const std::string& className, std::uint16_t schema) {
    const std::size_t start = m_nPosition;
    const std::uint16_t tag = ReadUInt16();
    if (tag == kNewClassTag) {
        const std::uint16_t fileSchema = ReadUInt16();
        const std::uint16_t length = ReadUInt16();
        Need(length);
        const std::string name(reinterpret_cast<const char*>(m_pData + m_nPosition), length);
        m_nPosition += length;
        if (name != className) {
            m_nPosition = start;
            Fail("unexpected object class \"" + Printable(name) + "\"");
        }
        if (FindClass(name) != nullptr) {
            m_nPosition = start;
            Fail("object class \"" + name + "\" declared twice");
        }
        if (fileSchema != schema) {
            m_nPosition = start;
            Fail("object class \"" + name + "\" has unsupported schema " +
                 std::to_string(fileSchema));
        }
        m_classes.push_back({name, m_nMapCount++});
    } else if ((tag & kClassTag) != 0) {
        const std::uint32_t index = tag & ~kClassTag;
        const ClassEntry* entry = FindClass(className);
        if (entry == nullptr || entry->index != index) {
            m_nPosition = start;
            Fail("object tag " + Hex16(tag) + " refers to no known class");
        }
    } else {
        // A null pointer, a reference to an earlier object or a big-index tag: never written
        // for the objects of a document file.
        m_nPosition = start;
        Fail("unexpected object tag " + Hex16(tag));
    }
    ++m_nMapCount;  // the object itself
}

}  // namespace tavik
