#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "records/FileError.h"
#include "records/FolderLock.h"
#include "records/MountTable.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad::test {
namespace {

namespace fs = std::filesystem;
constexpr const char* kPath = "c:\\田中callpad.txt";

// The permission bits and the group of a file, not of a link's target.
using Access = std::pair<mode_t, gid_t>;
Access accessOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return {info.st_mode & 07777, info.st_gid};
}

// What a file error names: its operation, error number, path and detail.
std::string failure(FileOperation operation, int number, const std::string& path, const std::string& detail = "") {
    return std::to_string(static_cast<int>(operation)) + " " + std::to_string(number) + " " + path + " " + detail;
}

// What `step` did: "ok", or the failure it met.
std::string outcome(const std::function<void()>& step) {
    try {
        step();
        return "ok";
    } catch (const FileError& error) {
        return failure(error.operation(), error.number(), error.path(), error.detail());
    } catch (const std::exception& error) {
        return error.what();
    }
}

// Sets the process umask for one test and puts the old one back.
struct Umask {
    explicit Umask(mode_t mask) : old(::umask(mask)) {}
    ~Umask() { ::umask(old); }
    Umask(const Umask&) = delete;
    mode_t old;
};

TEST(ShownPaths, NameTheRealFileWithTheHomeFolderAsTilde) {
    const std::pair<DataFolder, const char*> cases[] = {
        {DataFolder("/home/ta/callpad", "/home/ta/"), "~/callpad/田中callpad.txt"},
        {DataFolder("/home/tanaka/callpad", "/home/ta"), "/home/tanaka/callpad/田中callpad.txt"},
        {DataFolder("/srv/office/callpad", "/home/ta"), "/srv/office/callpad/田中callpad.txt"},
        {DataFolder("/home/ta/callpad"), "/home/ta/callpad/田中callpad.txt"},
    };
    for (const auto& [folder, shown] : cases) {
        EXPECT_EQ(folder.shownPath(kPath), shown);
    }
}

// The program's own lookup, with the XDG files of the home it runs in.
TEST(WorkbookFolder, IsTheDocumentsFolderThatExistsElseDocumentsElseHome) {
    TempFolder home;
    const std::string quoted = "XDG_DOCUMENTS_DIR=\"" + home.root().string() + "/docs \\\"quoted\\\"\"\n";
    const struct {
        std::string userDirs;  // the user-dirs.dirs file, or none
        bool documentsExists;  // ~/Documents
        fs::path expected;
    } cases[] = {
        {"# by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n",
         true, home.path("ドキュメント")},
        {quoted, false, home.path("docs \"quoted\"")},
        {"XDG_DOCUMENTS_DIR=\"$HOME/gone\"\n", true, home.path("Documents")},
        {"", true, home.path("Documents")},
        {"# XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n", false, home.root()},
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"\n", true, home.root()},
    };
    fs::create_directories(home.path(".config"));
    fs::create_directory(home.path("ドキュメント"));
    fs::create_directory(home.path("docs \"quoted\""));
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.root().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.userDirs);
        fs::remove(home.path(".config/user-dirs.dirs"));
        fs::remove(home.path("Documents"));
        if (!c.userDirs.empty()) {
            home.write(".config/user-dirs.dirs", c.userDirs);
        }
        if (c.documentsExists) {
            fs::create_directory(home.path("Documents"));
        }
        EXPECT_EQ(DataFolder::workbookFolderForThisMachine().root(), c.expected);
    }
    // The last row's folder is the home folder itself.
    EXPECT_EQ(DataFolder::workbookFolderForThisMachine().shownPath("c:\\callpad.xls"), "~/callpad.xls");
    ::setenv("HOME", oldHome.c_str(), 1);
}

