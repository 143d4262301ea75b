// The platform calls on POSIX systems, with the safeguards a data folder that several accounts or PCs
// share needs: temporary and lock files created exclusively and never through a link, the replaced
// file's permission bits and group kept, record locks that also hold on NFS and SMB.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "records/DocumentsFolder.h"
#include "records/FileFaults.h"
#include "records/MountTable.h"
#include "records/Platform.h"

namespace callpad::platform {

namespace {

// Runs one system call of a step, or fails it as a test planned: -1 with errno set.
template <typename Call>
auto systemCall(FileFaults* faults, FileStep step, Call call) -> decltype(call()) {
    if (const int error = faults ? faults->next(step) : 0) {
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
    int release() { return std::exchange(m_fd, -1); }
    // Closes now and reports the result, for writers: a failed close can mean lost data on NFS.
    int close(FileFaults* faults) {
        const int fd = release();
        if (const int error = faults ? faults->next(FileStep::Close) : 0) {
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
void shareWithFolderWriters(int fd, const std::filesystem::path& folder) {
    struct stat root {};
    if (::stat(folder.c_str(), &root) != 0) {
        return;
    }
    (void)::fchown(fd, static_cast<uid_t>(-1), root.st_gid);
    const mode_t groupAndOthers =
        ((root.st_mode & S_IWGRP) ? S_IRGRP | S_IWGRP : 0) | ((root.st_mode & S_IWOTH) ? S_IROTH | S_IWOTH : 0);
    (void)::fchmod(fd, S_IRUSR | S_IWUSR | groupAndOthers);
}

// Opens the lock file for writing into `fd`, creating it when it is missing. Neither step follows a
// link planted under its name (ELOOP), and only a regular file is accepted.
int openLockFile(const std::filesystem::path& path, int& fd, bool& creationFailed) {
    constexpr int kAttempts = 3;  // another copy may create or remove it between our two calls
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            struct stat info {};
            if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
                ::close(fd);
                return EINVAL;
            }
            return 0;
        }
        if (errno != ENOENT) {
            return errno;
        }
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            shareWithFolderWriters(fd, path.parent_path());
            return 0;
        }
        if (errno != EEXIST) {
            // Creating it failed: a folder this account may not write, not a lock file to repair.
            creationFailed = true;
            return errno;
        }
    }
    return EEXIST;
}

std::filesystem::path homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home == '/' ? std::filesystem::path(home) : std::filesystem::path("/");
}

// An XDG base folder from its variable, or the default below home when it is unset or not absolute.
std::filesystem::path baseFolder(const char* variable, const std::filesystem::path& fallback) {
    const char* value = std::getenv(variable);
    return value && *value == '/' ? std::filesystem::path(value) : fallback;
}

}  // namespace

ErrorKind errorKind(int number) {
    switch (number) {
        case EWOULDBLOCK: return ErrorKind::Busy;
        case ENOENT: return ErrorKind::Missing;
        case EACCES:
        case EPERM: return ErrorKind::NotPermitted;
        case ENOSPC: return ErrorKind::NoSpace;
        default: return ErrorKind::Other;
    }
}

int missingFileNumber() {
    return ENOENT;
}

bool refusedLink(int number) {
    return number == ELOOP;
}

bool alreadyExists(int number) {
    return number == EEXIST;
}

int existingFileNumber() {
    return EEXIST;
}

std::string errorDescription(int number) {
    char buffer[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(number, buffer, sizeof buffer);
    return text ? std::string(text) : std::string(buffer);
}

int readWholeFile(const std::filesystem::path& file, std::string& content, std::chrono::milliseconds,
                  FileFaults* faults) {
    Descriptor in(systemCall(faults, FileStep::Open, [&] { return ::open(file.c_str(), O_RDONLY | O_CLOEXEC); }));
    if (in.get() < 0) {
        return errno;
    }
    // Read straight into a string of the file's size plus one byte, so that the read that finds the end
    // needs no growing; a file that grows meanwhile is read on in steps. Appending small reads instead
    // would copy a large file several times over.
    struct stat info {};
    const std::size_t expected =
        ::fstat(in.get(), &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : std::size_t{0};
    content.assign(expected + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            content.resize(2 * content.size());
        }
        const ssize_t count = systemCall(
            faults, FileStep::Read, [&] { return ::read(in.get(), content.data() + filled, content.size() - filled); });
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            content.clear();
            return errno;
        }
        if (count == 0) {
            content.resize(filled);
            return 0;
        }
        filled += static_cast<std::size_t>(count);
    }
}

int normalFileExists(const std::filesystem::path& file, bool& exists) {
    struct stat info {};
    exists = false;
    if (::stat(file.c_str(), &info) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    }
    exists = true;
    return 0;
}

int writeProtected(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0 ? EACCES : 0;
}

