#include "records/FolderLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "records/FileError.h"
#include "records/FileFaults.h"

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

}  // namespace

FolderLock::FolderLock(const DataFolder& folder, std::chrono::milliseconds patience) {
    folder.create();
    m_fd = ::open(folder.resolve(kLockDrivePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        throw FileError(FileOperation::Lock, errno, kLockDrivePath);
    }
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
            throw FileError(FileOperation::Lock, heldByOther ? EWOULDBLOCK : error, kLockDrivePath);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

FolderLock::~FolderLock() {
    ::close(m_fd);
}

}  // namespace callpad
