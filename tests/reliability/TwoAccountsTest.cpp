#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "names/NameList.h"
#include "records/FileError.h"
#include "records/FolderLock.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

// Two accounts share one data folder: each step runs in a child process that has switched to one of
// two unprivileged user ids, whose primary groups differ and who share a group only as a
// supplementary group, as on an office PC. Needs root to switch; no user needs to exist.
namespace callpad {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
constexpr const char* kPath = "c:\\田中callpad.txt";
constexpr gid_t kSharedGroup = 61000;

struct Account {
    uid_t uid;
    gid_t primaryGroup;
    mode_t umask;
};
constexpr Account kSato{61001, 61001, 022};
constexpr Account kSuzuki{61002, 61002, 022};
constexpr Account kSatoStrict{61001, 61001, 077};
constexpr Account kSuzukiStrict{61002, 61002, 077};

struct FileAccess {
    mode_t mode;
    gid_t group;
    bool operator==(const FileAccess&) const = default;
};

FileAccess accessOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return {static_cast<mode_t>(info.st_mode & 07777), info.st_gid};
}

std::ostream& operator<<(std::ostream& out, const FileAccess& access) {
    return out << std::oct << access.mode << std::dec << " group " << access.group;
}

// What a step did: "ok", or the file error it met ("Lock 13 /tmp/.../callpad.lock").
std::string describe(const FileError& error) {
    return std::to_string(static_cast<int>(error.operation())) + " " + std::to_string(error.number()) + " " +
           error.path();
}

// Runs `step` as the account in a child process and returns what it did. A child that does not end
// within ten seconds is killed and reported.
std::string runAs(const Account& account, const std::function<void()>& step) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return "no pipe";
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        const gid_t groups[] = {kSharedGroup};
        std::string result = "cannot switch account";
        if (::setgroups(1, groups) == 0 && ::setgid(account.primaryGroup) == 0 && ::setuid(account.uid) == 0) {
            ::umask(account.umask);
            try {
                step();
                result = "ok";
            } catch (const FileError& error) {
                result = describe(error);
            } catch (const std::exception& error) {
                result = error.what();
            }
        }
        (void)!::write(channel[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ::close(channel[0]);
            return "timed out";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string result;
    char buffer[512];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    return result;
}

std::function<void()> save(const DataFolder& folder, int number) {
    return [&folder, number] { saveNewMessage(folder, kPath, test::numberedMessage(number)); };
}

class TwoAccounts : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to switch to two user ids (setuid); CI runs it as root";
        }
        ASSERT_EQ(::chmod(m_temp.root().c_str(), 0755), 0);
    }

    // The shared data folder, group-owned by the shared group, with the given mode.
    const DataFolder& sharedFolder(mode_t mode) {
        fs::create_directory(m_shared.root());
        EXPECT_EQ(::chown(m_shared.root().c_str(), 0, kSharedGroup), 0);
        EXPECT_EQ(::chmod(m_shared.root().c_str(), mode), 0);
        return m_shared;
    }
    fs::path file() const { return m_shared.root() / fs::path(u8"田中callpad.txt"); }
    fs::path lockFile() const { return m_shared.root() / kLockFileName; }

    TempFolder m_temp;
    DataFolder m_shared{m_temp.root() / "shared"};
};

