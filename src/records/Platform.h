#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace callpad {

class FileFaults;

// The few calls through which the logic reaches the operating system: whole-file reads, the atomic
// rewrite, the folder lock, where the data folder is, the error texts and the local clock. One
// implementation per platform is chosen at build time: PlatformPosix.cpp or PlatformWindows.cpp.
//
// The file calls return 0 on success or the system's own error number (errno on POSIX, GetLastError()
// on Windows), which the file layer wraps with the program's path. `faults` (null outside tests) makes
// a step fail with the number a test planned, so tests inject the platform's own numbers.
namespace platform {

// What the screens tell the user about a failure; the number and description say the rest.
enum class ErrorKind { Busy, Missing, NotPermitted, NoSpace, Other };

ErrorKind errorKind(int number);
// The number of a file that is not there, for failures the program finds itself.
int missingFileNumber();
// Whether the number says that a link was refused where the program never follows one.
bool refusedLink(int number);
// Whether the number says that a file created without replacing found one of that name.
bool alreadyExists(int number);
// The number of a file that is there, for failures the program finds itself.
int existingFileNumber();
// The system's text for the number in the user's language, as UTF-8.
std::string errorDescription(int number);

// How long a call waits for another copy of the program that holds the lock or the file.
inline constexpr std::chrono::milliseconds kPatience{5000};

// The whole file into `content`. A file that another program holds without sharing is waited for, up to
// `patience` (Windows only: POSIX has no such holders); then the number's kind is Busy.
[[nodiscard]] int readWholeFile(const std::filesystem::path& file, std::string& content,
                                std::chrono::milliseconds patience, FileFaults* faults);

// Whether a normal file of that name exists: `exists` is false only when nothing of that name is there.
// A folder, or on Windows a hidden or system file, of that name is an error, so that such a file is
// never taken for a missing one and written over.
[[nodiscard]] int normalFileExists(const std::filesystem::path& file, bool& exists);

// 0, or the number to report when the file exists and is protected against writing: no write bit for
// anyone on POSIX (judged by the mode, since root could write it anyway), the read-only attribute on
// Windows.
[[nodiscard]] int writeProtected(const std::filesystem::path& file);

// The file that a rewrite of `file` must replace: where a symbolic link of that name leads, through
// every link, or `file` itself. Replacing the link would leave its target with the old contents.
std::filesystem::path linkTarget(const std::filesystem::path& file);

// Replaces the file with the bytes, all or nothing: they go to `temporary` in the same folder, are
// flushed to disk, and the temporary file then takes the file's place. On failure the temporary file is
// gone and the old file is as it was. A replace that meets the file held open by another program is
// retried for `patience` (Windows only: POSIX replaces open files); one that another program still holds
// open without sharing fails with a number whose kind is Busy. With `replaceExisting` false the file is
// created and never replaced: a file of that name, which a network share's cache may have hidden from
// the caller, fails the call with a number for which alreadyExists() holds.
[[nodiscard]] int replaceFile(const std::filesystem::path& file, const std::filesystem::path& temporary,
                              std::string_view bytes, bool replaceExisting, std::chrono::milliseconds patience,
                              FileFaults* faults);

// An exclusive lock on one lock file, also against a second lock in the same process, released when
// the holder ends or dies.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens (creating) the lock file and takes the lock, waiting up to `patience` while another holder
    // has it; then fails with a number whose kind is Busy.
    [[nodiscard]] int acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds patience,
                              FileFaults* faults);
    // After a failed acquire: the lock file was missing and could not be created, which is a folder
    // this account may not write rather than a lock file to repair.
    bool creationFailed() const { return m_creationFailed; }

private:
    std::intptr_t m_handle = -1;
    bool m_creationFailed = false;
};

// 0, or the number to report when the folder is behind a link whose target is missing (a share that is
// not mounted), which must not read as an empty folder. Always 0 on Windows.
[[nodiscard]] int unreachableLink(const std::filesystem::path& folder);

// 0, or the number to report when the mount that holds the folder keeps byte-range locks on this PC
// (`option` then names the mount option), as told by the mount table. Always 0 on Windows.
[[nodiscard]] int locksStayLocal(const std::filesystem::path& folder, const std::filesystem::path& mountTable,
                                 std::string& option);

// Creates the folder and the folders above it that are missing. On Windows the folder itself gets an
// inheritable entry that lets every signed-in account of the PC change its files, whatever the
// permissions of the drive's root.
[[nodiscard]] int createFolder(const std::filesystem::path& folder);

// Where "c:\" is on this machine: C:\callpad\ on Windows, else $XDG_DATA_HOME/callpad
// (~/.local/share/callpad).
std::filesystem::path dataFolderRoot();
// Where the files of "c:\" lay before they moved to the data folder: C:\ on Windows; empty elsewhere.
std::filesystem::path formerDataFolderRoot();
// The home folder that paths shown to the user write as "~"; empty on Windows, which shows whole paths.
std::filesystem::path shownHome();
// Where this account's exported workbook goes: the data folder on Windows, else the user's documents
// folder (see documentsFolder()).
std::filesystem::path workbookFolderRoot();

// The local calendar time of a moment.
std::tm localTime(std::time_t moment);

}  // namespace platform
}  // namespace callpad
