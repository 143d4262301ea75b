#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "messages/MessageEntry.h"
#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "records/FileError.h"
#include "records/FileFaults.h"
#include "support/Bytes.h"
#include "support/Samples.h"
#include "support/TempFolder.h"

namespace callpad::test {
namespace {

constexpr std::string_view kPath = "c:\\田中callpad.txt";
constexpr std::string_view kFile = "田中callpad.txt";

// 纊 has two codes; a file may hold either, and both read as the same message. The IBM code is written.
const PhoneMessage kTwin{"纊", "", "", "", "", "", "", "", "", ""};
const std::string kIbmTwin = recordsOf({kTwin});
const std::string kNecTwin = "\"\xed\x40" + kIbmTwin.substr(3);

// A name typed through an input method and the same name read back from the list name one file.
TEST(MessageFilePath, PutsTheRecipientBeforeTheSuffixInItsStoredSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "c:\\callpad.txt"},
        {"田中 ", "c:\\田中 callpad.txt"},
        {"a\u301Cb", "c:\\a\uFF5Ebcallpad.txt"},
        {"絵\U0001F600", "c:\\絵\U0001F600callpad.txt"},  // refused on saving; a hand-made file may be named so
    };
    for (const auto& [typed, path] : cases) {
        EXPECT_EQ(MessageFilePath(typed), path) << typed;
    }
    // The check judges the name that the file gets: ¢ (2 bytes) is stored as ￠ (3 bytes).
    EXPECT_EQ(checkRecipientName(std::string(238, 'a') + "\u00A2"), FileNameProblem::TooLong);
    EXPECT_EQ(checkRecipientName(std::string(239, 'a') + "c"), FileNameProblem::None);
}