TEST_F(TwoAccounts, TakeTurnsOnASetgidFolderAndEveryFileKeepsItsModeAndGroup) {
    const DataFolder& folder = sharedFolder(02770);
    ASSERT_EQ(runAs(kSato, save(folder, 1)), "ok");
    const FileAccess created = accessOf(file());
    EXPECT_EQ(created, (FileAccess{0644, kSharedGroup}));
    ASSERT_EQ(runAs(kSuzuki, [&] { SaveNameList(folder, "c:\\callpadUT.txt", NameList{}); }), "ok");
    const FileAccess list = accessOf(m_shared.root() / "callpadUT.txt");

    const struct {
        const char* name;
        Account account;
        std::function<void()> step;
    } turns[] = {
        {"the other account saves", kSuzuki, save(folder, 2)},
        {"the other account leaves a temporary file", kSuzuki,
         [&] { std::ofstream(m_shared.root() / fs::path(u8"田中callpad.txt.tmp")) << "half"; }},
        {"umask 077 saves over it", kSatoStrict, save(folder, 3)},
        {"the other account reads and deletes after it", kSuzuki,
         [&] {
             MessageTable table;
             LoadMessages(folder, kPath, table);
             deleteMessageFromFile(folder, kPath, table, 2, 0);
         }},
        {"umask 077 rewrites the list", kSuzukiStrict, [&] { SaveNameList(folder, "c:\\callpadUT.txt", NameList{}); }},
        {"the first account saves again", kSato, save(folder, 4)},
    };
    for (const auto& turn : turns) {
        SCOPED_TRACE(turn.name);
        EXPECT_EQ(runAs(turn.account, turn.step), "ok");
        EXPECT_EQ(accessOf(file()), created);
        EXPECT_EQ(accessOf(m_shared.root() / "callpadUT.txt"), list);
        EXPECT_EQ(accessOf(lockFile()), (FileAccess{0660, kSharedGroup}));
    }
    EXPECT_EQ(test::numbersInFile(folder, kPath), (std::vector<int>{4, 3, 1}));
    EXPECT_FALSE(fs::exists(m_shared.root() / fs::path(u8"田中callpad.txt.tmp")));
}

TEST_F(TwoAccounts, ALockFileTheOtherCannotWriteIsReportedAndTheProgramsOwnServesBoth) {
    const DataFolder& folder = sharedFolder(02770);
    ASSERT_EQ(runAs(kSuzuki, [&] { ::close(::open(lockFile().c_str(), O_CREAT | O_WRONLY, 0644)); }), "ok");
    EXPECT_EQ(runAs(kSato, save(folder, 1)), std::to_string(static_cast<int>(FileOperation::Lock)) + " " +
                                                 std::to_string(EACCES) + " " + lockFile().string());
    EXPECT_FALSE(fs::exists(file()));

    // The fix the message gives: remove the lock file; the program then makes one both can lock.
    ASSERT_EQ(runAs(kSato, [&] { fs::remove(lockFile()); }), "ok");
    EXPECT_EQ(runAs(kSato, save(folder, 1)), "ok");
    EXPECT_EQ(runAs(kSuzuki, save(folder, 2)), "ok");
    EXPECT_EQ(runAs(kSato, [&] { FolderLock lock(folder, std::chrono::milliseconds(0)); }), "ok");
    EXPECT_EQ(test::numbersInFile(folder, kPath), (std::vector<int>{2, 1}));
}

TEST_F(TwoAccounts, WithoutSetgidTheGroupIsKeptWhereTheWriterBelongsToIt) {
    const DataFolder& folder = sharedFolder(0770);
    const struct {
        const char* name;
        gid_t group;       // of the file before the save
        FileAccess after;  // of the file after the save
    } cases[] = {
        {"the shared group, a supplementary group of the writer", kSharedGroup, {0664, kSharedGroup}},
        {"the other account's own group: others' rights for the group",
         kSuzuki.primaryGroup,
         {0644, kSato.primaryGroup}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(file());
        ASSERT_EQ(runAs(kSuzuki, save(folder, 1)), "ok");
        ASSERT_EQ(::chown(file().c_str(), kSuzuki.uid, c.group), 0);
        ASSERT_EQ(::chmod(file().c_str(), 0664), 0);
        EXPECT_EQ(runAs(kSato, save(folder, 2)), "ok");
        EXPECT_EQ(accessOf(file()), c.after);
        EXPECT_EQ(test::numbersInFile(folder, kPath), (std::vector<int>{2, 1}));
    }
}

TEST_F(TwoAccounts, AStickyFolderRefusesToReplaceTheOtherAccountsFile) {
    const DataFolder& folder = sharedFolder(03770);
    ASSERT_EQ(runAs(kSuzuki, save(folder, 1)), "ok");
    EXPECT_EQ(runAs(kSato, save(folder, 2)), std::to_string(static_cast<int>(FileOperation::Write)) + " " +
                                                 std::to_string(EPERM) + " " + file().string());
    EXPECT_EQ(test::numbersInFile(folder, kPath), std::vector<int>{1});
}

}  // namespace
}  // namespace callpad
