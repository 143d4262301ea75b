#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "messages/Samples.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::recordOf;
using test::recordsOf;
using test::sameBytes;
using test::sampleMessage;
using test::TempFolder;

constexpr std::string_view kPath = "c:\\田中callpad.txt";
constexpr std::string_view kFile = "田中callpad.txt";

// One record whose first field is `first` as raw bytes, the other nine empty.
std::string rawRecord(const std::string& first) {
    std::string line = "\"" + first + "\"";
    for (int n = 2; n <= PhoneMessage::kFieldCount; ++n) {
        line += ",\"\"";
    }
    return line + "\r\n";
}

// 纊 has two codes; a file may hold either, and both read as the same message.
const std::string kNecTwin = rawRecord("\xed\x40");
const std::string kIbmTwin = rawRecord("\xfa\x5c");
const PhoneMessage kTwin = [] {
    PhoneMessage twin;
    twin.CallerParty = "纊";
    return twin;
}();

TEST(SaveNewMessage, PutsTheMessageInFrontOfTheOthers) {
    const PhoneMessage added = sampleMessage("新規");
    const std::string three = test::fixtureBytes("messages/three-messages.txt");
    const std::string handWritten = kNecTwin + "a,b,c,d,e,f,g,h,i,j\r\n";
    const struct {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        SaveResult result;
        std::string after;
    } cases[] = {
        {"no file yet", std::nullopt, SaveResult::Saved, recordOf(added)},
        {"three messages", three, SaveResult::Saved, recordOf(added) + three},
        {"a rewrite writes IBM codes and quotes what a hand wrote", handWritten, SaveResult::Saved,
         recordOf(added) + kIbmTwin + encodeRecord({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"})},
        {"fifty messages", test::fixtureBytes("messages/fifty-messages.txt"), SaveResult::FileFull, ""},
        {"fifty-five messages", test::fixtureBytes("messages/fifty-five-messages.txt"), SaveResult::FileFull, ""},
        {"short last record", test::fixtureBytes("messages/damaged-last-record.txt"), SaveResult::FileDamaged, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        if (c.file) {
            temp.write(kFile, *c.file);
        }
        EXPECT_EQ(saveNewMessage(temp.folder(), kPath, added), c.result);
        EXPECT_TRUE(sameBytes(c.result == SaveResult::Saved ? c.after : *c.file, temp.read(kFile)));
        EXPECT_EQ(temp.listing(), "callpad.lock " + std::string(kFile));
    }
}

TEST(DeleteMessageFromFile, RemovesExactlyTheRecordOnScreen) {
    const auto a = recordOf(sampleMessage("A"));
    const auto b = recordOf(sampleMessage("B"));
    const auto c3 = recordOf(sampleMessage("C"));
    const std::string twins = kNecTwin + b + kIbmTwin;
    const std::string fiftyFive = test::fixtureBytes("messages/fifty-five-messages.txt");
    const auto fiftyFiveRecords = test::splitRecords(fiftyFive);
    ASSERT_EQ(fiftyFiveRecords.size(), 55u);
    const std::string damaged = test::fixtureBytes("messages/damaged-last-record.txt");
    const auto saveMeanwhile = [](const PhoneMessage& message) {
        return [message](const TempFolder& temp) {
            ASSERT_EQ(saveNewMessage(temp.folder(), kPath, message), SaveResult::Saved);
        };
    };

    const struct {
        const char* name;
        std::string file;
        std::function<void(const TempFolder&)> meanwhile;  // what another copy does after the table was loaded
        int position;
        DeleteResult result;
        std::optional<std::string> after;  // nothing: the file is gone
    } cases[] = {
        {"first of three", a + b + c3, {}, 1, DeleteResult::Deleted, b + c3},
        {"second of three", a + b + c3, {}, 2, DeleteResult::Deleted, a + c3},
        {"third of three", a + b + c3, {}, 3, DeleteResult::Deleted, a + b},
        {"the only one", a, {}, 1, DeleteResult::Deleted, ""},
        {"the later of two identical records", twins, {}, 3, DeleteResult::Deleted, kNecTwin + b},
        {"the earlier of two identical records", twins, {}, 1, DeleteResult::Deleted, b + kIbmTwin},
        {"a message saved meanwhile stays", a + b + c3, saveMeanwhile(sampleMessage("N")), 1, DeleteResult::Deleted,
         recordOf(sampleMessage("N")) + b + c3},
        {"an identical message saved meanwhile stays", twins, saveMeanwhile(kTwin), 1, DeleteResult::Deleted,
         recordOf(kTwin) + b + kIbmTwin},
        {"the first of fifty-five: the five beyond the table stay",
         fiftyFive,
         {},
         1,
         DeleteResult::Deleted,
         fiftyFive.substr(fiftyFiveRecords[0].size())},
        {"the fiftieth of fifty-five",
         fiftyFive,
         {},
         50,
         DeleteResult::Deleted,
         fiftyFive.substr(0, fiftyFive.find(fiftyFiveRecords[49])) +
             fiftyFive.substr(fiftyFive.find(fiftyFiveRecords[50]))},
        {"deleted meanwhile", a + b + c3, [&](const TempFolder& temp) { temp.write(kFile, b + c3); }, 1,
         DeleteResult::NotInFile, b + c3},
        {"file removed meanwhile", a, [](const TempFolder& temp) { std::filesystem::remove(temp.root() / kFile); }, 1,
         DeleteResult::NotInFile, std::nullopt},
        {"short last record", damaged, {}, 1, DeleteResult::FileDamaged, damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        temp.write(kFile, c.file);
        MessageTable table;
        LoadMessages(temp.folder(), kPath, table);
        if (c.meanwhile) {
            c.meanwhile(temp);
        }
        EXPECT_EQ(deleteMessageFromFile(temp.folder(), kPath, table, c.position), c.result);
        ASSERT_EQ(temp.exists(kFile), c.after.has_value());
        if (c.after) {
            EXPECT_TRUE(sameBytes(*c.after, temp.read(kFile)));
        }
        EXPECT_FALSE(temp.exists(std::string(kFile) + ".tmp"));
    }
}

}  // namespace
}  // namespace callpad
