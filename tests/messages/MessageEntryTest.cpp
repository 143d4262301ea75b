#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "messages/MessageEntry.h"

namespace callpad {
namespace {

// An entry whose inputs all differ, so that any mix-up of fields shows.
MessageEntry sampleEntry() {
    MessageEntry entry;
    entry.party = "山田商事";
    entry.person = "山田太郎";
    entry.phoneNumber = "03-1234-5678";
    entry.content = "至急\r\n折り返し\r\nください";
    entry.deadline = "\u3000３時";
    entry.reporter = "佐藤";
    entry.recipient = "田中";
    return entry;
}

// Each input with the member that holds its text.
const std::pair<EntryInput, std::string MessageEntry::*> kInputs[] = {
    {EntryInput::Party, &MessageEntry::party},
    {EntryInput::Person, &MessageEntry::person},
    {EntryInput::PhoneNumber, &MessageEntry::phoneNumber},
    {EntryInput::Content, &MessageEntry::content},
    {EntryInput::Deadline, &MessageEntry::deadline},
    {EntryInput::Reporter, &MessageEntry::reporter},
    {EntryInput::Recipient, &MessageEntry::recipient},
};

TEST(BuildMessage, PutsEachInputIntoItsFieldWithTheStampOfTheSave) {
    const LocalDateTime moment{2027, 1, 2, 23, 4, 5};
    MessageEntry entry = sampleEntry();
    const PhoneMessage expected{
        "山田商事",   "山田太郎", "2027/01/02", "23:04:05", "0", "03-1234-5678", "至急\r\n折り返し\r\nください",
        "\u3000３時", "佐藤",     "山田商事"};
    EXPECT_EQ(buildMessage(entry, moment), expected);

    entry.callBack = true;
    EXPECT_EQ(buildMessage(entry, moment).CallBackFlag, "1");

    // Empty inputs stay empty fields; the recipient is not part of the record.
    const PhoneMessage empty = buildMessage(MessageEntry{}, moment);
    EXPECT_EQ(empty, (PhoneMessage{"", "", "2027/01/02", "23:04:05", "0", "", "", "", "", ""}));
}

TEST(CheckEntry, AcceptsWhatTheFileHoldsAsTyped) {
    EXPECT_FALSE(checkEntry(MessageEntry{}));  // empty recipient: "c:\callpad.txt"
    EXPECT_FALSE(checkEntry(sampleEntry()));

    // Substitutions that code page 932 makes silently, commas, spaces and line breaks are fine.
    MessageEntry entry = sampleEntry();
    entry.party = "ABC, Inc. 〜支店";
    entry.person = " Smith ";
    entry.recipient = "田中 ";
    EXPECT_FALSE(checkEntry(entry));
}

TEST(CheckEntry, NamesTheInputThatTheFileCannotHold) {
    const struct {
        const char* text;
        FieldProblem::Kind kind;
        const char* character;
    } cases[] = {
        {"株式会社\"山田\"", FieldProblem::DoubleQuote, "\""},
        {"笑顔😀", FieldProblem::Unencodable, "😀"},
        {"𠮷野家", FieldProblem::Unencodable, "𠮷"},
        {"¥100", FieldProblem::Unencodable, "¥"},
    };
    for (const auto& [input, member] : kInputs) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.text) + " in input " + std::to_string(static_cast<int>(input)));
            MessageEntry entry = sampleEntry();
            entry.*member = c.text;
            const auto problem = checkEntry(entry);
            ASSERT_TRUE(problem);
            EXPECT_EQ(problem->input, input);
            if (input == EntryInput::Recipient && c.kind == FieldProblem::DoubleQuote) {
                // A quote cannot stand in a file name either, and that is said first.
                EXPECT_EQ(problem->fileName, FileNameProblem::ReservedCharacter);
                continue;
            }
            ASSERT_TRUE(problem->text);
            EXPECT_EQ(problem->text->kind, c.kind);
            EXPECT_EQ(problem->text->character, c.character);
        }
    }
}

TEST(CheckEntry, RefusesRecipientsThatCannotNameAFileOfTheDataFolder) {
    const struct {
        const char* recipient;
        FileNameProblem problem;
    } cases[] = {
        {"a/b", FileNameProblem::Separator},
        {"..\\田中", FileNameProblem::Separator},
        {"..", FileNameProblem::DotName},
        {"営業:田中", FileNameProblem::ReservedCharacter},
        {"田中?", FileNameProblem::ReservedCharacter},
        {"田中\t", FileNameProblem::ControlCharacter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recipient);
        MessageEntry entry = sampleEntry();
        entry.recipient = c.recipient;
        const auto problem = checkEntry(entry);
        ASSERT_TRUE(problem);
        EXPECT_EQ(problem->input, EntryInput::Recipient);
        EXPECT_EQ(problem->fileName, c.problem);
        EXPECT_FALSE(problem->text);
    }
}

TEST(CheckEntry, ReportsTheFirstBadInputInTheOrderTheUserVisitsThem) {
    MessageEntry entry = sampleEntry();
    entry.recipient = "a/b";
    entry.reporter = "\"";
    entry.content = "😀";
    const auto problem = checkEntry(entry);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->input, EntryInput::Content);
}

}  // namespace
}  // namespace callpad
