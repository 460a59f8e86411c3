#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik {

// Whole-file reads and writes for small files such as the document file. Both return 0 or the
// errno cause code.

// Reads the whole file; a file larger than `maxBytes` fails with EFBIG.
int ReadFileContents(const std::string& path, std::vector<std::uint8_t>& bytes,
                     std::size_t maxBytes);

// Writes `bytes` to a new file in the folder of `path`, flushes it to disk and renames it over
// `path`, so that a failure at any point leaves the previous file as it was. Only a missing
// path or a regular file is replaced: anything else (a device, a FIFO, a folder, a symbolic
// link) gives NOT_A_REGULAR_FILE or A_SYMBOLIC_LINK and stays as it is.
int ReplaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Ends the writing of `temporary` through `fd`: closes it and, when `cause` (the writing's
// outcome so far) and the close are 0, renames it to `path`; otherwise it is removed. Returns
// the first cause.
int CloseIntoPlace(int fd, int cause, const std::string& temporary, const std::string& path);

}  // namespace tavik
