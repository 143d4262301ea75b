#include <gtest/gtest.h>

#include <optional>

#include "names/NameList.h"
#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::bytesFromHex;
using test::sameBytes;
using test::TempFolder;

std::vector<std::string> numberedNames(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        names.push_back("名前" + std::to_string(i));
    }
    return names;
}

std::string recordsOf(const std::vector<std::string>& names) {
    std::string bytes;
    for (const auto& name : names) {
        bytes += encodeRecord({name});
    }
    return bytes;
}

std::vector<std::string> slotsOf(const NameList& list) {
    return {list.slot.begin() + 1, list.slot.begin() + 1 + list.NameCount};
}

TEST(NameList, LoadsUpToTwentyNamesAndKeepsTheRest) {
    const struct {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        std::vector<std::string> slots;
        std::vector<std::string> beyond;
        bool damaged;
    } cases[] = {
        {"missing file", std::nullopt, {}, {}, false},
        {"0-byte file", "", {}, {}, false},
        {"reporters with a trailing space and an empty name",
         test::fixtureBytes("names/reporters.txt"),
         {"佐藤", "鈴木", "高橋 ", ""},
         {},
         false},
        {"twenty names", recordsOf(numberedNames(20)), numberedNames(20), {}, false},
        {"twenty-one names", test::fixtureBytes("names/twenty-one-names.txt"), numberedNames(20), {"名前21"}, false},
        {"bytes code page 932 does not define", "\"a\"\r\n\"\x85\x40\"\r\n", {"a"}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        if (c.file) {
            temp.write("callpadRT.txt", *c.file);
        }
        NameList list;
        list.damaged = !c.damaged;
        list.beyondCapacity = {"left from before"};
        LoadNameList(temp.folder(), kReporterListPath, list);
        EXPECT_EQ(slotsOf(list), c.slots);
        EXPECT_EQ(list.beyondCapacity, c.beyond);
        EXPECT_EQ(list.damaged, c.damaged);
        EXPECT_EQ(temp.exists("callpadRT.txt"), c.file.has_value());

        auto every = c.slots;
        every.insert(every.end(), c.beyond.begin(), c.beyond.end());
        EXPECT_EQ(choiceItems(list), every);
    }
}

TEST(NameList, SavesSlotsInUseThenNamesBeyondTheTwentiethAndReadsThemBack) {
    const struct {
        const char* name;
        std::vector<std::string> slots;
        std::vector<std::string> beyond;
        std::string bytes;
    } cases[] = {
        {"no names", {}, {}, ""},
        {"one empty name", {""}, {}, bytesFromHex("22 22 0d 0a")},
        {"comma, spaces and an empty name",
         {"a,b", " 佐藤 ", ""},
         {},
         bytesFromHex("22 61 2c 62 22 0d 0a 22 20 8d b2 93 a1 20 22 0d 0a 22 22 0d 0a")},
        {"names beyond the twentieth follow the slots",
         numberedNames(20),
         {"名前21", "x"},
         recordsOf(numberedNames(20)) + bytesFromHex("22 96 bc 91 4f 32 31 22 0d 0a 22 78 22 0d 0a")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        NameList list;
        list.NameCount = static_cast<int>(c.slots.size());
        std::copy(c.slots.begin(), c.slots.end(), list.slot.begin() + 1);
        if (list.NameCount < NameList::kCapacity) {
            list.slot[list.NameCount + 1] = "not in use";
        }
        list.beyondCapacity = c.beyond;
        SaveNameList(temp.folder(), kReporterListPath, list);
        EXPECT_TRUE(sameBytes(c.bytes, temp.read("callpadRT.txt")));

        NameList back;
        LoadNameList(temp.folder(), kReporterListPath, back);
        EXPECT_EQ(slotsOf(back), c.slots);
        EXPECT_EQ(back.beyondCapacity, c.beyond);
    }
}

}  // namespace
}  // namespace callpad
