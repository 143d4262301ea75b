#include <gtest/gtest.h>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::bytesFromHex;
using test::sameBytes;
using test::TempFolder;

// Reads every record of `fieldCount` fields, up to an empty optional field where the file is damaged.
std::vector<std::vector<std::optional<std::string>>> readAll(std::string_view bytes, int fieldCount) {
    RecordDecoder decoder(bytes);
    std::vector<std::vector<std::optional<std::string>>> records;
    bool damaged = false;
    while (!decoder.atEnd() && !damaged) {
        auto& record = records.emplace_back();
        for (int i = 0; i < fieldCount && !damaged; ++i) {
            record.push_back(decoder.readField());
            damaged = !record.back();
        }
    }
    return records;
}

TEST(RecordLayout, RecordsAreWrittenByteForByte) {
    const struct {
        const char* name;
        std::vector<std::string> fields;
        const char* bytes;
    } cases[] = {
        {"two fields, the second empty", {"ab", ""}, "22 61 62 22 2c 22 22 0d 0a"},
        {"one field", {"ab"}, "22 61 62 22 0d 0a"},
        {"one empty field", {""}, "22 22 0d 0a"},
        {"ten empty fields", std::vector<std::string>(10),
         "22 22 2c 22 22 2c 22 22 2c 22 22 2c 22 22 2c 22 22 2c"
         "22 22 2c 22 22 2c 22 22 2c 22 22 0d 0a"},
        {"a comma inside a field", {"a,b"}, "22 61 2c 62 22 0d 0a"},
        {"Japanese", {"至急"}, "22 8e 8a 8b 7d 22 0d 0a"},
        {"two lines in one field", {"a\r\nb"}, "22 61 0d 0a 62 22 0d 0a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = encodeRecord(c.fields);
        EXPECT_TRUE(sameBytes(bytesFromHex(c.bytes), line));
        const auto records = readAll(line, static_cast<int>(c.fields.size()));
        ASSERT_EQ(records.size(), 1u);
        for (std::size_t i = 0; i < c.fields.size(); ++i) {
            EXPECT_EQ(records[0][i], c.fields[i]);
        }
    }
    EXPECT_EQ(encodeRecord(std::vector<std::string>(10)).size(), 31u);
}

TEST(RecordLayout, WhatTheFormatCannotHoldIsNeverWritten) {
    EXPECT_THROW(encodeRecord({"say \"hi\""}), std::invalid_argument);
    EXPECT_THROW(encodeRecord({"ok", "😀"}), std::invalid_argument);

    const auto quote = checkFieldText("a\"b");
    ASSERT_TRUE(quote);
    EXPECT_EQ(quote->kind, FieldProblem::DoubleQuote);
    const auto emoji = checkFieldText("a😀");
    ASSERT_TRUE(emoji);
    EXPECT_EQ(emoji->kind, FieldProblem::Unencodable);
    EXPECT_EQ(emoji->character, "😀");
    EXPECT_FALSE(checkFieldText("〜 and , and spaces  "));
}

TEST(RecordDecoding, ReadsWhatWritersAndHandsProduce) {
    const struct {
        const char* name;
        std::string bytes;
        int fields;
        std::vector<std::vector<std::optional<std::string>>> records;
    } cases[] = {
        {"empty file", "", 1, {}},
        {"spaces and commas kept", "\" a, b \",\"\"\r\n", 2, {{" a, b ", ""}}},
        {"line break inside a field", "\"x\r\ny\"\r\n\"z\"\r\n", 1, {{"x\r\ny"}, {"z"}}},
        {"unquoted fields by the comma rule", "ab,cd\r\n", 2, {{"ab", "cd"}}},
        {"text behind a closing quote is skipped", "\"ab\"xy,\"c\"\r\n", 2, {{"ab", "c"}}},
        {"lone LF line ends", "\"a\"\n\"b\"\n", 1, {{"a"}, {"b"}}},
        {"no line end after the last record", "\"a\",\"b\"", 2, {{"a", "b"}}},
        {"short last record", "\"a\",\"b\"\r\n\"c\"\r\n", 2, {{"a", "b"}, {"c", std::nullopt}}},
        {"quote never closed", "\"abc\r\n", 1, {{std::nullopt}}},
        {"undefined bytes", "\"\x85\x40\"\r\n", 1, {{std::nullopt}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readAll(c.bytes, c.fields), c.records);
    }
}

TEST(RecordDecoding, WindowsFixturesReadAndWriteBackUnchanged) {
    const std::string singles = test::fixtureBytes("records/windows-single-bytes.txt");
    auto records = readAll(singles, 1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][0], std::string("\u0080a\uf8f0\uf8f1\uf8f2\uf8f3"));
    EXPECT_TRUE(sameBytes(singles, encodeRecord({*records[0][0]})));

    records = readAll(test::fixtureBytes("records/nec-selected-rows.txt"), 1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][0], std::string("纊黑"));
    EXPECT_TRUE(sameBytes(bytesFromHex("22 fa 5c fc 4b 22 0d 0a"), encodeRecord({*records[0][0]})));

    const std::string empties = test::fixtureBytes("records/ten-empty-fields.txt");
    records = readAll(empties, 10);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(sameBytes(empties, encodeRecord(std::vector<std::string>(10))));
}

TEST(TextRecordFile, WritesReplaceTheFileAndReadsFollowTheCallingOrder) {
    TempFolder temp;
    TextRecordFile file(temp.folder());
    EXPECT_FALSE(file.FileExists("c:\\list.txt"));

    file.OpenForOutput("c:\\list.txt");
    file.WriteRecord({"佐藤"});
    file.WriteRecord({""});
    EXPECT_FALSE(temp.exists("list.txt"));  // nothing reaches the disk before CloseFile
    file.CloseFile();
    EXPECT_TRUE(sameBytes(bytesFromHex("22 8d b2 93 a1 22 0d 0a 22 22 0d 0a"), temp.read("list.txt")));

    ASSERT_TRUE(file.FileExists("c:\\list.txt"));
    file.OpenForInput("c:\\list.txt");
    std::vector<std::string> names;
    while (!file.AtEndOfFile()) {
        names.push_back(file.ReadField().value());
    }
    file.CloseFile();
    EXPECT_EQ(names, (std::vector<std::string>{"佐藤", ""}));
}

}  // namespace
}  // namespace callpad