TEST(MountTable, FindsTheOptionsThatKeepLocksOnThisPc) {
    TempFolder temp;
    const struct {
        const char* name;
        const char* lines;
        std::optional<std::string> option;
    } cases[] = {
        {"NFS 4 with working locks", "s:/x /nowhere/office nfs4 rw,vers=4.2,local_lock=none 0 0\n", std::nullopt},
        {"NFS nolock", "s:/x /nowhere/office nfs rw,vers=3,nolock 0 0\n", "nolock"},
        {"NFS local_lock=posix", "s:/x /nowhere/office nfs rw,local_lock=posix 0 0\n", "local_lock=posix"},
        {"NFS local_lock=all", "s:/x /nowhere/office nfs4 rw,local_lock=all 0 0\n", "local_lock=all"},
        {"NFS local_lock=flock keeps only flock", "s:/x /nowhere/office nfs rw,local_lock=flock 0 0\n", std::nullopt},
        {"SMB nobrl", "//s/x /nowhere/office cifs rw,vers=3.1.1,nobrl 0 0\n", "nobrl"},
        {"the innermost mount counts", "s:/x /nowhere nfs rw,nolock 0 0\n//s/y /nowhere/office cifs rw 0 0\n",
         std::nullopt},
        {"a mount point that only starts like the folder's", "s:/x /nowhere/off nfs rw,nolock 0 0\n", std::nullopt},
        {"the last mount on a point hides the earlier",
         "//s/y /nowhere/office cifs rw 0 0\ns:/x /nowhere/office nfs rw,nolock 0 0\n", "nolock"},
        {"an NFS root holds every folder", "s:/x / nfs rw,nolock 0 0\n", "nolock"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        temp.write("mounts", c.lines);
        EXPECT_EQ(localLockOption("/nowhere/office/callpad", temp.path("mounts")), c.option);
    }
    temp.write("mounts", "//s/x /nowhere/my\\040office cifs rw,nobrl 0 0\n");
    EXPECT_EQ(localLockOption("/nowhere/my office/callpad", temp.path("mounts")), "nobrl");
    EXPECT_EQ(localLockOption("/nowhere/office/callpad", temp.path("no-such-table")), std::nullopt);
}

// A folder that cannot hold the folder lock, and a link to a share that is not mounted, whether the data
// folder or a folder above it, are reported by reads and writes before anything is created. A folder
// that nothing was saved in yet is simply empty.
TEST(SharedFolder, AFolderWhoseLocksStayLocalOrThatIsNotThereIsReportedAndNothingIsCreated) {
    TempFolder temp;
    temp.write("mounts", "s:/x " + fs::canonical(temp.root()).string() + " nfs rw,nolock 0 0\n");
    DataFolder nolock(temp.root() / "callpad");
    nolock.useMountTable(temp.path("mounts"));
    EXPECT_EQ(outcome([&] { saveNewMessage(nolock, kPath, numberedMessage(1)); }),
              failure(FileOperation::LocalLock, ENOLCK, nolock.root().string(), "nolock"));

    fs::create_symlink(temp.root() / "mnt" / "office" / "callpad", temp.root() / "data-link");
    fs::create_symlink(temp.root() / "mnt" / "office", temp.root() / "share-link");
    const DataFolder dangling(temp.root() / "data-link", temp.root());
    const DataFolder underLink(temp.root() / "share-link" / "callpad");
    for (const auto& [folder, shown] : {std::pair{&dangling, "~/data-link"}, {&underLink, underLink.root().c_str()}}) {
        SCOPED_TRACE(shown);
        const std::string unreachable = failure(FileOperation::Reach, ENOENT, shown);
        MessageTable table;
        EXPECT_EQ(outcome([&] { LoadMessages(*folder, kPath, table); }), unreachable);
        EXPECT_EQ(outcome([&] { saveNewMessage(*folder, kPath, numberedMessage(1)); }), unreachable);
    }

    const DataFolder fresh(temp.root() / "fresh" / "callpad");
    MessageTable table;
    EXPECT_TRUE(LoadMessages(fresh, kPath, table).isWhole());
    EXPECT_EQ(temp.listing(), "data-link mounts share-link");
}

// Under umask 077 a rewrite keeps the mode a first save's file was given, and links planted under the
// names it uses never lead it elsewhere: a temporary file's link goes, a lock file's is refused.
TEST(SharedFolder, RewritesKeepTheModeAndNeverFollowLinksPlantedUnderTheirNames) {
    TempFolder temp;
    const TempFolder elsewhere;
    const Umask strict(077);
    const fs::path file = temp.path("田中callpad.txt");
    saveNewMessage(temp.folder(), kPath, numberedMessage(1));
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    elsewhere.write("victim", "mine");
    ASSERT_EQ(::chmod(elsewhere.path("victim").c_str(), 0600), 0);
    fs::create_symlink(elsewhere.path("victim"), temp.path("田中callpad.txt.tmp"));
    EXPECT_EQ(saveNewMessage(temp.folder(), kPath, numberedMessage(2)), SaveResult::Saved);
    EXPECT_EQ(accessOf(file).first, 0664u);

    fs::remove(temp.root() / kLockFileName);
    fs::create_symlink(elsewhere.path("victim"), temp.root() / kLockFileName);
    EXPECT_EQ(outcome([&] { saveNewMessage(temp.folder(), kPath, numberedMessage(3)); }),
              failure(FileOperation::Lock, ELOOP, (temp.root() / kLockFileName).string()));
    EXPECT_EQ(elsewhere.read("victim"), "mine");
    EXPECT_EQ(accessOf(elsewhere.path("victim")).first, 0600u);
}

TEST(SharedFolder, TheLockFileIsWritableByWhoeverMayWriteTheFolder) {
    const Umask strict(077);
    for (const auto& [folderMode, lockMode] : {std::pair{0700u, 0600u}, {02770u, 0660u}, {0777u, 0666u}}) {
        SCOPED_TRACE(folderMode);
        TempFolder temp;
        ASSERT_EQ(::chmod(temp.root().c_str(), folderMode), 0);
        { FolderLock lock(temp.folder()); }
        EXPECT_EQ(accessOf(temp.root() / kLockFileName).first, lockMode);
        // An existing lock file's mode is left alone.
        ASSERT_EQ(::chmod((temp.root() / kLockFileName).c_str(), 0640), 0);
        { FolderLock lock(temp.folder()); }
        EXPECT_EQ(accessOf(temp.root() / kLockFileName).first, 0640u);
    }
}

// Two accounts share one data folder: each step runs as one of two unprivileged user ids, whose primary
// groups differ and who share a group only as a supplementary group, as on an office PC. Needs root to
// switch; no user needs to exist.
constexpr gid_t kSharedGroup = 61000;

// The two accounts' user ids, each also the id of the account's primary group.
constexpr uid_t kSato = 61001;
constexpr uid_t kSuzuki = 61002;

// Runs `step` as the account under umask 022 and returns what it did: "ok" or the failure it met. The
// saved user id stays 0, so that the test becomes root again after the step.
std::string runAs(uid_t account, const std::function<void()>& step) {
    const gid_t groups[] = {kSharedGroup};
    std::string result = "cannot switch account";
    if (::setgroups(1, groups) == 0 && ::setresgid(account, account, 0) == 0 && ::setresuid(account, account, 0) == 0) {
        const Umask mask(022);
        result = outcome(step);
    }
    if (::setresuid(0, 0, 0) != 0 || ::setresgid(0, 0, 0) != 0 || ::setgroups(0, nullptr) != 0) {
        std::abort();  // the tests after it would run as the account
    }
    return result;
}

class TwoAccounts : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to switch to two user ids (setresuid); CI runs it as root";
        }
        ASSERT_EQ(::chmod(m_temp.root().c_str(), 0755), 0);
    }

    // The shared data folder, group-owned by the shared group, with the given mode, and no files in it.
    void share(mode_t mode) {
        fs::remove_all(m_folder.root());
        fs::create_directory(m_folder.root());
        EXPECT_EQ(::chown(m_folder.root().c_str(), 0, kSharedGroup), 0);
        EXPECT_EQ(::chmod(m_folder.root().c_str(), mode), 0);
    }
    std::function<void()> save(int number) const {
        return [this, number] { saveNewMessage(m_folder, kPath, numberedMessage(number)); };
    }

    TempFolder m_temp;
    const DataFolder m_folder{m_temp.root() / "shared"};
    const fs::path m_file = m_temp.path("shared/田中callpad.txt");
    const fs::path m_lock = m_temp.path("shared/callpad.lock");
};

