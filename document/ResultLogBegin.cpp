#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "document/Descriptor.h"
#include "document/ResultLog.h"
#include "platform/File.h"

// Beginning a session's result file: a new one, one continued after its last whole record, or
// one moved aside as damaged.

namespace tavik {

namespace {

// Internal cause of ContinueResultFile: the file holds only part of the header or zeros.
constexpr int kDamaged = -4;
// Most bytes of a file looked at for a damaged header: a cut header is a block at most.
constexpr std::int64_t kDamagedLimit = 1 << 20;
// The end of a day file is searched backwards in pieces of this size.
constexpr std::size_t kTailPiece = 64 * 1024;

// Reads `text` as exactly one record laid out as AppendRecord writes it: its id (digits of any
// length, so that one beyond 32 bits is seen as such: INT64_MAX beyond 64) and its timestamp.
// False for anything else: a missing or changed piece, markup in a value, bytes after its end.
bool ReadRecord(std::string_view text, std::int64_t& id, std::uint32_t& timestamp) {
    const auto literal = [&](std::string_view expected) {
        const bool found = text.starts_with(expected);
        text.remove_prefix(found ? expected.size() : 0);
        return found;
    };
    const auto token = [&]() {  // up to the next quote
        const std::string_view token = text.substr(0, text.find('"'));
        text.remove_prefix(token.size());
        return token;
    };
    // A value of text up to `end`, without markup or NUL (the file stays well-formed).
    const auto value = [&](std::string_view end) {
        const std::size_t at = text.find(end);
        if (at == std::string_view::npos || text.substr(0, at).find_first_of(std::string_view(
                                                "<&\0", 3)) != std::string_view::npos) {
            return false;
        }
        text.remove_prefix(at + end.size());
        return true;
    };
    if (!literal("      <Measurement id=\"")) {
        return false;
    }
    const std::string_view idText = token();
    const auto idRead = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (idRead.ec == std::errc::result_out_of_range &&
        idText.find_first_not_of("0123456789", idText.starts_with('-') ? 1 : 0) ==
            std::string_view::npos) {
        id = INT64_MAX;  // a number, but beyond any id
    } else if (idRead.ec != std::errc() || idRead.ptr != idText.data() + idText.size()) {
        return false;
    }
    if (!literal("\">") && !literal("\" signal=\"none\">")) {
        return false;
    }
    if (!literal("\r\n         <Date timestamp=\"")) {
        return false;
    }
    const std::string_view stamp = token();
    const auto stampRead = std::from_chars(stamp.data(), stamp.data() + stamp.size(), timestamp);
    return stampRead.ec == std::errc() && stampRead.ptr == stamp.data() + stamp.size() &&
           literal("\">") && value("</Date>") && literal("\r\n         <Deviation>") &&
           value("</Deviation>") && literal("\r\n         <MPXPower>") && value("</MPXPower>") &&
           literal("\r\n         <Multipath>") && value("</Multipath>") &&
           // The second's peak, absent in records of earlier versions.
           (!literal("\r\n         <DeviationPeak>") || value("</DeviationPeak>")) &&
           literal("\r\n      </Measurement>") && text.empty();
}

int ReadAt(int fd, char* out, std::size_t count, std::int64_t offset) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, out + done, count - done,
                                  static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

// Moves a day file that cannot be continued aside as NAME.damaged (NAME.damaged.2 and so on
// when that name is taken), in the same folder; `movedTo` gets the new path.
int CResultLog::MoveAside(const std::string& path, std::string& movedTo) const {
    const std::string prefix = JoinPath(m_strFolder, "");
    const bool relative = m_nFolderFd >= 0 && path.starts_with(prefix);
    const int dir = relative ? m_nFolderFd : AT_FDCWD;
    const std::string from = relative ? path.substr(prefix.size()) : path;
    for (int n = 1; n <= 100; ++n) {
        const std::string suffix = n == 1 ? ".damaged" : ".damaged." + std::to_string(n);
        if (::renameat2(dir, from.c_str(), dir, (from + suffix).c_str(), RENAME_NOREPLACE) == 0) {
            movedTo = path + suffix;
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

int CResultLog::BeginResultFile(const std::string& path, CContinuation& found, CPrompt& prompt,
                                bool syncHeader) {
    found = CContinuation();
    int error = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        // O_NOFOLLOW: a symbolic link named like a day file is refused, never written through;
        // O_NONBLOCK: a FIFO named so is not waited on.
        CDescriptor file(OpenFile(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat st {};
        if (file.Get() < 0 || ::fstat(file.Get(), &st) < 0) {
            error = errno == ELOOP ? NOT_A_RESULT_FILE : errno;
        } else if (!S_ISREG(st.st_mode)) {
            error = NOT_A_RESULT_FILE;
        } else if (const int cut = CutLeftover(path, file.Get(), st.st_size); cut != 0) {
            error = cut;
        } else if (st.st_size == 0) {
            // Synced at once: a power loss in the first minute must not leave a cut header.
            error = WriteFully(file.Get(), HEADER.data(), HEADER.size());
            if (error == 0 && syncHeader && m_bSync.load()) {
                error = SyncData(file.Get());
            }
            found.bNew = error == 0;
            if (error != 0 && ::ftruncate(file.Get(), 0) < 0) {
                RememberCut(path, 0);  // the cut header goes before the next write
            }
        } else {
            error = ContinueResultFile(file.Get(), st.st_size, found);
        }
        if (error == 0) {
            error = file.Close();
        }
        if (error != kDamaged || attempt > 0) {
            break;
        }
        // Ours but not continuable: moved aside, and the day's file begun afresh.
        file.Close();
        const CContinuation damaged = found;
        found = CContinuation();
        found.bIdsExhausted = damaged.bIdsExhausted;
        found.bNotARecord = damaged.bNotARecord;
        error = MoveAside(path, found.strMovedAside);
        if (error != 0) {
            break;
        }
    }
    if (error == kDamaged) {
        error = NOT_A_RESULT_FILE;
    }
    if (error != 0) {
        Failed(true, path, error, prompt);
    } else {
        Succeeded(true, path, prompt);
    }
    return error;
}

int CResultLog::CloseLeftOpen(const std::string& path, CContinuation& found) {
    found = CContinuation();
    CDescriptor file(OpenFile(path, O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) < 0) {
        return errno == ELOOP ? NOT_A_RESULT_FILE : errno;
    }
    if (!S_ISREG(st.st_mode)) {
        return NOT_A_RESULT_FILE;
    }
    // Closed already: nothing is read further nor changed.
    const auto footerSize = static_cast<off_t>(FOOTER.size());
    std::string tail(FOOTER.size(), '\0');
    if (st.st_size >= static_cast<off_t>(HEADER.size()) + footerSize &&
        ReadAt(file.Get(), tail.data(), tail.size(), st.st_size - footerSize) == 0 &&
        tail == FOOTER) {
        found.bClosed = true;
        return 0;
    }
    if (const int error = ContinueResultFile(file.Get(), st.st_size, found); error != 0) {
        return error == kDamaged ? NOT_A_RESULT_FILE : error;  // damaged: left as it is
    }
    int error = ::lseek(file.Get(), 0, SEEK_END) < 0
                    ? errno
                    : WriteFully(file.Get(), FOOTER.data(), FOOTER.size());
    if (error == 0 && m_bSync.load()) {
        error = SyncData(file.Get());
    }
    return error != 0 ? error : file.Close();
}

int CResultLog::SyncHeader(const std::string& path, CPrompt& prompt) {
    CDescriptor file(OpenFile(path, O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!m_bSync.load() || file.Get() < 0 || ::fstat(file.Get(), &st) < 0 || !S_ISREG(st.st_mode) ||
        st.st_size != static_cast<off_t>(HEADER.size())) {
        return 0;  // not syncing, or records came since (their write synced the header too)
    }
    const int error = SyncData(file.Get());
    if (error != 0) {
        if (::ftruncate(file.Get(), 0) < 0) {
            RememberCut(path, 0);
        }
        Failed(true, path, error, prompt);
    }
    return error;
}

// Reads what a day file holds after its header and cuts it back to its last whole record. Only
// the header and the end are read: a file of any size starts at once, in little memory.
int CResultLog::ContinueResultFile(int fd, std::int64_t size, CContinuation& found) {
    const auto headerSize = static_cast<std::int64_t>(HEADER.size());
    std::string text(static_cast<std::size_t>(std::min(size, headerSize)), '\0');
    if (const int error = ReadAt(fd, text.data(), text.size(), 0); error != 0) {
        return error;
    }
    if (text != HEADER) {
        // Part of the header and then zeros, or zeros alone: the start of one of our files cut
        // by a power loss. Anything else is another program's file, left as it is.
        if (size > kDamagedLimit || !HEADER.starts_with(std::string_view(text).substr(
                                        0, std::min(text.find('\0'), text.size())))) {
            return NOT_A_RESULT_FILE;
        }
        std::string all(static_cast<std::size_t>(size), '\0');
        if (const int error = ReadAt(fd, all.data(), all.size(), 0); error != 0) {
            return error;
        }
        const std::size_t zeros = std::min(all.find('\0'), all.size());
        if (!HEADER.starts_with(std::string_view(all).substr(0, zeros)) ||
            all.find_first_not_of('\0', zeros) != std::string::npos) {
            return NOT_A_RESULT_FILE;
        }
        return kDamaged;
    }
    found.bContinued = true;
    constexpr std::string_view kRecordEnd = "</Measurement>";
    constexpr std::string_view kRecordStart = "      <Measurement id=\"";
    // The last record's end, searched backwards piece by piece (pieces overlap by a tag).
    std::int64_t recordEnd = -1;
    std::string piece;
    for (std::int64_t pieceEnd = size; pieceEnd > headerSize && recordEnd < 0;) {
        const std::int64_t start =
            std::max(headerSize, pieceEnd - static_cast<std::int64_t>(kTailPiece));
        piece.assign(static_cast<std::size_t>(pieceEnd - start), '\0');
        if (const int error = ReadAt(fd, piece.data(), piece.size(), start); error != 0) {
            return error;
        }
        if (const std::size_t at = piece.rfind(kRecordEnd); at != std::string::npos) {
            recordEnd = start + static_cast<std::int64_t>(at + kRecordEnd.size());
        }
        if (start == headerSize) {
            break;
        }
        pieceEnd = start + static_cast<std::int64_t>(kRecordEnd.size()) - 1;
    }
    std::int64_t cut = headerSize;
    if (recordEnd >= 0) {
        cut = recordEnd;
        // The record itself: its id and timestamp (a record is a few hundred bytes).
        const std::int64_t start = std::max(headerSize, recordEnd - 4096);
        std::string record(static_cast<std::size_t>(recordEnd - start), '\0');
        if (const int error = ReadAt(fd, record.data(), record.size(), start); error != 0) {
            return error;
        }
        // Continued after anything but a whole record, the file would not be well-formed.
        const std::size_t at = record.rfind(kRecordStart);
        std::int64_t id = 0;
        if (at == std::string::npos ||
            !ReadRecord(std::string_view(record).substr(at), id, found.nLastTimestamp)) {
            found.bNotARecord = true;
            return kDamaged;
        }
        if (id < 0 || id > LAST_CONTINUED_ID) {
            found.bIdsExhausted = true;  // numbering that cannot go on: moved aside
            return kDamaged;
        }
        found.nLastId = static_cast<std::int32_t>(id);
    }
    const std::int64_t tailSize = size - cut;
    if (tailSize == static_cast<std::int64_t>(FOOTER.size())) {
        std::string tail(FOOTER.size(), '\0');
        if (const int error = ReadAt(fd, tail.data(), tail.size(), cut); error != 0) {
            return error;
        }
        found.bClosed = tail == FOOTER;
    }
    found.nBytesRemoved = found.bClosed ? 0 : tailSize;
    if (tailSize > 0 && ::ftruncate(fd, static_cast<off_t>(cut)) < 0) {
        return errno;
    }
    return 0;
}

}  // namespace tavik
