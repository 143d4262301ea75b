#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "messages/MessageEntry.h"
#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "records/FileError.h"
#include "records/FileFaults.h"
#include "support/Bytes.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::recordOf;
using test::recordsOf;
using test::sameBytes;
using test::sampleMessage;
using test::TempFolder;

const std::vector<PhoneMessage> kThreeMessages{
    {"山田商事", "山田太郎", "2026/12/01", "9:05:03", "1", "03-1234-5678", "至急\r\n折り返しください", "至急", "佐藤",
     "山田商事"},
    {"ABC, Inc.", " Smith ", "2026/11/30", "17:45:00", "0", "", "", "\u3000\u3000", "", "ABC, Inc."},
    {"①株式会社髙橋", "﨑山", "2026/11/29", "12:00:59", "1", "090-0000-0000", "Ⅰ期の件、〒100-0001\r\n\uff5e明朝まで",
     "明朝", "鈴木", "①株式会社髙橋"},
};

std::vector<PhoneMessage> recordsOfTable(const MessageTable& table) {
    std::vector<PhoneMessage> messages;
    for (int i = 1; i <= table.MessageCount(); ++i) {
        messages.push_back(table.slot(i));
    }
    return messages;
}

// A name typed through an input method and the same name read back from the list name one file.
TEST(MessageFilePath, PutsTheRecipientBeforeTheSuffixInItsStoredSpelling) {
    const struct {
        const char* typed;
        const char* path;
    } cases[] = {
        {"", "c:\\callpad.txt"},
        {"田中 ", "c:\\田中 callpad.txt"},
        {"a\u301Cb", "c:\\a\uFF5Ebcallpad.txt"},
        {"\u2212\u2016\u2014\u00A2\u00A3\u00AC", "c:\\\uFF0D\u2225\u2015\uFFE0\uFFE1\uFFE2callpad.txt"},
        {"絵\U0001F600", "c:\\絵\U0001F600callpad.txt"},  // refused on saving; a hand-made file may be named so
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(MessageFilePath(c.typed), c.path);
    }
    // The check judges the name that the file gets: ¢ (2 bytes) is stored as ￠ (3 bytes).
    EXPECT_EQ(checkRecipientName(std::string(238, 'a') + "\u00A2"), FileNameProblem::TooLong);
    EXPECT_EQ(checkRecipientName(std::string(239, 'a') + "c"), FileNameProblem::None);
}

TEST(LoadMessages, ReadsTheFirstFiftyRecordsAndTellsWhatWasLeft) {
    const struct {
        std::optional<std::string> fixture;  // nothing: no file
        int count;
        const char* lastParty;
        int beyond;
        bool damaged;
    } cases[] = {
        {std::nullopt, 0, "", 0, false},
        {"messages/three-messages.txt", 3, "①株式会社髙橋", 0, false},
        {"messages/fifty-messages.txt", 50, "取引先50", 0, false},
        {"messages/fifty-five-messages.txt", 50, "取引先50", 5, false},
        {"messages/damaged-last-record.txt", 2, "ABC, Inc.", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture.value_or("no file"));
        TempFolder temp;
        if (c.fixture) {
            temp.copyFixture(*c.fixture, "田中callpad.txt");
        }
        MessageTable table;
        table.append(sampleMessage("前の表"));
        const MessageLoad load = LoadMessages(temp.folder(), "c:\\田中callpad.txt", table);
        ASSERT_EQ(table.MessageCount(), c.count);
        EXPECT_EQ(table.slot(c.count).CallerParty, c.lastParty);
        EXPECT_EQ(load.recordsBeyondCapacity, c.beyond);
        EXPECT_EQ(load.damaged, c.damaged);
        EXPECT_EQ(load.isWhole(), c.beyond == 0 && !c.damaged);
    }
}

// The three messages read field for field, and a read that fails afterwards keeps them in the table.
TEST(LoadMessages, TheThreeMessagesReadFieldForFieldAndAFailedReadKeepsThem) {
    TempFolder temp;
    temp.copyFixture("messages/three-messages.txt", "callpad.txt");
    MessageTable table;
    LoadMessages(temp.folder(), "c:\\callpad.txt", table);
    EXPECT_EQ(recordsOfTable(table), kThreeMessages);
    std::filesystem::remove(temp.root() / "callpad.txt");
    std::filesystem::create_directory(temp.root() / "callpad.txt");
    EXPECT_THROW(LoadMessages(temp.folder(), "c:\\callpad.txt", table), FileError);
    EXPECT_EQ(recordsOfTable(table), kThreeMessages);
}

constexpr std::string_view kPath = "c:\\田中callpad.txt";
constexpr std::string_view kFile = "田中callpad.txt";

// 纊 has two codes; a file may hold either, and both read as the same message. The IBM code is written.
const PhoneMessage kTwin{"纊", "", "", "", "", "", "", "", "", ""};
const std::string kIbmTwin = recordOf(kTwin);
const std::string kNecTwin = "\"\xed\x40" + kIbmTwin.substr(3);

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
        {"a hand-written field holding a quote", "a,b,c,d,e,f,g,h\"i,j,k\r\n", SaveResult::FileDamaged, ""},
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