// A lock file the other account cannot write is refused; once it is removed, as the message says, the
// program makes one both can lock. Then the accounts take turns, also after the other left a temporary
// file, and the file keeps its mode and group.
TEST_F(TwoAccounts, TakeTurnsOnASetgidFolderAndTheFileKeepsItsModeAndGroup) {
    share(02770);
    ASSERT_EQ(runAs(kSuzuki, [&] { ::close(::open(m_lock.c_str(), O_CREAT | O_WRONLY, 0644)); }), "ok");
    EXPECT_EQ(runAs(kSato, save(1)), failure(FileOperation::Lock, EACCES, m_lock.string()));
    ASSERT_EQ(runAs(kSato, [&] { fs::remove(m_lock); }), "ok");
    ASSERT_EQ(runAs(kSato, save(1)), "ok");

    const struct {
        const char* name;
        uid_t account;
        std::function<void()> step;
    } turns[] = {
        {"the other account saves", kSuzuki, save(2)},
        {"the other account leaves a temporary file", kSuzuki,
         [&] { m_temp.write("shared/田中callpad.txt.tmp", "half"); }},
        {"the first account saves over it", kSato, save(3)},
        {"the other account reads and deletes after it", kSuzuki,
         [&] {
             MessageTable table;
             LoadMessages(m_folder, kPath, table);
             deleteMessageFromFile(m_folder, kPath, table, 2, 0);
         }},
    };
    for (const auto& turn : turns) {
        SCOPED_TRACE(turn.name);
        EXPECT_EQ(runAs(turn.account, turn.step), "ok");
        EXPECT_EQ(accessOf(m_file), Access(0644, kSharedGroup));
    }
    EXPECT_EQ(numbersInFile(m_folder, kPath), (std::vector<int>{3, 1}));
    EXPECT_FALSE(fs::exists(m_temp.path("shared/田中callpad.txt.tmp")));
}

