#include "records/FolderLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "records/FileError.h"
#include "records/FileFaults.h"
#include "records/MountTable.h"

namespace callpad {

namespace {

const std::string kLockDrivePath = "c:\\" + std::string(kLockFileName);

int tryLock(int fd) {
    struct flock request {};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
    // Open-file-description locks also exclude a second lock taken in the same process.
    return ::fcntl(fd, F_OFD_SETLK, &request);
#else
    return ::fcntl(fd, F_SETLK, &request);
#endif
}

// Gives a lock file just created the folder's group, and write access to whoever may write the
// folder: owner always, group and others as the folder allows them. Nobody gets read-only access,
// which would let them block writers with a shared lock. Refusals (a share without Unix modes) are
// harmless: such a share decides access itself.
void shareWithFolderWriters(int fd, const DataFolder& folder) {
    struct stat root {};
    if (::stat(folder.root().c_str(), &root) != 0) {
        return;
    }
    (void)::fchown(fd, static_cast<uid_t>(-1), root.st_gid);
    const mode_t groupAndOthers =
        ((root.st_mode & S_IWGRP) ? S_IRGRP | S_IWGRP : 0) | ((root.st_mode & S_IWOTH) ? S_IROTH | S_IWOTH : 0);
    (void)::fchmod(fd, S_IRUSR | S_IWUSR | groupAndOthers);
}

// Opens the lock file for writing, creating it when it is missing. Neither step follows a link
// planted under its name (ELOOP), and only a regular file is accepted.
int openLockFile(const DataFolder& folder, const std::string& shown) {
    const std::filesystem::path path = folder.resolve(kLockDrivePath);
    constexpr int kAttempts = 3;  // another copy may create or remove it between our two calls
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            struct stat info {};
            if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
                ::close(fd);
                throw FileError(FileOperation::Lock, EINVAL, shown);
            }
            return fd;
        }
        if (errno != ENOENT) {
            throw FileError(FileOperation::Lock, errno, shown);
        }
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            shareWithFolderWriters(fd, folder);
            return fd;
        }
        if (errno != EEXIST) {
            // Creating it failed: a folder this account may not write, not a lock file to repair.
            throw FileError(FileOperation::Write, errno, shown);
        }
    }
    throw FileError(FileOperation::Lock, EEXIST, shown);
}

}  // namespace

FolderLock::FolderLock(const DataFolder& folder, std::chrono::milliseconds patience) {
    const std::string shown = folder.shownPath(kLockDrivePath);
    folder.checkReachable();
    if (const auto option = localLockOption(folder.root(), folder.mountTable())) {
        throw FileError(FileOperation::LocalLock, ENOLCK, folder.shownRoot(), *option);
    }
    folder.create();
    m_fd = openLockFile(folder, shown);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int injected = folder.injectedFailure(FileStep::Lock);
        if (!injected && tryLock(m_fd) == 0) {
            break;
        }
        const int error = injected ? injected : errno;
        const bool heldByOther = error == EAGAIN || error == EACCES;
        if (!heldByOther || std::chrono::steady_clock::now() >= deadline) {
            ::close(m_fd);
            throw FileError(FileOperation::Lock, heldByOther ? EWOULDBLOCK : error, shown);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

FolderLock::~FolderLock() {
    ::close(m_fd);
}

}  // namespace callpad
