#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
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

fs::path utf8Path(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

void writeText(const fs::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
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
    fs::create_directories(inHome.root() / utf8Path("田中callpad.txt"));
    const auto error = errorOf([&] { fileExists(inHome, kPath); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->path(), "~/callpad/田中callpad.txt");
}

TEST(WorkbookFolder, IsTheDocumentsFolderThatExistsElseDocumentsElseHome) {
    TempFolder home;
    const fs::path config = home.root() / ".config";
    const fs::path japanese = home.root() / utf8Path("ドキュメント");
    const fs::path elsewhere = home.root() / "docs \"quoted\"";
    const struct {
        const char* name;
        const char* userDirs;  // the user-dirs.dirs file, or nullptr for none
        bool documentsExists;  // ~/Documents
        fs::path expected;
    } cases[] = {
        {"the desktop's Japanese folder",
         "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
         "XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n",
         true, japanese},
        {"an absolute path with escaped quotes",
         "XDG_DOCUMENTS_DIR=\""
         "%ELSEWHERE%"
         "\"\n",
         false, elsewhere},
        {"a configured folder that does not exist", "XDG_DOCUMENTS_DIR=\"$HOME/gone\"\n", true,
         home.root() / "Documents"},
        {"a commented-out line", "# XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n", false, home.root()},
        {"documents turned off (home itself)", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n", true, home.root()},
        {"no user-dirs file", nullptr, true, home.root() / "Documents"},
        {"nothing at all", nullptr, false, home.root()},
    };
    fs::create_directories(config);
    fs::create_directory(japanese);
    fs::create_directory(elsewhere);
    std::string escaped;
    for (const char c : elsewhere.string()) {
        escaped += c == '"' ? std::string("\\\"") : std::string(1, c);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(config / "user-dirs.dirs");
        fs::remove(home.root() / "Documents");
        if (c.userDirs) {
            std::string text = c.userDirs;
            if (const auto at = text.find("%ELSEWHERE%"); at != std::string::npos) {
                text.replace(at, 11, escaped);
            }
            writeText(config / "user-dirs.dirs", text);
        }
        if (c.documentsExists) {
            fs::create_directory(home.root() / "Documents");
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
    EXPECT_EQ(workbookFolder.root(), japanese);
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
    for (const char* line : {"srv:/x %ROOT% nfs rw,nolock 0 0\n", "//srv/x %ROOT% cifs rw,nobrl 0 0\n"}) {
        SCOPED_TRACE(line);
        TempFolder temp;
        std::string text = line;
        text.replace(text.find("%ROOT%"), 6, fs::canonical(temp.root()).string());
        const fs::path table = temp.root().parent_path() / (temp.root().filename().string() + "-mounts");
        writeText(table, text);
        DataFolder folder(temp.root() / "callpad");
        folder.useMountTable(table);
        const auto error = errorOf([&] { saveNewMessage(folder, kPath, test::sampleMessage("1")); });
        fs::remove(table);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->operation(), FileOperation::LocalLock);
        EXPECT_EQ(error->detail(), text.find("nolock") != std::string::npos ? "nolock" : "nobrl");
        EXPECT_EQ(error->path(), folder.root().string());
        EXPECT_EQ(temp.listing(), "");
    }
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
    const fs::path file = temp.root() / utf8Path("田中callpad.txt");
    saveNewMessage(temp.folder(), kPath, test::sampleMessage("1"));
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    saveNewMessage(temp.folder(), kPath, test::sampleMessage("2"));
    EXPECT_EQ(modeOf(file), 0664u);

    // A temporary file name that is a link: the link goes, the file it points at stays as it was.
    const fs::path victim = temp.root().parent_path() / (temp.root().filename().string() + "-victim");
    writeText(victim, "mine");
    ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
    fs::create_symlink(victim, temp.root() / utf8Path("田中callpad.txt.tmp"));
    saveNewMessage(temp.folder(), kPath, test::sampleMessage("3"));
    MessageTable table;
    LoadMessages(temp.folder(), kPath, table);
    EXPECT_EQ(table.MessageCount(), 3);
    EXPECT_EQ(modeOf(file), 0664u);

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
    EXPECT_EQ(modeOf(victim), 0600u);
    fs::remove(victim);
}

TEST(SharedFolder, TheLockFileIsWritableByWhoeverMayWriteTheFolder) {
    const Umask strict(077);
    for (const auto& [folderMode, lockMode] : {std::pair{0700u, 0600u}, {02770u, 0660u}, {0777u, 0666u}}) {
        SCOPED_TRACE(folderMode);
        TempFolder temp;
        ASSERT_EQ(::chmod(temp.root().c_str(), folderMode), 0);
        { FolderLock lock(temp.folder()); }
        EXPECT_EQ(modeOf(temp.root() / kLockFileName), lockMode);
        // An existing lock file's mode is left alone.
        ASSERT_EQ(::chmod((temp.root() / kLockFileName).c_str(), 0640), 0);
        { FolderLock lock(temp.folder()); }
        EXPECT_EQ(modeOf(temp.root() / kLockFileName), 0640u);
    }
}

}  // namespace
}  // namespace callpad