// One account saves over the other's file: without setgid the file keeps its group where the writer
// belongs to it, else the group gets only others' rights; a sticky folder refuses the save.
TEST_F(TwoAccounts, ASaveOverTheOtherAccountsFileKeepsItsGroupOrIsRefusedInAStickyFolder) {
    const struct {
        const char* name;
        mode_t folderMode;
        gid_t group;   // of the file before the save
        int error;     // that the save meets, or 0
        Access after;  // of the file after the save
    } cases[] = {
        {"the shared group, a supplementary group of the writer", 0770, kSharedGroup, 0, {0664, kSharedGroup}},
        {"the other's own group: others' rights for it", 0770, kSuzuki, 0, {0644, kSato}},
        {"a sticky folder", 03770, kSharedGroup, EPERM, {0664, kSharedGroup}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        share(c.folderMode);
        ASSERT_EQ(runAs(kSuzuki, save(1)), "ok");
        ASSERT_EQ(::chown(m_file.c_str(), kSuzuki, c.group), 0);
        ASSERT_EQ(::chmod(m_file.c_str(), 0664), 0);
        EXPECT_EQ(runAs(kSato, save(2)), c.error ? failure(FileOperation::Write, c.error, m_file.string()) : "ok");
        EXPECT_EQ(accessOf(m_file), c.after);
        EXPECT_EQ(numbersInFile(m_folder, kPath), (c.error ? std::vector<int>{1} : std::vector<int>{2, 1}));
    }
}

}  // namespace
}  // namespace callpad::test
