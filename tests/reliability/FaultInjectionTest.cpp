#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "export/Workbook.h"
#include "messages/MessageStore.h"
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
    std::vector<FileStep> steps;
    // Runs the writer; returns a description of the in-memory state that must not change on failure.
    std::function<std::string(const DataFolder&)> run;
};

PhoneMessage newMessage() {
    PhoneMessage message;
    message.CallerParty = message.CallerPartyCopy = "新規商事";
    message.CallBackFlag = "1";
    return message;
}

const std::vector<Writer>& writers() {
    static const std::vector<Writer> all = {
        {"entry screen's save",
         "田中callpad.txt",
         "messages/three-messages.txt",
         {FileStep::Lock, FileStep::Open, FileStep::Read, FileStep::Write, FileStep::Flush, FileStep::Close,
          FileStep::Rename},
         [](const DataFolder& folder) {
             saveNewMessage(folder, "c:\\田中callpad.txt", newMessage());
             return std::string();
         }},
        {"viewer's deletion",
         "田中callpad.txt",
         "messages/three-messages.txt",
         {FileStep::Lock, FileStep::Read, FileStep::Write, FileStep::Flush, FileStep::Close, FileStep::Rename},
         [](const DataFolder& folder) {
             MessageViewer viewer;
             viewer.load(folder, "田中");
             viewer.HSclNo_Change(2);
             std::string state;
             try {
                 viewer.CmdDel_Click(folder);
             } catch (const FileError&) {
                 state = viewer.positionText() + " " + viewer.currentMessage().CallerParty;
                 EXPECT_EQ(state, " 2/ 3 ABC, Inc.");
                 throw;
             }
             return state;
         }},
        {"list editor's save",
         "callpadRT.txt",
         "names/reporters.txt",
         {FileStep::Lock, FileStep::Open, FileStep::Write, FileStep::Flush, FileStep::Close, FileStep::Rename},
         [](const DataFolder& folder) {
             NameList list;
             LoadNameList(folder, kReporterListPath, list);
             list.slot[1] = "山本";
             SaveNameList(folder, kReporterListPath, list);
             return std::string();
         }},
        {"workbook's save",
         "callpad.xls",
         "messages/three-messages.txt",
         {FileStep::Open, FileStep::Write, FileStep::Flush, FileStep::Close, FileStep::Rename},
         [](const DataFolder& folder) {
             Workbook workbook;
             workbook.sheets("sheet1")->cells(1, 2, "相手先");
             workbook.saveas(folder, "c:\\callpad.xls");
             return std::string();
         }},
    };
    return all;
}

const char* stepName(FileStep step) {
    switch (step) {
        case FileStep::Open: return "open";
        case FileStep::Read: return "read";
        case FileStep::Write: return "write";
        case FileStep::Flush: return "flush";
        case FileStep::Rename: return "rename";
        case FileStep::Close: return "close";
        case FileStep::Lock: return "lock";
    }
    return "?";
}

TEST(FaultInjection, EveryWriterKeepsTheOldFileWhateverStepFails) {
    int survived = 0;
    for (const auto& writer : writers()) {
        for (const FileStep step : writer.steps) {
            SCOPED_TRACE(std::string(writer.name) + ", failing " + stepName(step));
            TempFolder temp;
            const std::string before = test::fixtureBytes(writer.fixture);
            temp.write(writer.file, before);
            DataFolder folder = temp.folder();
            auto faults = std::make_shared<FileFaults>();
            faults->failAt(step, step == FileStep::Lock ? ENOLCK : EIO);
            folder.injectFaults(faults);

            try {
                writer.run(folder);
                ADD_FAILURE() << "the failure was not reported";
            } catch (const FileError& error) {
                const std::string named =
                    step == FileStep::Lock ? "c:\\callpad.lock" : std::string("c:\\") + writer.file;
                EXPECT_EQ(error.path(), named);
                EXPECT_NE(error.number(), 0);
            }
            EXPECT_EQ(faults->injected(), 1);
            EXPECT_TRUE(test::sameBytes(before, temp.read(writer.file)));
            const std::string listing = temp.listing();
            EXPECT_EQ(listing.find(".tmp"), std::string::npos) << listing;
            survived += faults->injected();
        }
    }
    std::cout << "faults injected and survived: " << survived << "\n";
}

TEST(FaultInjection, TheWriterSucceedsOnceTheFaultIsGone) {
    for (const auto& writer : writers()) {
        SCOPED_TRACE(writer.name);
        TempFolder temp;
        temp.write(writer.file, test::fixtureBytes(writer.fixture));
        EXPECT_NO_THROW(writer.run(temp.folder()));
        EXPECT_NE(temp.read(writer.file), test::fixtureBytes(writer.fixture));
    }
}

}  // namespace
}  // namespace callpad
