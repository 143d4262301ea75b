#pragma once

#include <chrono>
#include <string_view>
#include <thread>

#include "records/DataFolder.h"
#include "records/FileError.h"
#include "records/Platform.h"

namespace callpad {

// The lock file's name: no data file can have it (it does not end in "callpad.txt").
inline constexpr std::string_view kLockFileName = "callpad.lock";

// An exclusive lock on the data folder, held by every write and every read-modify-write, so that
// two copies of the program cannot interleave their rewrites and lose a message. It is a lock on one
// lock file: on POSIX a record lock (fcntl), which also holds on NFS and SMB shares where flock may
// not; on Windows LockFileEx. When another copy holds the lock, the constructor waits up to
// `patience`, then throws FileError (operation Lock, kind Busy) and nothing is written. Before anything is created it
// refuses, with FileError, a folder that cannot be reached (Reach) or whose mount keeps locks on this PC (LocalLock).
// The lock file is never a link, and the program creates it writable by every account that may write the folder, so
// that accounts sharing the folder can all lock it.
// While a thread holds the lock, its file calls do not wait for a file that another program holds open:
// they fail at once (kind Busy), and whoever waits lets the lock go first (underFolderLock), so that
// the other copies of the program are not kept waiting meanwhile.
class FolderLock {
public:
    explicit FolderLock(const DataFolder& folder, std::chrono::milliseconds patience = platform::kPatience);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    static bool heldByThisThread();

private:
    platform::FileLock m_lock;
};

// Runs a read-modify-write under the folder lock. When a file is held open by another program (a
// reader, a virus scanner), the lock is let go and the whole work runs again a moment later, reading
// afresh, for up to kPatience; then that FileError is thrown. A lock that another copy holds is waited
// for by FolderLock itself.
template <typename Work>
auto underFolderLock(const DataFolder& folder, Work work) {
    const auto deadline = std::chrono::steady_clock::now() + platform::kPatience;
    for (;;) {
        try {
            const FolderLock lock(folder);
            return work();
        } catch (const FileError& error) {
            const bool fileHeld = error.kind() == platform::ErrorKind::Busy && error.operation() != FileOperation::Lock;
            if (!fileHeld || std::chrono::steady_clock::now() >= deadline) {
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace callpad
