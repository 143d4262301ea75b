// The platform calls on the Windows API, run under Wine in every test run. Failures are checked by
// their kind and number, never by the system's text, which Wine words differently.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "records/FileFaults.h"
#include "records/Platform.h"

namespace callpad::platform {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A second copy of this program, started with this argument, takes the lock named by this variable.
constexpr std::string_view kHoldLockArgument = "--hold-lock";
constexpr const wchar_t* kLockFileVariable = L"CALLPAD_TEST_LOCK_FILE";

fs::path utf8Path(std::u8string_view text) {
    return fs::path(text);
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        static std::atomic<int> counter{0};
        m_root = fs::temp_directory_path() /
                 ("callpad-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
        fs::create_directories(m_root);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(m_root, ignored)) {
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        fs::remove_all(m_root, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& root() const { return m_root; }
    fs::path file(std::u8string_view name) const { return m_root / utf8Path(name); }

    void write(std::u8string_view name, std::string_view bytes) const {
        std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string read(std::u8string_view name) const {
        std::ifstream in(file(name), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    // The names in the folder, sorted, as the wide API lists them.
    std::wstring listing() const {
        std::wstring names;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((m_root / L"*").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                names += (names.empty() ? L"" : L" ") + name;
            }
        }
        FindClose(search);
        return names;
    }

private:
    fs::path m_root;
};

fs::path temporaryOf(const fs::path& file) {
    fs::path temporary = file;
    temporary += L".tmp";
    return temporary;
}

int replace(const fs::path& file, std::string_view bytes, FileFaults* faults = nullptr,
            std::chrono::milliseconds patience = kPatience) {
    return replaceFile(file, temporaryOf(file), bytes, true, patience, faults);
}

// Holds a file open in this process for a while, from another thread, as a reader in another copy would.
class MomentaryHolder {
public:
    MomentaryHolder(const fs::path& file, DWORD sharing, std::chrono::milliseconds hold)
        : m_handle(CreateFileW(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr)),
          m_releaser([this, hold] {
              std::this_thread::sleep_for(hold);
              CloseHandle(m_handle);
          }) {}
    ~MomentaryHolder() { m_releaser.join(); }
    bool holding() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
    std::thread m_releaser;
};

TEST(WindowsErrors, KindsForTheScreensAndTheSystemsOwnDescription) {
    const struct {
        DWORD number;
        ErrorKind kind;
    } cases[] = {
        {ERROR_SHARING_VIOLATION, ErrorKind::Busy},
        {ERROR_LOCK_VIOLATION, ErrorKind::Busy},
        {ERROR_FILE_NOT_FOUND, ErrorKind::Missing},
        {ERROR_PATH_NOT_FOUND, ErrorKind::Missing},
        {ERROR_ACCESS_DENIED, ErrorKind::NotPermitted},
        {ERROR_WRITE_PROTECT, ErrorKind::NotPermitted},
        {ERROR_DISK_FULL, ErrorKind::NoSpace},
        {ERROR_HANDLE_DISK_FULL, ErrorKind::NoSpace},
        {ERROR_CRC, ErrorKind::Other},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(errorKind(static_cast<int>(c.number)), c.kind);
        const std::string description = errorDescription(static_cast<int>(c.number));
        EXPECT_FALSE(description.empty());
        EXPECT_NE(description.back(), '\n');
    }
}

TEST(WindowsReplace, EveryFailingStepLeavesTheOldFileWholeAndNoTemporaryFile) {
    const struct {
        const char* name;
        FileStep step;
        DWORD number;
    } cases[] = {
        {"open", FileStep::Open, ERROR_WRITE_PROTECT},
        {"write", FileStep::Write, ERROR_DISK_FULL},
        {"flush", FileStep::Flush, ERROR_CRC},
        {"close", FileStep::Close, ERROR_HANDLE_DISK_FULL},
        {"rename", FileStep::Rename, ERROR_NOT_SAME_DEVICE},
    };
    for (const auto& c : cases) {
        for (const bool existed : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (existed ? ", replacing" : ", creating"));
            ScratchFolder scratch;
            if (existed) {
                scratch.write(u8"a.txt", "old\r\n");
            }
            FileFaults faults;
            faults.failAt(c.step, static_cast<int>(c.number));
            EXPECT_EQ(replace(scratch.file(u8"a.txt"), "new\r\n", &faults), static_cast<int>(c.number));
            EXPECT_EQ(scratch.listing(), existed ? L"a.txt" : L"");
            if (existed) {
                EXPECT_EQ(scratch.read(u8"a.txt"), "old\r\n");
            }
        }
    }
}

TEST(WindowsReplace, CreatesOrReplacesAndPassesOverMomentaryRefusals) {
    ScratchFolder scratch;
    const fs::path file = scratch.file(u8"a.txt");
    ASSERT_EQ(replace(file, "first"), 0);
    FileFaults faults;
    faults.failAt(FileStep::Open, ERROR_SHARING_VIOLATION);
    faults.failAt(FileStep::Rename, ERROR_ACCESS_DENIED);
    faults.failAt(FileStep::Rename, ERROR_LOCK_VIOLATION, 2);
    EXPECT_EQ(replace(file, std::string(100000, 'x'), &faults), 0);
    EXPECT_EQ(faults.injected(), 3);
    EXPECT_EQ(scratch.read(u8"a.txt"), std::string(100000, 'x'));
    EXPECT_EQ(scratch.listing(), L"a.txt");
}

TEST(WindowsReplace, WaitsForAReaderThatHoldsTheFileOpenAMoment) {
    ScratchFolder scratch;
    scratch.write(u8"a.txt", "old");
    const auto started = std::chrono::steady_clock::now();
    {
        const MomentaryHolder reader(scratch.file(u8"a.txt"), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     300ms);
        ASSERT_TRUE(reader.holding());
        EXPECT_EQ(replace(scratch.file(u8"a.txt"), "new"), 0);
    }
    // MoveFileExW refuses a target that another handle holds open (error 5, also with delete sharing) on
    // Wine and on Windows without POSIX rename semantics, so the replace waited for the reader.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 250ms);
    EXPECT_EQ(scratch.read(u8"a.txt"), "new");
    EXPECT_EQ(scratch.listing(), L"a.txt");
}

// A spreadsheet holds an open workbook without sharing writes or deletion until the user closes it: a
// replace that must not wait says so at once, and one that may wait passes a holder that lets go.
TEST(WindowsReplace, AFileHeldOpenWithoutSharingIsToldAtOnceOrWaitedFor) {
    ScratchFolder scratch;
    scratch.write(u8"callpad.xls", "old");
    {
        const MomentaryHolder spreadsheet(scratch.file(u8"callpad.xls"), FILE_SHARE_READ, 2s);
        ASSERT_TRUE(spreadsheet.holding());
        const auto started = std::chrono::steady_clock::now();
        const int error = replace(scratch.file(u8"callpad.xls"), "new", nullptr, 0ms);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
        EXPECT_EQ(error, static_cast<int>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(errorKind(error), ErrorKind::Busy);
        EXPECT_EQ(scratch.read(u8"callpad.xls"), "old");
        EXPECT_EQ(scratch.listing(), L"callpad.xls");
    }
    {
        const MomentaryHolder reader(scratch.file(u8"callpad.xls"), FILE_SHARE_READ, 300ms);
        ASSERT_TRUE(reader.holding());
        EXPECT_EQ(replace(scratch.file(u8"callpad.xls"), "new"), 0);
    }
    EXPECT_EQ(scratch.read(u8"callpad.xls"), "new");
}

// The data folder lets every signed-in account change what is created in it.
TEST(WindowsFolder, TheDataFolderGrantsAuthenticatedUsersInheritableModifyRights) {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        GTEST_SKIP() << "Wine keeps no security descriptor on a file; it shows one made from the Unix mode";
    }
    ScratchFolder scratch;
    const fs::path folder = scratch.file(u8"callpad");
    ASSERT_EQ(createFolder(folder), 0);
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                                    nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    BYTE authenticatedUsers[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof authenticatedUsers;
    ASSERT_TRUE(CreateWellKnownSid(WinAuthenticatedUserSid, nullptr, authenticatedUsers, &sidSize));
    bool granted = false;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void* entry = nullptr;
        if (GetAce(acl, i, &entry) && static_cast<ACE_HEADER*>(entry)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
            granted = granted || (EqualSid(const_cast<DWORD*>(&allowed->SidStart), authenticatedUsers) &&
                                  (allowed->Mask & 0x1301bf) == 0x1301bf &&
                                  (allowed->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) ==
                                      (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
        }
    }
    LocalFree(descriptor);
    EXPECT_TRUE(granted);
}

TEST(WindowsFiles, ReadsWholeFilesWaitsForAnUnsharingHolderAndReportsFailures) {
    ScratchFolder scratch;
    std::string bytes(70000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    scratch.write(u8"a.txt", bytes);
    std::string content;
    {
        const MomentaryHolder writer(scratch.file(u8"a.txt"), 0, 200ms);
        ASSERT_TRUE(writer.holding());
        EXPECT_EQ(readWholeFile(scratch.file(u8"a.txt"), content, nullptr), 0);
    }
    EXPECT_EQ(content, bytes);

    EXPECT_EQ(readWholeFile(scratch.file(u8"none.txt"), content, nullptr), ERROR_FILE_NOT_FOUND);
    FileFaults faults;
    faults.failAt(FileStep::Read, ERROR_CRC);
    EXPECT_EQ(readWholeFile(scratch.file(u8"a.txt"), content, &faults), ERROR_CRC);
}

TEST(WindowsFiles, AHiddenOrSystemFileOrAFolderIsNeitherMissingNorOverwritten) {
    ScratchFolder scratch;
    bool exists = true;
    EXPECT_EQ(normalFileExists(scratch.file(u8"none.txt"), exists), 0);
    EXPECT_FALSE(exists);
    EXPECT_EQ(normalFileExists(scratch.root() / L"no-folder" / L"none.txt", exists), 0);
    EXPECT_FALSE(exists);
    scratch.write(u8"plain.txt", "x");
    EXPECT_EQ(normalFileExists(scratch.file(u8"plain.txt"), exists), 0);
    EXPECT_TRUE(exists);

    // Wine lets MoveFileExW replace a hidden file where Windows refuses; the program refuses on both.
    const struct {
        const char8_t* name;
        DWORD attributes;
    } cases[] = {
        {u8"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        {u8"system.txt", FILE_ATTRIBUTE_SYSTEM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(reinterpret_cast<const char*>(c.name));
        scratch.write(c.name, "kept");
        ASSERT_TRUE(SetFileAttributesW(scratch.file(c.name).c_str(), c.attributes));
        exists = false;
        EXPECT_EQ(normalFileExists(scratch.file(c.name), exists), ERROR_ACCESS_DENIED);
        EXPECT_TRUE(exists);
        EXPECT_EQ(replace(scratch.file(c.name), "new"), ERROR_ACCESS_DENIED);
        EXPECT_EQ(scratch.read(c.name), "kept");
    }
    fs::create_directory(scratch.file(u8"folder.txt"));
    EXPECT_EQ(normalFileExists(scratch.file(u8"folder.txt"), exists), ERROR_ACCESS_DENIED);
    EXPECT_EQ(replace(scratch.file(u8"folder.txt"), "new"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(scratch.listing(), L"folder.txt hidden.txt plain.txt system.txt");
}

// Under a Japanese locale Wine's ANSI code page is 932; under another UTF-8 locale only the wide API
// reaches these names. The test runner runs this program under both.
TEST(WindowsNames, JapaneseNamesAreReadAsUtf8AndReachTheFileSystemWhole) {
    ScratchFolder scratch;
    // "表" and "ソ" end in the byte 0x5C ("\") in code page 932.
    const std::u8string name = u8"表ソ田中callpad.txt";
    const fs::path file = scratch.file(name);
    EXPECT_EQ(file.filename().wstring(), L"表ソ田中callpad.txt");
    ASSERT_EQ(replace(file, "x"), 0);
    bool exists = false;
    EXPECT_EQ(normalFileExists(file, exists), 0);
    EXPECT_TRUE(exists);
    std::string content;
    EXPECT_EQ(readWholeFile(file, content, nullptr), 0);
    EXPECT_EQ(content, "x");
    EXPECT_EQ(scratch.listing(), L"表ソ田中callpad.txt");
}

TEST(WindowsNames, ALongNameInADeepFolderWorksOrIsRefusedWithNothingLeft) {
    ScratchFolder scratch;
    const fs::path deep = scratch.root() / std::wstring(60, L'd') / std::wstring(60, L'e');
    fs::create_directories(deep);
    // A 240-character recipient: with the temporary suffix, the longest name the file system takes, and a
    // whole path beyond 260 characters. Windows needs the extended-length form for it; Wine takes such a
    // path also without, so only on Windows does this prove that form.
    const std::wstring longest = std::wstring(240, L'a') + L"callpad.txt";
    ASSERT_GT((deep / longest).wstring().size() + 4, std::size_t{MAX_PATH});
    EXPECT_EQ(replace(deep / longest, "x"), 0);
    std::string content;
    // Also with forward slashes, which an extended-length path does not accept.
    EXPECT_EQ(readWholeFile(deep.wstring() + L"/" + longest, content, nullptr), 0);
    EXPECT_EQ(content, "x");

    const std::wstring tooLong = std::wstring(241, L'b') + L"callpad.txt";
    EXPECT_NE(replace(deep / tooLong, "x"), 0);
    std::wstring names;
    for (const auto& entry : fs::directory_iterator(deep)) {
        names += entry.path().filename().wstring();
    }
    EXPECT_EQ(names, longest);
}

TEST(WindowsLock, ASecondHolderWaitsThenGivesUpOrTakesTheLockOnceReleased) {
    ScratchFolder scratch;
    const fs::path lockFile = scratch.file(u8"callpad.lock");
    auto first = std::make_unique<FileLock>();
    ASSERT_EQ(first->acquire(lockFile, kPatience, nullptr), 0);
    // While it is held the lock file cannot be deleted, so no next copy locks a new one meanwhile.
    EXPECT_FALSE(DeleteFileW(lockFile.c_str()));
    EXPECT_TRUE(fs::exists(lockFile));
    const auto started = std::chrono::steady_clock::now();
    FileLock second;
    const int refused = second.acquire(lockFile, 200ms, nullptr);
    EXPECT_EQ(errorKind(refused), ErrorKind::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 200ms);

    std::thread releaser([&] {
        std::this_thread::sleep_for(100ms);
        first.reset();
    });
    FileLock third;
    EXPECT_EQ(third.acquire(lockFile, 3000ms, nullptr), 0);
    releaser.join();

    FileFaults faults;
    faults.failAt(FileStep::Lock, ERROR_NOT_SUPPORTED);
    FileLock unsupported;
    EXPECT_EQ(unsupported.acquire(scratch.file(u8"other.lock"), kPatience, &faults), ERROR_NOT_SUPPORTED);
}

// Starts a second copy of this program that takes the lock, then holds it for `hold` and exits.
class LockHolderProcess {
public:
    LockHolderProcess(const fs::path& lockFile, std::chrono::milliseconds hold) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(self) + L"\" " +
                               std::wstring(kHoldLockArgument.begin(), kHoldLockArgument.end()) + L" " +
                               std::to_wstring(hold.count());
        SetEnvironmentVariableW(kLockFileVariable, lockFile.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        m_started =
            CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process);
    }
    ~LockHolderProcess() {
        if (m_started) {
            TerminateProcess(m_process.hProcess, 1);
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
        }
    }
    LockHolderProcess(const LockHolderProcess&) = delete;
    LockHolderProcess& operator=(const LockHolderProcess&) = delete;

    // Waits until the holder has the lock (it then creates "<lock file>.held").
    bool waitUntilHolding(const fs::path& lockFile) const {
        fs::path held = lockFile;
        held += L".held";
        for (int i = 0; m_started && i < 2000; ++i) {
            if (GetFileAttributesW(held.c_str()) != INVALID_FILE_ATTRIBUTES) {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    void kill() const {
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, INFINITE);
    }
    DWORD exitCode() const {
        WaitForSingleObject(m_process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

TEST(WindowsLock, AnotherProcessIsWaitedForAndAKilledHolderReleasesTheLock) {
    ScratchFolder scratch;
    const fs::path lockFile = scratch.file(u8"callpad.lock");
    {
        const LockHolderProcess holder(lockFile, 500ms);
        ASSERT_TRUE(holder.waitUntilHolding(lockFile));
        const auto started = std::chrono::steady_clock::now();
        FileLock waiting;
        EXPECT_EQ(waiting.acquire(lockFile, kPatience, nullptr), 0);
        EXPECT_GE(std::chrono::steady_clock::now() - started, 100ms);
        EXPECT_EQ(holder.exitCode(), 0u);
    }
    fs::remove(scratch.file(u8"callpad.lock.held"));
    const LockHolderProcess holder(lockFile, 60s);
    ASSERT_TRUE(holder.waitUntilHolding(lockFile));
    FileLock refused;
    EXPECT_EQ(errorKind(refused.acquire(lockFile, 100ms, nullptr)), ErrorKind::Busy);
    holder.kill();
    FileLock after;
    EXPECT_EQ(after.acquire(lockFile, kPatience, nullptr), 0);
}

TEST(WindowsClock, LocalTimeAgreesWithTheSystemsTimeZone) {
    const std::time_t moment = 1780000000;  // 2026-05-28 20:26:40 UTC
    // FILETIME counts 100 ns from 1601; time_t seconds from 1970.
    const ULONGLONG ticks = (static_cast<ULONGLONG>(moment) + 11644473600ULL) * 10000000ULL;
    const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    ASSERT_TRUE(FileTimeToSystemTime(&utc, &universal));
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local));
    const std::tm result = localTime(moment);
    EXPECT_EQ(result.tm_year + 1900, local.wYear);
    EXPECT_EQ(result.tm_mon + 1, local.wMonth);
    EXPECT_EQ(result.tm_mday, local.wDay);
    EXPECT_EQ(result.tm_hour, local.wHour);
    EXPECT_EQ(result.tm_min, local.wMinute);
}

// The second copy of LockHolderProcess: takes the lock, marks it, holds it, exits 0.
int holdLock(const char* milliseconds) {
    wchar_t lockFile[MAX_PATH] = {};
    GetEnvironmentVariableW(kLockFileVariable, lockFile, MAX_PATH);
    FileLock lock;
    if (lock.acquire(lockFile, kPatience, nullptr) != 0) {
        return 2;
    }
    std::ofstream(fs::path(lockFile).concat(L".held")) << "held";
    std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(milliseconds)));
    return 0;
}

}  // namespace
}  // namespace callpad::platform

int main(int argc, char** argv) {
    if (argc == 3 && argv[1] == callpad::platform::kHoldLockArgument) {
        return callpad::platform::holdLock(argv[2]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
