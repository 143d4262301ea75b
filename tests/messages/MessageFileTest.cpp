#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "messages/MessageFile.h"
#include "messages/Samples.h"
#include "records/FileError.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::sampleMessage;
using test::TempFolder;

const std::vector<PhoneMessage> kThreeMessages{
    {"山田商事", "山田太郎", "2026/12/01", "9:05:03", "1", "03-1234-5678", "至急\r\n折り返しください", "至急", "佐藤",
     "山田商事"},
    {"ABC, Inc.", " Smith ", "2026/11/30", "17:45:00", "0", "", "", "\u3000\u3000", "", "ABC, Inc."},
    {"①株式会社髙橋", "﨑山", "2026/11/29", "12:00:59", "1", "090-0000-0000", "Ⅰ期の件、〒100-0001\r\n\uff5e明朝まで",
     "明朝", "鈴木", "①株式会社髙橋"},
};

std::vector<PhoneMessage> fiftyMessages() {
    std::vector<PhoneMessage> messages;
    for (int i = 1; i <= 50; ++i) {
        const std::string n = std::to_string(i);
        char time[16];
        char phone[16];
        std::snprintf(time, sizeof time, "10:%02d:00", i);
        std::snprintf(phone, sizeof phone, "03-0000-%04d", i);
        messages.push_back({"取引先" + n, "担当" + n, "2026/12/01", time, i % 2 ? "1" : "0", phone, "内容" + n, "昼",
                            "佐藤", "取引先" + n});
    }
    return messages;
}

std::vector<PhoneMessage> recordsOfTable(const MessageTable& table) {
    std::vector<PhoneMessage> messages;
    for (int i = 1; i <= table.MessageCount(); ++i) {
        messages.push_back(table.slot(i));
    }
    return messages;
}

TEST(MessageFilePath, PutsTheRecipientBeforeTheSuffixUnchanged) {
    EXPECT_EQ(MessageFilePath("AB"), "c:\\ABcallpad.txt");
    EXPECT_EQ(MessageFilePath(""), "c:\\callpad.txt");
    EXPECT_EQ(MessageFilePath("田中 "), "c:\\田中 callpad.txt");
    EXPECT_NE(MessageFilePath("田中 "), MessageFilePath("田中"));
}

TEST(LoadMessages, ReadsTheFirstFiftyRecordsAndTellsWhatWasLeft) {
    std::vector<PhoneMessage> fiftyFiveFirst;
    for (int i = 1; i <= 50; ++i) {
        const std::string n = std::to_string(i);
        fiftyFiveFirst.push_back({"取引先" + n, "", "2026/12/01", "8:00:00", "0", "", "件" + n, "", "", "取引先" + n});
    }
    const struct {
        const char* name;
        std::optional<std::string> fixture;  // nothing: no file
        std::vector<PhoneMessage> records;
        int beyond;
        bool damaged;
    } cases[] = {
        {"missing file", std::nullopt, {}, 0, false},
        {"three messages", "messages/three-messages.txt", kThreeMessages, 0, false},
        {"fifty messages", "messages/fifty-messages.txt", fiftyMessages(), 0, false},
        {"fifty-five messages", "messages/fifty-five-messages.txt", fiftyFiveFirst, 5, false},
        {"short last record", "messages/damaged-last-record.txt", {kThreeMessages[0], kThreeMessages[1]}, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        if (c.fixture) {
            temp.copyFixture(*c.fixture, "田中callpad.txt");
        }
        MessageTable table;
        table.append(sampleMessage("前の表"));
        const MessageLoad load = LoadMessages(temp.folder(), "c:\\田中callpad.txt", table);
        EXPECT_EQ(recordsOfTable(table), c.records);
        EXPECT_EQ(load.recordsBeyondCapacity, c.beyond);
        EXPECT_EQ(load.damaged, c.damaged);
        EXPECT_EQ(load.isWhole(), c.beyond == 0 && !c.damaged);
        EXPECT_EQ(temp.exists("田中callpad.txt"), c.fixture.has_value());
    }
}

TEST(LoadMessages, AFailedReadLeavesTheTableAsItWas) {
    TempFolder temp;
    std::filesystem::create_directory(temp.root() / "callpad.txt");
    MessageTable table;
    table.append(sampleMessage("A"));
    EXPECT_THROW(LoadMessages(temp.folder(), "c:\\callpad.txt", table), FileError);
    EXPECT_EQ(recordsOfTable(table), std::vector{sampleMessage("A")});
}

TEST(MessageTable, PrependsNewestFirstUntilFullAndRemovesAnyPosition) {
    MessageTable table;
    for (const char* party : {"C", "B", "A"}) {
        ASSERT_TRUE(table.PrependMessage(sampleMessage(party)));
    }
    const std::vector abc{sampleMessage("A"), sampleMessage("B"), sampleMessage("C")};
    EXPECT_EQ(recordsOfTable(table), abc);

    const struct {
        const char* name;
        int position;
        std::vector<PhoneMessage> left;
    } removals[] = {
        {"first", 1, {abc[1], abc[2]}},
        {"middle", 2, {abc[0], abc[2]}},
        {"last", 3, {abc[0], abc[1]}},
    };
    for (const auto& r : removals) {
        SCOPED_TRACE(r.name);
        MessageTable copy = table;
        copy.RemoveMessage(r.position);
        EXPECT_EQ(recordsOfTable(copy), r.left);
        EXPECT_EQ(copy.slot(3), PhoneMessage{});
    }

    while (!table.isFull()) {
        table.PrependMessage(sampleMessage("古い"));
    }
    const MessageTable full = table;
    EXPECT_FALSE(table.PrependMessage(sampleMessage("Z")));
    EXPECT_EQ(recordsOfTable(table), recordsOfTable(full));
    EXPECT_EQ(table.slot(50), sampleMessage("C"));
}

TEST(CheckMessage, NamesTheFirstFieldTheFileCannotHold) {
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> fields;
        std::optional<int> field;
        FieldProblem::Kind kind;
    } cases[] = {
        {"all fields fine", {{7, "〒100-0001\r\n～"}}, std::nullopt, {}},
        {"double quote in the first", {{1, "\"A\""}}, 1, FieldProblem::DoubleQuote},
        {"emoji in the last", {{10, "😀"}}, 10, FieldProblem::Unencodable},
        {"the earlier of two", {{7, "\""}, {3, "¥"}}, 3, FieldProblem::Unencodable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PhoneMessage message = sampleMessage("A");
        for (const auto& [n, text] : c.fields) {
            message.field(n) = text;
        }
        const auto problem = checkMessage(message);
        ASSERT_EQ(problem.has_value(), c.field.has_value());
        if (problem) {
            EXPECT_EQ(problem->field, *c.field);
            EXPECT_EQ(problem->problem.kind, c.kind);
        }
    }
}

}  // namespace
}  // namespace callpad
