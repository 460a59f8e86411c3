#pragma once

#include <string>

namespace tavik {

// An advisory lock on a folder, held through a lock file in it that names the holder's process
// id: two programs logging into one folder would interleave their day files. Released when the
// object goes or on Release(); the lock file itself stays.
class CFolderLock {
public:
    static constexpr const char* LOCK_FILE_NAME = ".tavik.lock";

    CFolderLock() = default;
    ~CFolderLock() { Release(); }
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // 0 when the lock is held (again) for `folder`; EWOULDBLOCK when another process holds it,
    // `holder` then gets its process id as the lock file says; otherwise the errno cause.
    int Acquire(const std::string& folder, std::string& holder);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    std::string m_strFolder;
};

}  // namespace tavik
