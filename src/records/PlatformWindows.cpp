// The platform calls on Windows, through the wide-character API only, so that no file name passes the
// ANSI code page.
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "records/FileFaults.h"
#include "records/Platform.h"

namespace callpad::platform {

namespace {

// Another copy of the program that reads a file never stops this one from replacing it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The lock file is shared with the other copies but cannot be deleted while one holds it: the next copy
// would lock a new file while the first still writes.
constexpr DWORD kShareLockFile = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Largest piece handed to one ReadFile or WriteFile call.
constexpr DWORD kMaxPiece = DWORD{1} << 30;

// Closes a handle on every path out of a function.
class Handle {
public:
    Handle() = default;
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle) {
        close();
        m_handle = handle;
    }
    HANDLE release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }
    bool close() { return !valid() || CloseHandle(release()); }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Runs one system call of a step (a lambda returning whether it succeeded) and gives 0 or the error
// number; a failure that a test planned for this call replaces the call.
template <typename Call>
DWORD attempt(FileFaults* faults, FileStep step, Call call) {
    if (faults) {
        if (const int planned = faults->next(step)) {
            return static_cast<DWORD>(planned);
        }
    }
    return call() ? 0 : GetLastError();
}

bool heldByAnother(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// MoveFileExW onto a file that another handle holds open fails with access denied, even when that handle
// shares deletion; a reader in another copy, a virus scanner or an indexer holds a file only a moment.
bool replaceRefusedForNow(DWORD error) {
    return heldByAnother(error) || error == ERROR_ACCESS_DENIED;
}

// How long a call waits before it tries again a step that another program's handle refused.
constexpr std::chrono::milliseconds kPause{5};

// Repeats a step while its error is one that passes, for up to `patience`.
template <typename Step>
DWORD retrying(bool (*passes)(DWORD), std::chrono::milliseconds patience, Step step) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const DWORD error = step();
        if (error == 0 || !passes(error) || std::chrono::steady_clock::now() >= deadline) {
            return error;
        }
        std::this_thread::sleep_for(kPause);
    }
}

// The extended-length form of a path ("\\?\C:\callpad\..." or "\\?\UNC\server\share\..."), so that a
// long name in a deep folder is not cut off at 260 characters.
std::wstring systemPath(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::path full = std::filesystem::absolute(path, ignored);
    const std::wstring text = (full.empty() ? path : full).lexically_normal().wstring();
    if (text.starts_with(L"\\\\?\\")) {
        return text;
    }
    if (text.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + text.substr(2);
    }
    return L"\\\\?\\" + text;
}

// 0 when the path names a normal file (`exists`) or nothing at all; a folder, a hidden or a system file
// is refused as Windows refuses writing over one, with access denied.
DWORD checkNormalFile(const std::wstring& path, bool& exists) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        exists = false;
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
    }
    exists = true;
    const DWORD abnormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (attributes & abnormal) != 0 ? ERROR_ACCESS_DENIED : 0;
}

DWORD openFile(Handle& file, const std::wstring& path, DWORD access, DWORD disposition,
               std::chrono::milliseconds patience, FileFaults* faults, DWORD sharing = kShareAll) {
    return retrying(heldByAnother, patience, [&] {
        return attempt(faults, FileStep::Open, [&] {
            file.reset(
                CreateFileW(path.c_str(), access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
            return file.valid();
        });
    });
}

// Whether another program holds the file open, which an open that shares nothing cannot pass: a
// spreadsheet holding a workbook, or a reader or virus scanner holding a file a moment. Tells a replace
// refused for that apart from one refused for permissions.
bool heldOpenByAnother(const std::wstring& path) {
    Handle probe;
    probe.reset(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return !probe.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

// Gives the flushed staging file the target's name with POSIX semantics, which also replaces a target
// that another handle sharing its deletion holds open (a reader, a virus scanner). Windows 10 1607 and
// later on NTFS; elsewhere (older systems, FAT, many network shares, Wine) it fails and the caller moves
// the file the classic way.
bool renameWithPosixSemantics(const std::wstring& staging, const std::wstring& target) {
    // FileRenameInfoEx, which MinGW's headers declare only for newer targets than this build's.
    constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    Handle source;
    source.reset(CreateFileW(staging.c_str(), DELETE | SYNCHRONIZE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!source.valid()) {
        return false;
    }
    // The name goes to the kernel as it is: "\\?\C:\..." becomes the NT form "\??\C:\...".
    const std::wstring name = target.starts_with(L"\\\\?\\") ? L"\\??\\" + target.substr(4) : target;
    const std::size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    FILE_RENAME_INFO info{};
    info.Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info.FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(buffer.data(), &info, sizeof info);
    std::memcpy(buffer.data() + offsetof(FILE_RENAME_INFO, FileName), name.data(), nameBytes);
    return SetFileInformationByHandle(source.get(), kFileRenameInfoEx, buffer.data(),
                                      static_cast<DWORD>(buffer.size())) != 0;
}

std::string utf8FromWide(std::wstring_view text) {
    const int wideLength = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, result.data(), length, nullptr, nullptr);
    return result;
}

}  // namespace

ErrorKind errorKind(int number) {
    switch (static_cast<DWORD>(number)) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return ErrorKind::Busy;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ErrorKind::Missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: return ErrorKind::NotPermitted;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ErrorKind::NoSpace;
        default: return ErrorKind::Other;
    }
}

int missingFileNumber() {
    return ERROR_FILE_NOT_FOUND;
}

// Windows programs do not plant links for one another; the data folder is never opened through one.
bool refusedLink(int) {
    return false;
}

bool alreadyExists(int number) {
    const auto error = static_cast<DWORD>(number);
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

int existingFileNumber() {
    return ERROR_FILE_EXISTS;
}

std::string errorDescription(int number) {
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(number), 0, text, sizeof text / sizeof text[0], nullptr);
    // The system's texts end in a line break.
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' ')) {
        --length;
    }
    return utf8FromWide(std::wstring_view(text, length));
}

