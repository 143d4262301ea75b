#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "export/MessageExport.h"
#include "export/Workbook.h"
#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "messages/Samples.h"
#include "names/NameList.h"
#include "records/FileError.h"
#include "records/FileFaults.h"
#include "review/MessageViewer.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::TempFolder;

// One writer of the program, run on a folder that already holds its file.
struct Writer {
    const char* name;
    const char* file;     // the file it rewrites, in the data folder
    const char* fixture;  // what that file holds before
    std::function<void(const DataFolder&)> run;
};

const std::vector<Writer>& writers() {
    static const std::vector<Writer> all = {
        {"entry screen's save", "田中callpad.txt", "messages/three-messages.txt",
         [](const DataFolder& folder) { saveNewMessage(folder, "c:\\田中callpad.txt", test::sampleMessage("新規")); }},
        {"viewer's deletion", "田中callpad.txt", "messages/three-messages.txt",
         [](const DataFolder& folder) {
             MessageViewer viewer;
             viewer.load(folder, "田中");
             viewer.HSclNo_Change(2);
             try {
                 viewer.CmdDel_Click(folder);
             } catch (const FileError&) {
                 // What the viewer shows does not change either.
                 EXPECT_EQ(viewer.positionText() + " " + viewer.currentMessage().CallerParty, " 2/ 3 ABC, Inc.");
                 throw;
             }
         }},
        {"list editor's save", "callpadRT.txt", "names/reporters.txt",
         [](const DataFolder& folder) {
             NameList list;
             LoadNameList(folder, kReporterListPath, list);
             list.slot[1] = "山本";
             SaveNameList(folder, kReporterListPath, list);
         }},
        {"workbook's save", "callpad.xls", "messages/three-messages.txt",
         [](const DataFolder& folder) {
             Workbook workbook;
             workbook.sheets("sheet1")->cells(1, 2, "相手先");
             workbook.saveas(folder, "c:\\callpad.xls");
         }},
    };
    return all;
}

// The steps' names in the order of FileStep; the last is the lock.
const char* const kStepNames[] = {"open", "read", "write", "flush", "rename", "close", "lock"};

// Fails each call of each step in turn, until the writer gets through without meeting the fault.
TEST(FaultInjection, EveryWriterKeepsTheOldFileWhateverCallOfAStepFails) {
    int survived = 0;
    for (const auto& writer : writers()) {
        for (int step = 0; step < 7; ++step) {
            for (int occurrence = 1;; ++occurrence) {
                SCOPED_TRACE(std::string(writer.name) + ", failing " + kStepNames[step] + " #" +
                             std::to_string(occurrence));
                TempFolder temp;
                const std::string before = test::fixtureBytes(writer.fixture);
                temp.write(writer.file, before);
                DataFolder folder = temp.folder();
                auto faults = std::make_shared<FileFaults>();
                faults->failAt(static_cast<FileStep>(step), step == 6 ? ENOLCK : EIO, occurrence);
                folder.injectFaults(faults);
                try {
                    writer.run(folder);
                    EXPECT_EQ(faults->injected(), 0) << "the failure was not reported";
                } catch (const FileError& error) {
                    EXPECT_EQ(faults->injected(), 1);
                    EXPECT_EQ(error.path(), (temp.root() / (step == 6 ? "callpad.lock" : writer.file)).string());
                    EXPECT_NE(error.number(), 0);
                }
                EXPECT_EQ(temp.listing().find(".tmp"), std::string::npos) << temp.listing();
                if (faults->injected() == 0) {
                    EXPECT_NE(temp.read(writer.file), before) << "the writer did not write";
                    break;
                }
                EXPECT_TRUE(test::sameBytes(before, temp.read(writer.file)));
                ++survived;
            }
        }
    }
    std::cout << "faults injected and survived: " << survived << " (4 writers, every call of 7 steps)\n";
}

TEST(Limits, AHundredThousandCharacterMessageIsKeptButNotExported) {
    TempFolder temp;
    PhoneMessage message;
    for (int i = 0; i < 25000; ++i) {
        message.MessageText += "連絡\r\n";  // 100,000 characters in all
    }
    ASSERT_EQ(saveNewMessage(temp.folder(), "c:\\田中callpad.txt", message), SaveResult::Saved);
    MessageTable table;
    EXPECT_TRUE(LoadMessages(temp.folder(), "c:\\田中callpad.txt", table).isWhole());
    ASSERT_EQ(table.MessageCount(), 1);
    EXPECT_EQ(table.slot(1).MessageText, message.MessageText);
    Workbook workbook;
    writeMessagesToSheet(*workbook.sheets("sheet1"), table);
    EXPECT_EQ(workbook.firstOversizedCell(), (CellAddress{2, 8}));
}

TEST(Limits, ADataFolderThatIsASymbolicLinkWorksAsUsual) {
    TempFolder temp;
    std::filesystem::create_directory(temp.root() / "shared-drive");
    std::filesystem::create_directory_symlink(temp.root() / "shared-drive", temp.root() / "callpad");
    PhoneMessage message;
    message.CallerParty = message.CallerPartyCopy = "山田商事";
    ASSERT_EQ(saveNewMessage(DataFolder(temp.root() / "callpad"), "c:\\田中callpad.txt", message), SaveResult::Saved);
    EXPECT_TRUE(std::filesystem::is_symlink(temp.root() / "callpad"));
    MessageTable table;
    LoadMessages(DataFolder(temp.root() / "shared-drive"), "c:\\田中callpad.txt", table);
    ASSERT_EQ(table.MessageCount(), 1);
    EXPECT_EQ(table.slot(1), message);
}

}  // namespace
}  // namespace callpad