// A load reads the first 50 records and tells what it left, and a read that fails then keeps them in the
// table. A save puts the message in front of those in the file, unless the file is full or cannot be read
// whole. Over a network share another PC may create the file after this PC's read found none: the save then
// reads it again and puts the message in front of the other PC's, never over them.
TEST(MessageFile, ALoadTakesFiftyAndASavePutsTheMessageInFrontOfTheOthers) {
    const PhoneMessage added = numberedMessage(1);
    const std::string three = fixtureBytes("messages/three-messages.txt");
    const std::string fifty = fixtureBytes("messages/fifty-messages.txt");
    const std::string fiftyFive = fixtureBytes("messages/fifty-five-messages.txt");
    const std::string damaged = fixtureBytes("messages/damaged-last-record.txt");
    const std::string theirs = recordsOf({numberedMessage(2)});
    const std::string hand = kNecTwin + "a,b,c,d,e,f,g,h,i,j\r\n";
    const std::string handRewritten = encodeRecord({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"});
    const struct {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        int count;                        // what a load puts into the table
        const char* lastParty;
        int beyond;
        SaveResult result;
        std::string after;
        std::optional<std::string> created = std::nullopt;  // by another PC just before the save's rename
    } cases[] = {
        {"no file yet", std::nullopt, 0, "", 0, SaveResult::Saved, recordsOf({added})},
        {"created meanwhile", std::nullopt, 0, "", 0, SaveResult::Saved, recordsOf({added}) + theirs, theirs},
        {"three", three, 3, "①株式会社髙橋", 0, SaveResult::Saved, recordsOf({added}) + three},
        {"IBM codes written, hand-written quoted", hand, 2, "a", 0, SaveResult::Saved,
         recordsOf({added, kTwin}) + handRewritten},
        {"fifty", fifty, 50, "取引先50", 0, SaveResult::FileFull, ""},
        {"fifty-five", fiftyFive, 50, "取引先50", 5, SaveResult::FileFull, ""},
        {"short last record", damaged, 2, "ABC, Inc.", 0, SaveResult::FileDamaged, ""},
        {"a hand-written field holding a quote", "a,b,c,d,e,f,g,h\"i,j,k\r\n", 0, "", 0, SaveResult::FileDamaged, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        if (c.file) {
            temp.write(kFile, *c.file);
        }
        MessageTable table;
        table.append(numberedMessage(3));
        const MessageLoad load = LoadMessages(temp.folder(), kPath, table);
        EXPECT_EQ(load.recordsBeyondCapacity, c.beyond);
        EXPECT_EQ(load.damaged, c.result == SaveResult::FileDamaged);

        DataFolder folder = temp.folder();
        auto faults = std::make_shared<FileFaults>();
        folder.injectFaults(faults);
        if (c.created) {
            faults->beforeCall(FileStep::Rename, [&] { temp.write(kFile, *c.created); });
        }
        EXPECT_EQ(saveNewMessage(folder, kPath, added), c.result);
        EXPECT_TRUE(sameBytes(c.result == SaveResult::Saved ? c.after : *c.file, temp.read(kFile)));
        EXPECT_EQ(temp.listing(), "callpad.lock " + std::string(kFile));

        std::filesystem::remove(temp.path(kFile));
        std::filesystem::create_directory(temp.path(kFile));
        EXPECT_THROW(LoadMessages(temp.folder(), kPath, table), FileError);
        ASSERT_EQ(table.MessageCount(), c.count);
        EXPECT_EQ(table.slot(c.count).CallerParty, c.lastParty);
    }
}

// A deletion removes the record on screen and keeps every other record's bytes, also those that another
// copy saved after the table was loaded and those beyond the 50th.
TEST(DeleteMessageFromFile, RemovesExactlyTheRecordOnScreen) {
    using enum DeleteResult;
    const auto numbered = [](int first, int last) { return recordsOf(numberedMessages(first, last)); };
    const std::string b = numbered(2, 2);
    const std::string twins = kNecTwin + b + kIbmTwin;
    const std::string damaged = fixtureBytes("messages/damaged-last-record.txt");
    const struct {
        const char* name;
        std::string file;
        std::optional<std::string> meanwhile;  // the file after the table was loaded; empty: removed
        int position;
        DeleteResult result;
        std::string after;  // empty: no file
    } cases[] = {
        {"the later of two identical records", twins, {}, 3, Deleted, kNecTwin + b},
        {"the earlier of two identical records", twins, {}, 1, Deleted, b + kIbmTwin},
        {"another saved meanwhile stays", numbered(2, 4), numbered(1, 4), 1, Deleted, numbered(1, 1) + numbered(3, 4)},
        {"an identical message saved meanwhile stays", twins, kIbmTwin + twins, 1, Deleted, kIbmTwin + b + kIbmTwin},
        {"the first of 55: the five beyond the table stay", numbered(1, 55), {}, 1, Deleted, numbered(2, 55)},
        {"the fiftieth of 55", numbered(1, 55), {}, 50, Deleted, numbered(1, 49) + numbered(51, 55)},
        {"deleted meanwhile", numbered(1, 3), numbered(2, 3), 1, NotInFile, numbered(2, 3)},
        {"file removed meanwhile", numbered(1, 1), "", 1, NotInFile, ""},
        {"short last record", damaged, {}, 1, FileDamaged, damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        temp.write(kFile, c.file);
        MessageTable table;
        LoadMessages(temp.folder(), kPath, table);
        if (c.meanwhile && c.meanwhile->empty()) {
            std::filesystem::remove(temp.path(kFile));
        } else if (c.meanwhile) {
            temp.write(kFile, *c.meanwhile);
        }
        EXPECT_EQ(deleteMessageFromFile(temp.folder(), kPath, table, c.position), c.result);
        EXPECT_EQ(temp.listing(), c.after.empty() ? "callpad.lock" : "callpad.lock " + std::string(kFile));
        EXPECT_TRUE(sameBytes(c.after, c.after.empty() ? "" : temp.read(kFile)));
    }
}

TEST(CheckEntry, NamesTheFirstInputThatTheFileCannotHoldInTheOrderTheUserVisitsThem) {
    const MessageEntry fine{"ABC, Inc.", " 山田 ", true, "03-1234", "至急\r\n〜明朝", "\u3000時", "佐藤", "田中 "};
    EXPECT_FALSE(checkEntry(fine));
    EXPECT_FALSE(checkEntry(MessageEntry{}));  // empty recipient: "c:\callpad.txt"
    using enum TextInput;
    using E = MessageEntry;
    const std::pair<TextInput, std::string MessageEntry::*> inputs[] = {
        {Party, &E::party},       {Person, &E::person},     {PhoneNumber, &E::phoneNumber}, {Content, &E::content},
        {Deadline, &E::deadline}, {Reporter, &E::reporter}, {Recipient, &E::recipient}};
    for (const auto& [input, member] : inputs) {
        for (const auto& [text, problem, character] :
             {std::tuple{"株式会社\"山田\"", Refusal::DoubleQuote, "\""}, {"𠮷野家", Refusal::Unencodable, "𠮷"}}) {
            SCOPED_TRACE(std::string(text) + " in input " + std::to_string(static_cast<int>(input)));
            MessageEntry entry = fine;
            entry.*member = text;
            entry.recipient += input == Recipient ? "" : "?";  // a later bad input is not reported
            const auto refusal = checkEntry(entry);
            ASSERT_TRUE(refusal);
            EXPECT_EQ(refusal->input, input);
            EXPECT_EQ(entry.text(input), text);
            // A quote cannot stand in a file name either, and that is said first.
            const bool fileName = input == Recipient && problem == Refusal::DoubleQuote;
            EXPECT_EQ(refusal->problem, fileName ? Refusal::NotAFileName : problem);
            EXPECT_EQ(refusal->fileName, fileName ? FileNameProblem::ReservedCharacter : FileNameProblem::None);
            EXPECT_EQ(refusal->character, fileName ? "" : character);
        }
    }
}

}  // namespace
}  // namespace callpad::test
