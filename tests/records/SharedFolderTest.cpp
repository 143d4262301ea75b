#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "names/NameList.h"
#include "records/AtomicFile.h"
#include "records/DocumentsFolder.h"
#include "records/FileError.h"
#include "records/FolderLock.h"
#include "records/MountTable.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
constexpr const char* kPath = "c:\\田中callpad.txt";

void writeText(const fs::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
}

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

// Sets the process umask for one test and puts the old one back.
class Umask {
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

private:
    mode_t m_old;
};

// The error a call throws, or nothing.
template <typename Call>
std::optional<FileError> errorOf(Call call) {
    try {
        call();
    } catch (const FileError& error) {
        return error;
    }
    return std::nullopt;
}

TEST(ShownPaths, NameTheRealFileWithTheHomeFolderAsTilde) {
    const struct {
        const char* name;
        DataFolder folder;
        const char* shown;
    } cases[] = {
        {"below home", DataFolder("/home/ta/.local/share/callpad", "/home/ta"),
         "~/.local/share/callpad/田中callpad.txt"},
        {"home given with a slash", DataFolder("/home/ta/callpad", "/home/ta/"), "~/callpad/田中callpad.txt"},
        {"a longer name that starts like home", DataFolder("/home/tanaka/callpad", "/home/ta"),
         "/home/tanaka/callpad/田中callpad.txt"},
        {"a share outside home", DataFolder("/srv/office/callpad", "/home/ta"), "/srv/office/callpad/田中callpad.txt"},
        {"no home known", DataFolder("/home/ta/callpad"), "/home/ta/callpad/田中callpad.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.folder.shownPath(kPath), c.shown);
    }
    EXPECT_EQ(DataFolder("/home/ta/.local/share/callpad", "/home/ta").shownRoot(), "~/.local/share/callpad");

    // The errors of the file layer carry the same path.
    TempFolder temp;
    const DataFolder inHome(temp.root() / "callpad", temp.root());
    fs::create_directories(inHome.root() / fs::path(u8"田中callpad.txt"));
    const auto error = errorOf([&] { fileExists(inHome, kPath); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->path(), "~/callpad/田中callpad.txt");
}

TEST(WorkbookFolder, IsTheDocumentsFolderThatExistsElseDocumentsElseHome) {
    TempFolder home;
    const fs::path config = home.path(".config");
    const struct {
        const char* name;
        const char* userDirs;  // the user-dirs.dirs file with %HOME% for the home folder, or nullptr for none
        bool documentsExists;  // ~/Documents
        fs::path expected;
    } cases[] = {
        {"the desktop's Japanese folder",
         "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
         "XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n",
         true, home.path("ドキュメント")},
        {"an absolute path with escaped quotes", "XDG_DOCUMENTS_DIR=\"%HOME%/docs \\\"quoted\\\"\"\n", false,
         home.path("docs \"quoted\"")},
        {"a configured folder that does not exist", "XDG_DOCUMENTS_DIR=\"$HOME/gone\"\n", true, home.path("Documents")},
        {"a commented-out line", "# XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n", false, home.root()},
        {"documents turned off (home itself)", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n", true, home.root()},
        {"no user-dirs file", nullptr, true, home.path("Documents")},
        {"nothing at all", nullptr, false, home.root()},
    };
    fs::create_directories(config);
    fs::create_directory(home.path("ドキュメント"));
    fs::create_directory(home.path("docs \"quoted\""));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(config / "user-dirs.dirs");
        fs::remove(home.path("Documents"));
        if (c.userDirs) {
            std::string text = c.userDirs;
            if (const auto at = text.find("%HOME%"); at != std::string::npos) {
                text.replace(at, 6, home.root().string());
            }
            writeText(config / "user-dirs.dirs", text);
        }
        if (c.documentsExists) {
            fs::create_directory(home.path("Documents"));
        }
        EXPECT_EQ(documentsFolder(home.root(), config), c.expected);
    }

    // The program's own lookup takes the XDG files of the home it runs in.
    writeText(config / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n");
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", home.root().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const DataFolder workbookFolder = DataFolder::workbookFolderForThisMachine();
    ::setenv("HOME", oldHome.c_str(), 1);
    EXPECT_EQ(workbookFolder.root(), home.path("ドキュメント"));
    EXPECT_EQ(workbookFolder.shownPath("c:\\callpad.xls"), "~/ドキュメント/callpad.xls");
}

TEST(MountTable, FindsTheOptionsThatKeepLocksOnThisPc) {
    TempFolder temp;
    const fs::path table = temp.root() / "mounts";
    const fs::path folder = "/callpad-nowhere/office/callpad";
    const struct {
        const char* name;
        const char* lines;
        std::optional<std::string> option;
    } cases[] = {
        {"NFS 4 with working locks", "srv:/x /callpad-nowhere/office nfs4 rw,vers=4.2,local_lock=none 0 0\n",
         std::nullopt},
        {"NFS nolock", "srv:/x /callpad-nowhere/office nfs rw,vers=3,nolock 0 0\n", "nolock"},
        {"NFS local_lock=posix", "srv:/x /callpad-nowhere/office nfs rw,local_lock=posix 0 0\n", "local_lock=posix"},
        {"NFS local_lock=all", "srv:/x /callpad-nowhere/office nfs4 rw,local_lock=all 0 0\n", "local_lock=all"},
        {"NFS local_lock=flock leaves record locks alone",
         "srv:/x /callpad-nowhere/office nfs rw,local_lock=flock 0 0\n", std::nullopt},
        {"SMB nobrl", "//srv/x /callpad-nowhere/office cifs rw,vers=3.1.1,nobrl 0 0\n", "nobrl"},
        {"SMB with byte-range locks", "//srv/x /callpad-nowhere/office cifs rw,vers=3.1.1 0 0\n", std::nullopt},
        {"the innermost mount counts",
         "srv:/x /callpad-nowhere nfs rw,nolock 0 0\n//srv/y /callpad-nowhere/office cifs rw 0 0\n", std::nullopt},
        {"a mount point that only starts like the folder's", "srv:/x /callpad-nowhere/off nfs rw,nolock 0 0\n",
         std::nullopt},
        {"the last mount on a point hides the earlier",
         "//srv/y /callpad-nowhere/office cifs rw 0 0\n"
         "srv:/x /callpad-nowhere/office nfs rw,nolock 0 0\n",
         "nolock"},
        {"a local file system", "/dev/sda1 / ext4 rw,relatime 0 0\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(table, c.lines);
        EXPECT_EQ(localLockOption(folder, table), c.option);
    }
    writeText(table, "//srv/x /callpad-nowhere/my\\040share cifs rw,nobrl 0 0\n");
    EXPECT_EQ(localLockOption("/callpad-nowhere/my share/callpad", table), "nobrl");
    EXPECT_EQ(localLockOption(folder, temp.root() / "no-such-table"), std::nullopt);
}

TEST(SharedFolder, AMountThatKeepsLocksLocalIsRefusedBeforeAnythingIsWritten) {
    TempFolder temp;
    const fs::path table = temp.root().parent_path() / (temp.root().filename().string() + "-mounts");
    writeText(table, "srv:/x " + fs::canonical(temp.root()).string() + " nfs rw,nolock 0 0\n");
    DataFolder folder(temp.root() / "callpad");
    folder.useMountTable(table);
    const auto error = errorOf([&] { saveNewMessage(folder, kPath, test::sampleMessage("1")); });
    fs::remove(table);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->operation(), FileOperation::LocalLock);
    EXPECT_EQ(error->detail(), "nolock");
    EXPECT_EQ(error->path(), folder.root().string());
    EXPECT_EQ(temp.listing(), "");
}

TEST(SharedFolder, ALinkToAShareThatIsNotThereIsReportedAndNothingIsCreated) {
    TempFolder temp;
    const fs::path share = temp.root() / "mnt" / "office";
    fs::create_symlink(share / "callpad", temp.root() / "data-link");
    fs::create_symlink(share, temp.root() / "share-link");
    const DataFolder dangling(temp.root() / "data-link", temp.root());
    const DataFolder belowDangling(temp.root() / "share-link" / "callpad");
    for (const DataFolder* folder : {&dangling, &belowDangling}) {
        SCOPED_TRACE(folder->root());
        MessageTable table;
        const auto readError = errorOf([&] { LoadMessages(*folder, kPath, table); });
        ASSERT_TRUE(readError);
        EXPECT_EQ(readError->operation(), FileOperation::Reach);
        const auto writeError = errorOf([&] { saveNewMessage(*folder, kPath, test::sampleMessage("1")); });
        ASSERT_TRUE(writeError);
        EXPECT_EQ(writeError->operation(), FileOperation::Reach);
        EXPECT_FALSE(fs::exists(temp.root() / "mnt"));
    }
    EXPECT_EQ(errorOf([&] { fileExists(dangling, kPath); })->path(), "~/data-link");

    // A folder that nothing was saved in yet is simply empty.
    const DataFolder fresh(temp.root() / "fresh" / "callpad");
    MessageTable table;
    EXPECT_TRUE(LoadMessages(fresh, kPath, table).isWhole());
    EXPECT_EQ(table.MessageCount(), 0);
    EXPECT_FALSE(fs::exists(temp.root() / "fresh"));
}

// Under umask 077 a rewrite keeps the mode a first save's file was given, and links planted under the
// names it uses never lead it elsewhere.
TEST(SharedFolder, RewritesKeepTheModeAndNeverFollowLinksPlantedUnderTheirNames) {
    TempFolder temp;
    const Umask strict(077);
    const fs::path file = temp.path("田中callpad.txt");
    saveNewMessage(temp.folder(), kPath, test::sampleMessage("1"));
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    saveNewMessage(temp.folder(), kPath, test::sampleMessage("2"));
    EXPECT_EQ(accessOf(file).mode, 0664u);

    // A temporary file name that is a link: the link goes, the file it points at stays as it was.
    const fs::path victim = temp.root().parent_path() / (temp.root().filename().string() + "-victim");
    writeText(victim, "mine");
    ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
    fs::create_symlink(victim, temp.path("田中callpad.txt.tmp"));
    saveNewMessage(temp.folder(), kPath, test::sampleMessage("3"));
    MessageTable table;
    LoadMessages(temp.folder(), kPath, table);
    EXPECT_EQ(table.MessageCount(), 3);
    EXPECT_EQ(accessOf(file).mode, 0664u);

    // A lock file name that is a link: refused, nothing written, nothing changed.
    fs::remove(temp.root() / kLockFileName);
    fs::create_symlink(victim, temp.root() / kLockFileName);
    const std::string before = temp.read("田中callpad.txt");
    const auto error = errorOf([&] { saveNewMessage(temp.folder(), kPath, test::sampleMessage("4")); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->operation(), FileOperation::Lock);
    EXPECT_EQ(error->number(), ELOOP);
    EXPECT_EQ(temp.read("田中callpad.txt"), before);
    std::ifstream victimText(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victimText), {}), "mine");
    EXPECT_EQ(accessOf(victim).mode, 0600u);
    fs::remove(victim);
}

TEST(SharedFolder, TheLockFileIsWritableByWhoeverMayWriteTheFolder) {
    const Umask strict(077);
    for (const auto& [folderMode, lockMode] : {std::pair{0700u, 0600u}, {02770u, 0660u}, {0777u, 0666u}}) {
        SCOPED_TRACE(folderMode);
        TempFolder temp;
        ASSERT_EQ(::chmod(temp.root().c_str(), folderMode), 0);
        { FolderLock lock(temp.folder()); }
        EXPECT_EQ(accessOf(temp.root() / kLockFileName).mode, lockMode);
        // An existing lock file's mode is left alone.
        ASSERT_EQ(::chmod((temp.root() / kLockFileName).c_str(), 0640), 0);
        { FolderLock lock(temp.folder()); }
        EXPECT_EQ(accessOf(temp.root() / kLockFileName).mode, 0640u);
    }
}

// Two accounts share one data folder: each step runs in a child process that has switched to one of
// two unprivileged user ids, whose primary groups differ and who share a group only as a
// supplementary group, as on an office PC. Needs root to switch; no user needs to exist.
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

// What a step met: the operation, the error number and the path of a file error.
std::string failure(FileOperation operation, int number, const std::string& path) {
    return std::to_string(static_cast<int>(operation)) + " " + std::to_string(number) + " " + path;
}

// Runs `step` as the account in a child process and returns what it did: "ok" or the failure it met.
// A child that does not end within ten seconds is ended by its alarm and reported.
std::string runAs(const Account& account, const std::function<void()>& step) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return "no pipe";
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        ::alarm(10);
        const gid_t groups[] = {kSharedGroup};
        std::string result = "cannot switch account";
        if (::setgroups(1, groups) == 0 && ::setgid(account.primaryGroup) == 0 && ::setuid(account.uid) == 0) {
            ::umask(account.umask);
            try {
                step();
                result = "ok";
            } catch (const FileError& error) {
                result = failure(error.operation(), error.number(), error.path());
            } catch (const std::exception& error) {
                result = error.what();
            }
        }
        (void)!::write(channel[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[512];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status)) : result;
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
    EXPECT_EQ(runAs(kSato, save(folder, 1)), failure(FileOperation::Lock, EACCES, lockFile().string()));
    EXPECT_FALSE(fs::exists(file()));

    // The fix the message gives: remove the lock file; the program then makes one both can lock.
    ASSERT_EQ(runAs(kSato, [&] { fs::remove(lockFile()); }), "ok");
    EXPECT_EQ(runAs(kSato, save(folder, 1)), "ok");
    EXPECT_EQ(runAs(kSuzuki, save(folder, 2)), "ok");
    EXPECT_EQ(runAs(kSato, [&] { FolderLock lock(folder, std::chrono::milliseconds(0)); }), "ok");
    EXPECT_EQ(test::numbersInFile(folder, kPath), (std::vector<int>{2, 1}));
}

// One account saves over the other's file: without setgid the file keeps its group where the writer
// belongs to it, else the group gets only others' rights; a sticky folder refuses the save.
TEST_F(TwoAccounts, ASaveOverTheOtherAccountsFileKeepsItsGroupOrIsRefusedInAStickyFolder) {
    const struct {
        const char* name;
        mode_t folderMode;
        gid_t group;       // of the file before the save
        int error;         // that the save meets, or 0
        FileAccess after;  // of the file after the save
    } cases[] = {
        {"the shared group, a supplementary group of the writer", 0770, kSharedGroup, 0, {0664, kSharedGroup}},
        {"the other account's own group: others' rights for the group",
         0770,
         kSuzuki.primaryGroup,
         0,
         {0644, kSato.primaryGroup}},
        {"a sticky folder", 03770, kSharedGroup, EPERM, {0664, kSharedGroup}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DataFolder& folder = sharedFolder(c.folderMode);
        fs::remove(file());
        fs::remove(lockFile());
        ASSERT_EQ(runAs(kSuzuki, save(folder, 1)), "ok");
        ASSERT_EQ(::chown(file().c_str(), kSuzuki.uid, c.group), 0);
        ASSERT_EQ(::chmod(file().c_str(), 0664), 0);
        EXPECT_EQ(runAs(kSato, save(folder, 2)),
                  c.error ? failure(FileOperation::Write, c.error, file().string()) : "ok");
        EXPECT_EQ(accessOf(file()), c.after);
        EXPECT_EQ(test::numbersInFile(folder, kPath), (c.error ? std::vector<int>{1} : std::vector<int>{2, 1}));
    }
}

}  // namespace
}  // namespace callpad