int readWholeFile(const std::filesystem::path& file, std::string& content, std::chrono::milliseconds patience,
                  FileFaults* faults) {
    Handle in;
    if (const DWORD error = openFile(in, systemPath(file), GENERIC_READ, OPEN_EXISTING, patience, faults)) {
        return static_cast<int>(error);
    }
    // One byte more than the file's size, so that the read that finds the end needs no growing.
    LARGE_INTEGER size{};
    const std::size_t expected =
        GetFileSizeEx(in.get(), &size) && size.QuadPart > 0 ? static_cast<std::size_t>(size.QuadPart) : 0;
    content.assign(expected + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            content.resize(2 * content.size());
        }
        DWORD count = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(content.size() - filled, kMaxPiece));
        if (const DWORD error = attempt(faults, FileStep::Read, [&] {
                return ReadFile(in.get(), content.data() + filled, piece, &count, nullptr);
            })) {
            content.clear();
            return static_cast<int>(error);
        }
        if (count == 0) {
            content.resize(filled);
            return 0;
        }
        filled += count;
    }
}

int normalFileExists(const std::filesystem::path& file, bool& exists) {
    return static_cast<int>(checkNormalFile(systemPath(file), exists));
}

// MoveFileExW refuses to replace a read-only file with access denied, which is also what this reports.
int writeProtected(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(systemPath(file).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                   (attributes & FILE_ATTRIBUTE_READONLY) != 0
               ? static_cast<int>(ERROR_ACCESS_DENIED)
               : 0;
}

// A symbolic link (mklink) is followed by opening it; the final path of that handle is its target.
std::filesystem::path linkTarget(const std::filesystem::path& file) {
    const std::wstring path = systemPath(file);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return file;
    }
    Handle target;
    target.reset(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::wstring resolved(32768, L'\0');
    const DWORD length = target.valid() ? GetFinalPathNameByHandleW(target.get(), resolved.data(),
                                                                    static_cast<DWORD>(resolved.size()), 0)
                                        : 0;
    if (length == 0 || length >= resolved.size()) {
        return file;
    }
    resolved.resize(length);
    return std::filesystem::path(resolved);
}

int replaceFile(const std::filesystem::path& file, const std::filesystem::path& temporary, std::string_view bytes,
                bool replaceExisting, std::chrono::milliseconds patience, FileFaults* faults) {
    const std::wstring target = systemPath(file);
    const std::wstring staging = systemPath(temporary);
    bool exists = false;
    if (const DWORD error = checkNormalFile(target, exists)) {
        return static_cast<int>(error);
    }
    Handle out;
    if (const DWORD error = openFile(out, staging, GENERIC_WRITE, CREATE_ALWAYS, patience, faults)) {
        return static_cast<int>(error);
    }
    const auto fail = [&](DWORD error) {
        out.close();
        DeleteFileW(staging.c_str());
        return static_cast<int>(error);
    };
    for (std::size_t written = 0; written < bytes.size();) {
        DWORD count = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, kMaxPiece));
        if (const DWORD error = attempt(faults, FileStep::Write, [&] {
                return WriteFile(out.get(), bytes.data() + written, piece, &count, nullptr);
            })) {
            return fail(error);
        }
        written += count;
    }
    if (const DWORD error = attempt(faults, FileStep::Flush, [&] { return FlushFileBuffers(out.get()); })) {
        return fail(error);
    }
    if (const DWORD error = attempt(faults, FileStep::Close, [&] { return out.close(); })) {
        return fail(error);
    }
    // Not ReplaceFileW: it fails when the file does not exist yet. Without MOVEFILE_REPLACE_EXISTING the
    // move fails on a file of that name instead of replacing it. Either way of renaming is one step.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
    const auto rename = [&] {
        return attempt(faults, FileStep::Rename, [&] {
            return (replaceExisting && exists && renameWithPosixSemantics(staging, target)) ||
                   MoveFileExW(staging.c_str(), target.c_str(), flags);
        });
    };
    DWORD error = retrying(replaceRefusedForNow, patience, rename);
    // A refusal while another program holds the file is told apart from one of permissions: the user
    // can close that program. A reader that opens the file often (another copy, a virus scanner) may have
    // let go by the time of the probe, and Wine refuses a move for some 40 ms after such a reader let go;
    // so a refusal counts as one of permissions only when it lasts a quarter of a second with nobody seen
    // holding the file.
    if (error == ERROR_ACCESS_DENIED) {
        constexpr auto kDeniedPatience = std::chrono::milliseconds(250);
        error = retrying([](DWORD refused) { return refused == ERROR_ACCESS_DENIED; }, kDeniedPatience,
                         [&] { return heldOpenByAnother(target) ? DWORD{ERROR_SHARING_VIOLATION} : rename(); });
    }
    return error == 0 ? 0 : fail(error);
}

