#include <gtest/gtest.h>

#include "export/MessageExport.h"
#include "export/Workbook.h"
#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "names/NameList.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::TempFolder;

std::string repeated(std::string_view text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

TEST(HostileNames, NamesThatWouldLeaveTheDataFolderNeverBecomeFiles) {
    const std::string names[] = {"..", "../x", "a/b", "c:\\x", "\\\\server\\x", "a\tb", std::string("a\0b", 3),
                                 "/etc/passwd", repeated("長", 1000)};
    TempFolder temp;
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        EXPECT_NE(checkRecipientName(name), FileNameProblem::None);
        // Even a caller that skipped the check cannot reach outside the folder.
        if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
            EXPECT_THROW(temp.folder().resolve(MessageFilePath(name)), std::invalid_argument);
        }
    }
    EXPECT_EQ(temp.listing(), "");
}

TEST(HostileNames, ADataFolderThatIsASymbolicLinkWorksAsUsual) {
    TempFolder temp;
    std::filesystem::create_directory(temp.root() / "shared-drive");
    std::filesystem::create_directory_symlink(temp.root() / "shared-drive", temp.root() / "callpad");
    const DataFolder linked(temp.root() / "callpad");
    PhoneMessage message;
    message.CallerParty = message.CallerPartyCopy = "山田商事";
    ASSERT_EQ(saveNewMessage(linked, "c:\\田中callpad.txt", message), SaveResult::Saved);
    EXPECT_TRUE(std::filesystem::is_symlink(temp.root() / "callpad"));
    MessageTable table;
    LoadMessages(DataFolder(temp.root() / "shared-drive"), "c:\\田中callpad.txt", table);
    ASSERT_EQ(table.MessageCount(), 1);
    EXPECT_EQ(table.slot(1), message);
}

TEST(Limits, AHundredThousandCharacterMessageIsKeptButNotExported) {
    TempFolder temp;
    PhoneMessage message;
    message.MessageText = repeated("連絡\r\n", 25000);  // 100,000 characters
    ASSERT_EQ(saveNewMessage(temp.folder(), "c:\\田中callpad.txt", message), SaveResult::Saved);
    MessageTable table;
    EXPECT_TRUE(LoadMessages(temp.folder(), "c:\\田中callpad.txt", table).isWhole());
    ASSERT_EQ(table.MessageCount(), 1);
    EXPECT_EQ(table.slot(1).MessageText, message.MessageText);

    Workbook workbook;
    writeMessagesToSheet(*workbook.sheets("sheet1"), table);
    const auto oversized = workbook.firstOversizedCell();
    ASSERT_TRUE(oversized);
    EXPECT_EQ(oversized->name(), "H2");
}

TEST(Limits, AThousandCharacterReporterNameIsKeptWhole) {
    TempFolder temp;
    NameList list;
    list.NameCount = 1;
    list.slot[1] = repeated("名", 1000);
    SaveNameList(temp.folder(), kReporterListPath, list);
    NameList loaded;
    LoadNameList(temp.folder(), kReporterListPath, loaded);
    ASSERT_EQ(loaded.NameCount, 1);
    EXPECT_EQ(loaded.slot[1], list.slot[1]);
}

}  // namespace
}  // namespace callpad
