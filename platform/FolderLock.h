#pragma once

#include <string>

namespace tavik {

// An advisory lock on a folder, held through a lock file in it that names the holder's process
// id: two programs logging into one folder would interleave their day files. The folder itself
// is held open while locked: files are opened relative to it, so they land in the folder that
// is locked whatever later happens to its path. Released when the object goes or on
// Release(); the lock file itself stays.
class CFolderLock {
public:
    static constexpr const char* LOCK_FILE_NAME = ".tavik.lock";
    // CheckFolder's answer when the path no longer names the locked folder for good.
    static constexpr int FOLDER_REPLACED = -3;

    CFolderLock() = default;
    ~CFolderLock() { Release(); }
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // 0 when the lock is held (again) for `folder`; EWOULDBLOCK when another process holds it,
    // `holder` then gets its process id as the lock file says; otherwise the errno cause.
    int Acquire(const std::string& folder, std::string& holder);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }
    // The locked folder, open (for openat); -1 when nothing is held.
    int GetFolderFd() const { return m_dirFd; }
    const std::string& GetFolder() const { return m_strFolder; }
    // Whether the folder's path still names the locked folder: 0 when it does; the errno cause
    // (ENOENT) when the path names nothing while the folder still exists elsewhere (moved
    // away, it may come back); FOLDER_REPLACED when the folder was deleted or the path names
    // another folder now (deleted and made anew): files there are not under this lock.
    int CheckFolder() const;

private:
    int m_fd = -1;     // the lock file
    int m_dirFd = -1;  // the folder
    std::string m_strFolder;
};

}  // namespace tavik