std::filesystem::path linkTarget(const std::filesystem::path& file) {
    constexpr int kMostLinks = 40;  // as the kernel's own limit, so that a loop of links ends
    std::filesystem::path path = file;
    for (int links = 0; links < kMostLinks; ++links) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
            return path;
        }
        const std::filesystem::path next = std::filesystem::read_symlink(path, error);
        if (error) {
            return path;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

namespace {

// Gives the flushed temporary file the name `file`, which is believed missing, without ever replacing a
// file of that name: renameat2 where the file system has it, else a hard link, else (a file system
// with neither) a plain rename.
int createWithoutReplacing(const std::filesystem::path& temporary, const std::filesystem::path& file,
                           FileFaults* faults) {
    if (systemCall(faults, FileStep::Rename, [&] {
            return ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, file.c_str(), RENAME_NOREPLACE);
        }) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return errno;
    }
    if (::link(temporary.c_str(), file.c_str()) == 0) {
        ::unlink(temporary.c_str());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS) {
        return errno;
    }
    return ::rename(temporary.c_str(), file.c_str()) == 0 ? 0 : errno;
}

}  // namespace

// A rename replaces a file that other programs hold open, so `patience` plays no part here.
int replaceFile(const std::filesystem::path& file, const std::filesystem::path& temporary, std::string_view bytes,
                bool replaceExisting, std::chrono::milliseconds, FileFaults* faults) {
    const auto fail = [&](int number) {
        ::unlink(temporary.c_str());
        return number;
    };
    struct stat replaced {};
    const bool replacing = replaceExisting && ::stat(file.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    // A temporary file left by a crash may belong to another account and cannot be truncated; one
    // planted as a link must not be followed. So it is removed (callers hold the folder lock) and
    // the new one created exclusively, without following links.
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
        return errno;
    }
    Descriptor out(systemCall(faults, FileStep::Open, [&] {
        return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      replacing ? replaced.st_mode & 0777 : 0666);
    }));
    if (out.get() < 0) {
        return errno;
    }
    if (replacing) {
        keepAccessOf(replaced, out.get());
    }
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t count = systemCall(faults, FileStep::Write, [&] {
            return ::write(out.get(), bytes.data() + written, bytes.size() - written);
        });
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return fail(errno);
        }
        written += static_cast<std::size_t>(count);
    }
    if (systemCall(faults, FileStep::Flush, [&] { return ::fsync(out.get()); }) != 0 || out.close(faults) != 0) {
        return fail(errno);
    }
    if (replaceExisting) {
        if (systemCall(faults, FileStep::Rename, [&] { return ::rename(temporary.c_str(), file.c_str()); }) != 0) {
            return fail(errno);
        }
    } else if (const int error = createWithoutReplacing(temporary, file, faults)) {
        return fail(error);
    }
    // Make the rename itself durable; a folder that cannot be synced (some network shares) still
    // holds the complete new file.
    Descriptor folder(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return 0;
}

FileLock::~FileLock() {
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
    }
}

int FileLock::acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds patience, FileFaults* faults) {
    int fd = -1;
    if (const int error = openLockFile(lockFile, fd, m_creationFailed)) {
        return error;
    }
    Descriptor file(fd);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (systemCall(faults, FileStep::Lock, [&] { return tryLock(file.get()); }) == 0) {
            m_handle = file.release();
            return 0;
        }
        const int error = errno;
        const bool heldByOther = error == EAGAIN || error == EACCES;
        if (!heldByOther || std::chrono::steady_clock::now() >= deadline) {
            return heldByOther ? EWOULDBLOCK : error;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

int unreachableLink(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0 || errno != ENOENT) {
        return 0;
    }
    // Find the first missing step of the path: behind a link it is an unmounted share; a plain
    // missing folder is one that nothing was saved in yet.
    std::filesystem::path step;
    for (const auto& part : folder) {
        step /= part;
        struct stat entry {};
        if (::lstat(step.c_str(), &entry) != 0) {
            return 0;
        }
        if (S_ISLNK(entry.st_mode) && ::stat(step.c_str(), &info) != 0 && errno == ENOENT) {
            return ENOENT;
        }
    }
    return 0;
}

int locksStayLocal(const std::filesystem::path& folder, const std::filesystem::path& mountTable, std::string& option) {
    if (const auto found = localLockOption(folder, mountTable)) {
        option = *found;
        return ENOLCK;
    }
    return 0;
}

int createFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return error.value();
}

std::filesystem::path dataFolderRoot() {
    return baseFolder("XDG_DATA_HOME", homeFolder() / ".local" / "share") / "callpad";
}

std::filesystem::path formerDataFolderRoot() {
    return {};
}

std::filesystem::path shownHome() {
    return homeFolder();
}

std::filesystem::path workbookFolderRoot() {
    const std::filesystem::path home = homeFolder();
    return documentsFolder(home, baseFolder("XDG_CONFIG_HOME", home / ".config"));
}

std::tm localTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

}  // namespace callpad::platform
