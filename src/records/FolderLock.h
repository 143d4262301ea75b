#pragma once

#include <chrono>
#include <string_view>

#include "records/DataFolder.h"
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
class FolderLock {
public:
    explicit FolderLock(const DataFolder& folder, std::chrono::milliseconds patience = platform::kPatience);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    platform::FileLock m_lock;
};

}  // namespace callpad
