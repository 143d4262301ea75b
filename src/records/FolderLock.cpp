#include "records/FolderLock.h"

#include "records/FileError.h"

namespace callpad {

namespace {

const std::string kLockDrivePath = "c:\\" + std::string(kLockFileName);

thread_local int t_locksHeld = 0;

}  // namespace

FolderLock::FolderLock(const DataFolder& folder, std::chrono::milliseconds patience) {
    folder.checkReachable();
    std::string option;
    if (const int error = platform::locksStayLocal(folder.root(), folder.mountTable(), option)) {
        throw FileError(FileOperation::LocalLock, error, folder.shownRoot(), option);
    }
    folder.create();
    if (const int error = m_lock.acquire(folder.resolve(kLockDrivePath), patience, folder.faults())) {
        const FileOperation operation = m_lock.creationFailed() ? FileOperation::Write : FileOperation::Lock;
        throw FileError(operation, error, folder.shownPath(kLockDrivePath));
    }
    ++t_locksHeld;
}

FolderLock::~FolderLock() {
    --t_locksHeld;
}

bool FolderLock::heldByThisThread() {
    return t_locksHeld > 0;
}

}  // namespace callpad