FileLock::~FileLock() {
    // The lock is released before the handle closes: Windows releases a closed handle's locks only
    // some time later. It does the same for a holder that dies.
    if (m_handle != -1) {
        const auto handle = reinterpret_cast<HANDLE>(m_handle);
        OVERLAPPED start{};
        UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &start);
        CloseHandle(handle);
    }
}

int FileLock::acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds patience, FileFaults* faults) {
    Handle file;
    // Opening the lock file is not one of the steps that tests fail, as on POSIX; taking the lock is.
    const std::wstring path = systemPath(lockFile);
    if (const DWORD error =
            openFile(file, path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, kPatience, nullptr, kShareLockFile)) {
        // Creating it failed: a folder this account may not write, not a lock file to repair.
        m_creationFailed = GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
        return static_cast<int>(error);
    }
    // The whole range, also beyond the end of the empty file, as a POSIX lock of the whole file.
    const DWORD error = retrying(heldByAnother, patience, [&] {
        return attempt(faults, FileStep::Lock, [&] {
            OVERLAPPED start{};
            return LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                              &start);
        });
    });
    if (error == 0) {
        m_handle = reinterpret_cast<std::intptr_t>(file.release());
    }
    return static_cast<int>(error);
}

// A share reached by a drive letter or UNC path reports its own errors when it is gone.
int unreachableLink(const std::filesystem::path&) {
    return 0;
}

// Windows keeps byte-range locks on the file server, whatever the share.
int locksStayLocal(const std::filesystem::path&, const std::filesystem::path&, std::string&) {
    return 0;
}

namespace {

// Authenticated Users may modify the folder's files and folders, inherited by everything created in it,
// on top of what the parent passes on: with C:\'s default permissions a file another account created
// would otherwise be read-only for the others (Windows Server, hardened images: creator only).
constexpr const wchar_t* kEveryAccountMayModify = L"D:(A;OICI;0x1301bf;;;AU)";

DWORD createOneFolder(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kEveryAccountMayModify, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return GetLastError();
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const DWORD error = CreateDirectoryW(path.c_str(), &attributes) ? 0 : GetLastError();
    LocalFree(descriptor);
    return error;
}

}  // namespace

int createFolder(const std::filesystem::path& folder) {
    const std::wstring path = systemPath(folder);
    DWORD error = createOneFolder(path);
    if (error == 0) {
        return 0;
    }
    const std::filesystem::path parent = folder.parent_path();
    if (error == ERROR_PATH_NOT_FOUND && !parent.empty() && parent != folder) {
        if (const int failed = createFolder(parent)) {
            return failed;
        }
        error = createOneFolder(path);
    }
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                   ? 0
                   : static_cast<int>(ERROR_ALREADY_EXISTS);
    }
    return static_cast<int>(error);
}

// Current Windows lets a standard account create folders in the root of drive C but not files; the data
// folder is created with an entry that lets every account of the PC change the files in it.
std::filesystem::path dataFolderRoot() {
    return std::filesystem::path(L"C:\\callpad");
}

std::filesystem::path formerDataFolderRoot() {
    return std::filesystem::path(L"C:\\");
}

std::filesystem::path shownHome() {
    return {};
}

std::filesystem::path workbookFolderRoot() {
    return dataFolderRoot();
}

std::tm localTime(std::time_t moment) {
    std::tm local{};
    localtime_s(&local, &moment);
    return local;
}

}  // namespace callpad::platform
