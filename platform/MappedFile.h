#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavik {

// A regular file mapped read-only into memory, read from start to end without copies. The
// pages read are given back with Release, so that the resident memory stays flat however
// long the file. Operations return 0 or the errno cause, as CFile's do.
class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Only a regular file is mapped (NOT_A_REGULAR_FILE otherwise); an empty one maps nothing.
    int Open(const std::string& path);
    void Close();

    std::size_t GetSize() const { return m_nSize; }
    const std::uint8_t* GetData() const { return m_pData; }
    const std::string& GetFileName() const { return m_strName; }

    // Whether the file still holds `bytes`: a file cut while mapped would fault on the pages
    // beyond its new end, so the reader asks before it goes on into a stretch.
    bool StillHolds(std::size_t bytes) const;
    // The pages of [0, end) are not needed any more (they stay in the page cache); an `end`
    // below the last one starts over, as for a second pass over the file.
    void Release(std::size_t end);

private:
    int m_fd = -1;
    const std::uint8_t* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nReleased = 0;
    std::string m_strName;
};

}  // namespace tavik