// Over a network share another PC may create the file after this PC's read found none: the save then
// reads it again and puts the message in front of the other PC's, never over them.
TEST(SaveNewMessage, AFileCreatedAfterTheReadFoundNoneIsReadAgainNotReplaced) {
    TempFolder temp;
    DataFolder folder = temp.folder();
    auto faults = std::make_shared<FileFaults>();
    folder.injectFaults(faults);
    const PhoneMessage theirs = sampleMessage("別の PC");
    faults->beforeCall(FileStep::Rename, [&] { temp.write(kFile, recordOf(theirs)); });
    ASSERT_EQ(saveNewMessage(folder, kPath, sampleMessage("この PC")), SaveResult::Saved);
    EXPECT_TRUE(sameBytes(temp.read(kFile), recordOf(sampleMessage("この PC")) + recordOf(theirs)));
    EXPECT_EQ(faults->calls(FileStep::Rename), 2);
}

TEST(DeleteMessageFromFile, RemovesExactlyTheRecordOnScreen) {
    const auto a = recordOf(sampleMessage("A"));
    const auto b = recordOf(sampleMessage("B"));
    const auto c3 = recordOf(sampleMessage("C"));
    const std::string twins = kNecTwin + b + kIbmTwin;
    const std::string fiftyFive = test::fixtureBytes("messages/fifty-five-messages.txt");
    const auto end = [&](int n) {  // where record n of that file ends: none of its fields holds a line break
        std::size_t at = 0;
        for (int i = 0; i < n; ++i) {
            at = fiftyFive.find("\r\n", at) + 2;
        }
        return at;
    };
    const std::string withoutFirst = fiftyFive.substr(end(1));
    const std::string withoutFiftieth = fiftyFive.substr(0, end(49)) + fiftyFive.substr(end(50));
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
        {"the later of two identical records", twins, {}, 3, DeleteResult::Deleted, kNecTwin + b},
        {"the earlier of two identical records", twins, {}, 1, DeleteResult::Deleted, b + kIbmTwin},
        {"a message saved meanwhile stays", a + b + c3, saveMeanwhile(sampleMessage("N")), 1, DeleteResult::Deleted,
         recordOf(sampleMessage("N")) + b + c3},
        {"an identical message saved meanwhile stays", twins, saveMeanwhile(kTwin), 1, DeleteResult::Deleted,
         recordOf(kTwin) + b + kIbmTwin},
        {"the first of 55: the five beyond the table stay", fiftyFive, {}, 1, DeleteResult::Deleted, withoutFirst},
        {"the fiftieth of 55", fiftyFive, {}, 50, DeleteResult::Deleted, withoutFiftieth},
        {"deleted meanwhile", a + b + c3, [&](const TempFolder& temp) { temp.write(kFile, b + c3); }, 1,
         DeleteResult::NotInFile, b + c3},
        {"file removed meanwhile", a, [](const TempFolder& temp) { std::filesystem::remove(temp.path(kFile)); }, 1,
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

TEST(CheckEntry, NamesTheFirstInputThatTheFileCannotHoldInTheOrderTheUserVisitsThem) {
    const MessageEntry fine{"ABC, Inc.", " 山田 ", true, "03-1234", "至急\r\n〜明朝", "\u3000時", "佐藤", "田中 "};
    EXPECT_FALSE(checkEntry(fine));
    EXPECT_FALSE(checkEntry(MessageEntry{}));  // empty recipient: "c:\callpad.txt"
    const std::pair<TextInput, std::string MessageEntry::*> inputs[] = {
        {TextInput::Party, &MessageEntry::party},
        {TextInput::Person, &MessageEntry::person},
        {TextInput::PhoneNumber, &MessageEntry::phoneNumber},
        {TextInput::Content, &MessageEntry::content},
        {TextInput::Deadline, &MessageEntry::deadline},
        {TextInput::Reporter, &MessageEntry::reporter},
        {TextInput::Recipient, &MessageEntry::recipient}};
    for (const auto& [input, member] : inputs) {
        for (const auto& [text, problem, character] :
             {std::tuple{"株式会社\"山田\"", Refusal::DoubleQuote, "\""}, {"𠮷野家", Refusal::Unencodable, "𠮷"}}) {
            SCOPED_TRACE(std::string(text) + " in input " + std::to_string(static_cast<int>(input)));
            MessageEntry entry = fine;
            entry.*member = text;
            entry.recipient += input == TextInput::Recipient ? "" : "?";  // a later bad input is not reported
            const auto refusal = checkEntry(entry);
            ASSERT_TRUE(refusal);
            EXPECT_EQ(refusal->input, input);
            EXPECT_EQ(entry.text(input), text);
            // A quote cannot stand in a file name either, and that is said first.
            const bool fileName = input == TextInput::Recipient && problem == Refusal::DoubleQuote;
            EXPECT_EQ(refusal->problem, fileName ? Refusal::NotAFileName : problem);
            EXPECT_EQ(refusal->fileName, fileName ? FileNameProblem::ReservedCharacter : FileNameProblem::None);
            EXPECT_EQ(refusal->character, fileName ? "" : character);
        }
    }
}

}  // namespace
}  // namespace callpad
