#include "records/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "records/FileError.h"
#include "records/FileFaults.h"

namespace callpad {

namespace {

// Runs one system call of a step, or fails it as a test planned: -1 with errno set.
template <typename Call>
auto systemCall(const DataFolder& folder, FileStep step, Call call) -> decltype(call()) {
    if (const int error = folder.injectedFailure(step)) {
        errno = error;
        return -1;
    }
    return call();
}

// Closes a descriptor on every path out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the result, for writers: a failed close can mean lost data on NFS.
    int release(const DataFolder& folder) {
        const int fd = m_fd;
        m_fd = -1;
        if (const int error = folder.injectedFailure(FileStep::Close)) {
            ::close(fd);
            errno = error;
            return -1;
        }
        return ::close(fd);
    }

private:
    int m_fd;
};

// The rewrite's new file takes over the permission bits of the file it replaces and, where this
// account may set it, its group, so that the other accounts sharing the folder keep their access
// whatever this account's umask; where the group cannot be kept, the group gets only what others
// had. A file system that refuses either (an SMB share without Unix modes) decides access itself,
// so the save goes on. Only the descriptor of the file just created is changed.
void keepAccessOf(const struct stat& replaced, int fd) {
    mode_t mode = replaced.st_mode & 0777;
    struct stat created {};
    if (::fstat(fd, &created) != 0) {
        return;
    }
    if (created.st_gid != replaced.st_gid && ::fchown(fd, static_cast<uid_t>(-1), replaced.st_gid) != 0) {
        mode = (mode & 0707) | ((mode & 07) << 3);
    }
    if ((created.st_mode & 0777) != mode) {
        (void)::fchmod(fd, mode);
    }
}

}  // namespace

bool fileExists(const DataFolder& folder, std::string_view drivePath) {
    struct stat info {};
    if (::stat(folder.resolve(drivePath).c_str(), &info) != 0) {
        if (errno == ENOENT) {
            folder.checkReachable();
            return false;
        }
        throw FileError(FileOperation::Read, errno, folder.shownPath(drivePath));
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError(FileOperation::Read, S_ISDIR(info.st_mode) ? EISDIR : EINVAL, folder.shownPath(drivePath));
    }
    return true;
}

std::string readWholeFile(const DataFolder& folder, std::string_view drivePath) {
    const auto fail = [&] { throw FileError(FileOperation::Read, errno, folder.shownPath(drivePath)); };
    const std::filesystem::path path = folder.resolve(drivePath);
    Descriptor file(systemCall(folder, FileStep::Open, [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
    if (file.get() < 0) {
        fail();
    }
    // Read straight into a string of the file's size plus one byte, so that the read that finds the end
    // needs no growing; a file that grows meanwhile is read on in steps. Appending small reads instead
    // would copy a large file several times over.
    struct stat info {};
    const std::size_t expected =
        ::fstat(file.get(), &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : std::size_t{0};
    std::string content(expected + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            content.resize(2 * content.size());
        }
        const ssize_t count = systemCall(folder, FileStep::Read, [&] {
            return ::read(file.get(), content.data() + filled, content.size() - filled);
        });
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            fail();
        }
        if (count == 0) {
            content.resize(filled);
            return content;
        }
        filled += static_cast<std::size_t>(count);
    }
}

void writeFileAtomically(const DataFolder& folder, std::string_view drivePath, std::string_view bytes) {
    folder.create();
    const std::filesystem::path target = folder.resolve(drivePath);
    std::filesystem::path temporary = target;
    temporary += std::string(kTemporarySuffix);

    const std::string shown = folder.shownPath(drivePath);
    const auto fail = [&](int number) {
        ::unlink(temporary.c_str());
        throw FileError(FileOperation::Write, number, shown);
    };
    struct stat replaced {};
    const bool replacing = ::stat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    // A temporary file left by a crash may belong to another account and cannot be truncated; one
    // planted as a link must not be followed. So it is removed (callers hold the folder lock) and
    // the new one created exclusively, without following links.
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
        throw FileError(FileOperation::Write, errno, shown);
    }
    Descriptor file(systemCall(folder, FileStep::Open, [&] {
        return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      replacing ? replaced.st_mode & 0777 : 0666);
    }));
    if (file.get() < 0) {
        throw FileError(FileOperation::Write, errno, shown);
    }
    if (replacing) {
        keepAccessOf(replaced, file.get());
    }
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t count = systemCall(folder, FileStep::Write, [&] {
            return ::write(file.get(), bytes.data() + written, bytes.size() - written);
        });
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            fail(errno);
        }
        written += static_cast<std::size_t>(count);
    }
    if (systemCall(folder, FileStep::Flush, [&] { return ::fsync(file.get()); }) != 0 || file.release(folder) != 0) {
        fail(errno);
    }
    if (systemCall(folder, FileStep::Rename, [&] { return ::rename(temporary.c_str(), target.c_str()); }) != 0) {
        fail(errno);
    }
    // Make the rename itself durable; a folder that cannot be synced (some network shares) still
    // holds the complete new file.
    Descriptor directory(::open(folder.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) {
        ::fsync(directory.get());
    }
}

}  // namespace callpad
