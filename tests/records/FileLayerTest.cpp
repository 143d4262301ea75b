#include <sys/stat.h>

#include <gtest/gtest.h>

#include <thread>

#include "records/AtomicFile.h"
#include "records/FileError.h"
#include "records/FolderLock.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::TempFolder;

TEST(DataFolder, MapsDriveCPathsIntoTheFolder) {
    const DataFolder folder("/data");
    EXPECT_EQ(folder.resolve("c:\\callpadRT.txt"), "/data/callpadRT.txt");
    EXPECT_EQ(folder.resolve("C:\\田中callpad.txt"), std::filesystem::path(u8"/data/田中callpad.txt"));
    for (const char* bad : {"d:\\x.txt", "c:\\", "c:\\a\\b.txt", "c:\\a/b.txt", "c:\\..", "callpad.txt"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(folder.resolve(bad), std::invalid_argument);
    }
}

TEST(DataFolder, TellsWhichNamesCannotBeFileNames) {
    const struct {
        const char* name;
        std::string part;
        FileNameProblem problem;
    } cases[] = {
        {"plain Japanese name", "田中", FileNameProblem::None},
        {"empty name", "", FileNameProblem::None},
        {"spaces and dots inside", " a.b ", FileNameProblem::None},
        {"slash", "a/b", FileNameProblem::Separator},
        {"parent folder", "../x", FileNameProblem::Separator},
        {"backslash", "\\\\server\\x", FileNameProblem::Separator},
        {"drive letter", "c:x", FileNameProblem::ReservedCharacter},
        {"wildcard", "a*", FileNameProblem::ReservedCharacter},
        {"pipe", "a|b", FileNameProblem::ReservedCharacter},
        {"tab", "a\tb", FileNameProblem::ControlCharacter},
        {"NUL", std::string("a\0b", 3), FileNameProblem::ControlCharacter},
        {"dot dot", "..", FileNameProblem::DotName},
        {"longest that fits", std::string(255 - 15, 'a'), FileNameProblem::None},
        {"one byte too long", std::string(255 - 14, 'a'), FileNameProblem::TooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkFileNamePart(c.part, "", "callpad.txt"), c.problem);
    }
}

TEST(AtomicFile, ReplacesWholeAndLeavesNoTemporaryFile) {
    TempFolder temp;
    const DataFolder nested(temp.root() / "not-yet");
    writeFileAtomically(nested, "c:\\a.txt", "new");
    EXPECT_EQ(readWholeFile(nested, "c:\\a.txt"), "new");
    temp.write("b.txt", "old content");
    temp.write("b.txt.tmp", "left by a crash");
    writeFileAtomically(temp.folder(), "c:\\b.txt", "");
    EXPECT_EQ(temp.read("b.txt"), "");
    EXPECT_EQ(temp.listing(), "b.txt not-yet");
}

TEST(AtomicFile, AFailedRewriteKeepsTheOldFile) {
    TempFolder temp;
    temp.write("a.txt", "old");
    // A directory in the temporary file's place makes the rewrite fail at its first step.
    std::filesystem::create_directory(temp.root() / "a.txt.tmp");
    try {
        writeFileAtomically(temp.folder(), "c:\\a.txt", "new");
        FAIL() << "the rewrite should fail";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), "c:\\a.txt");
        EXPECT_EQ(error.operation(), FileOperation::Write);
        EXPECT_EQ(error.number(), EISDIR);
        EXPECT_FALSE(error.description().empty());
    }
    EXPECT_EQ(temp.read("a.txt"), "old");
}

TEST(AtomicFile, AnExistingFileIsNeverTakenForAMissingOne) {
    TempFolder temp;
    EXPECT_FALSE(fileExists(temp.folder(), "c:\\none.txt"));
    temp.write(".hidden.txt", "x");
    EXPECT_TRUE(fileExists(temp.folder(), "c:\\.hidden.txt"));
    std::filesystem::create_directory(temp.root() / "dir.txt");
    EXPECT_THROW(fileExists(temp.folder(), "c:\\dir.txt"), FileError);
    EXPECT_THROW(readWholeFile(temp.folder(), "c:\\dir.txt"), FileError);
}

TEST(FolderLock, ASecondHolderWaitsThenGivesUp) {
    TempFolder temp;
    EXPECT_FALSE(temp.exists(kLockFileName));
    {
        FolderLock first(temp.folder());
        const auto started = std::chrono::steady_clock::now();
        try {
            FolderLock second(temp.folder(), std::chrono::milliseconds(200));
            FAIL() << "the folder is already locked";
        } catch (const FileError& error) {
            EXPECT_EQ(error.operation(), FileOperation::Lock);
            EXPECT_EQ(error.number(), EWOULDBLOCK);
        }
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    }
    FolderLock again(temp.folder(), std::chrono::milliseconds(0));
    EXPECT_TRUE(temp.exists(kLockFileName));
}

TEST(FolderLock, IsTakenAsSoonAsTheHolderLetsGo) {
    TempFolder temp;
    auto first = std::make_unique<FolderLock>(temp.folder());
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        first.reset();
    });
    EXPECT_NO_THROW(FolderLock second(temp.folder(), std::chrono::milliseconds(3000)));
    releaser.join();
}

}  // namespace
}  // namespace callpad
