#include "records/FolderLock.h"

#include "records/FileError.h"

namespace callpad {

namespace {

const std::string kLockDrivePath = "c:\\" + std::string(kLockFileName);

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
}

}  // namespace callpad
