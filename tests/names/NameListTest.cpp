#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "names/NameList.h"
#include "names/NameListEditor.h"
#include "records/FileError.h"
#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad::test {
namespace {

using enum NameListEditor::Kind;
using Names = std::vector<std::string>;

Names numberedNames(int first, int last) {
    Names names;
    for (int i = first; i <= last; ++i) {
        names.push_back("名前" + std::to_string(i));
    }
    return names;
}

std::string recordsOf(const Names& names) {
    std::string bytes;
    for (const auto& name : names) {
        bytes += encodeRecord({name});
    }
    return bytes;
}

// A list file is read into 20 slots and the names beyond them, all offered for choice; the editor's 戻る
// writes it back, with the blank first slot of an empty list, unless it could not be read whole.
TEST(NameList, LoadsUpToTwentyNamesKeepsTheRestAndIsWrittenBackOnlyWhenReadWhole) {
    const std::string reporters = fixtureBytes("names/reporters.txt");
    const std::string twentyOne = fixtureBytes("names/twenty-one-names.txt");
    const struct {
        const char* name;
        std::optional<std::string> file;   // nothing: no file
        Names names;                       // those read, in order
        std::optional<std::string> saved;  // nothing: damaged, and 戻る leaves the file
    } cases[] = {
        {"missing file", std::nullopt, {}, "\"\"\r\n"},
        {"0-byte file", "", {}, "\"\"\r\n"},
        {"blank and empty names", reporters, {"佐藤", "鈴木", "高橋 ", ""}, reporters},
        {"twenty-one", twentyOne, numberedNames(1, 21), twentyOne},
        {"undefined bytes", "\"a\"\r\n\"\x85\x40\"\r\n", {"a"}, std::nullopt},
        {"a quote in a name written without quotes", "\"a\"\r\nab\"c\r\n\"d\"\r\n", {"a"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        if (c.file) {
            temp.write("callpadRT.txt", *c.file);
        }
        NameList list;
        list.damaged = c.saved.has_value();
        list.beyondCapacity = {"left from before"};
        LoadNameList(temp.folder(), kReporterListPath, list);
        EXPECT_EQ(list.NameCount, std::min<int>(static_cast<int>(c.names.size()), NameList::kCapacity));
        EXPECT_EQ(choiceItems(list), c.names);
        EXPECT_EQ(list.damaged, !c.saved);
        NameListEditor editor(Reporters);
        editor.load(temp.folder());
        EXPECT_EQ(editor.save(temp.folder()), c.saved.has_value());
        EXPECT_TRUE(sameBytes(c.saved ? *c.saved : *c.file, temp.read("callpadRT.txt")));
    }
    // A file that cannot be read at all is never replaced by the empty list.
    TempFolder temp;
    std::filesystem::create_directory(temp.root() / "callpadRT.txt");
    NameListEditor editor(Reporters);
    EXPECT_THROW(editor.load(temp.folder()), FileError);
    EXPECT_FALSE(editor.save(temp.folder()));
    EXPECT_TRUE(std::filesystem::is_directory(temp.root() / "callpadRT.txt"));
}

// What the user does on the screen, and the refusal it meets. A move carries the box's text and the bar's
// new value.
using Step = std::function<std::optional<Refusal>(NameListEditor&)>;
Step add(std::string box) {
    return [box](NameListEditor& editor) { return editor.store(box); };
}
Step move(std::string box, int value) {
    return [box, value](NameListEditor& editor) { return editor.moveTo(box, value); };
}
const Step del = [](NameListEditor& editor) {
    editor.removeShownSlot();
    return std::optional<Refusal>();
};
std::vector<Step> then(std::vector<Step> steps, const std::vector<Step>& more) {
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

// The screen and the list in one line: "#2 'b' bar 2/3 3:[a|b|]", with "full" after the bar when 登録
// at the shown slot opens none after it.
std::string screen(const NameListEditor& editor) {
    std::string text = "#" + std::to_string(editor.shownSlot()) + " '" + editor.shownText() + "' bar " +
                       std::to_string(editor.shownSlot()) + "/" + std::to_string(editor.slotCount()) +
                       (editor.isFullAtShownSlot() ? " full " : " ") + std::to_string(editor.NameCount()) + ":[";
    for (int i = 1; i <= editor.NameCount(); ++i) {
        text += (i > 1 ? "|" : "") + editor.list().slot[i];
    }
    return text + "]";
}

// The refusals: a name that a list's file, or a message file named after a recipient, cannot hold. Rows
// of long lists give the screen up to its names, and what 戻る then writes.
TEST(NameListEditor, StoresMovesDeletesAndRefusesSlotByTheScreensRules) {
    const Names abc{"a", "b", "c"};
    const Names ab{"a", "b"};
    const Names n19 = numberedNames(1, 19);
    const Names n22 = numberedNames(1, 22);
    const auto numbered = [](int first, int last) { return recordsOf(numberedNames(first, last)); };
    const std::vector<Step> twentieth{move("名前1", 19), add("名前19"), move("名前19", 20)};
    const std::vector<Step> past21st{move("名前1", 5), del, move("名前6", 20), move("名前21", 19)};
    const std::string shrunk = numbered(1, 4) + numbered(6, 19) + numbered(22, 22);
    const struct {
        const char* name;
        std::optional<Names> names;  // the file's; nothing: no file
        std::vector<Step> steps;
        const char* screen;
        std::optional<Refusal::Problem> refused = std::nullopt;  // of the last step
        NameListEditor::Kind kind = Reporters;
        std::optional<std::string> saved = std::nullopt;  // what 戻る writes
    } cases[] = {
        {"add at the last slot opens the next", abc, {move("a", 3), add("x")}, "#3 'x' bar 3/4 4:[a|b|x|]"},
        {"an empty box opens nothing", abc, {move("a", 3), add("")}, "#3 '' bar 3/3 3:[a|b|]"},
        {"a blank counts as text", abc, {move("a", 3), add(" ")}, "#3 ' ' bar 3/4 4:[a|b| |]"},
        {"add before the last overwrites", abc, {add("z")}, "#1 'z' bar 1/3 3:[z|b|c]"},
        {"moving away stores the edit", abc, {move("A", 3)}, "#3 'c' bar 3/3 3:[A|b|c]"},
        {"leaving a named last slot opens one", abc, {move("a", 3), move("c", 2)}, "#2 'b' bar 2/4 4:[a|b|c|]"},
        {"deleting moves later names up", Names{"a", "b", "c", "d"}, {move("a", 2), del}, "#2 'c' bar 2/3 3:[a|c|d]"},
        {"deleting the last lands on the new last", abc, {move("a", 3), del}, "#2 'b' bar 2/2 2:[a|b]"},
        {"a reopened slot is blank", abc, {move("a", 3), del, add("b"), move("b", 3)}, "#3 '' bar 3/3 3:[a|b|]"},
        {"deleting the only slot", Names{"a"}, {del}, "#1 '' bar 1/1 0:[]", {}, Recipients, ""},
        {"an empty box keeps it empty", Names{"a"}, {del, add("")}, "#1 '' bar 1/1 0:[]"},
        {"then a name", Names{"a"}, {del, add("n")}, "#1 'n' bar 1/2 2:[n|]", {}, Recipients, "\"n\"\r\n\"\"\r\n"},
        {"a file's empty last name", Names{"a", ""}, {move("a", 2), add("n")}, "#2 'n' bar 2/3 3:[a|n|]"},
        {"a quote in a reporter", ab, {move("say \"hi\"", 2)}, "#1 'a' bar 1/2 2:[a|b]", Refusal::DoubleQuote},
        {"a slash in a reporter", ab, {move("a/b", 2)}, "#2 'b' bar 2/2 2:[a/b|b]"},
        {"not in code page 932", ab, {move("😀", 2)}, "#1 'a' bar 1/2 2:[a|b]", Refusal::Unencodable, Recipients},
        {"a slash in a recipient", ab, {move("a/b", 2)}, "#1 'a' bar 1/2 2:[a|b]", Refusal::NotAFileName, Recipients},
        {"a recipient's blank", ab, {move("田中 ", 2)}, "#2 'b' bar 2/2 2:[田中 |b]", std::nullopt, Recipients},
        // A hand-made file may hold a name the editor would refuse; deleting it as the last slot shows the
        // new last slot without storing the deleted name anywhere.
        {"a refused name deleted", Names{"x", "a/b"}, {move("x", 2), del}, "#1 'x' bar 1/1 1:[x]", {}, Recipients},
        {"an empty box at the 20th is not full", n19, then(twentieth, {add("")}), "#20 '' bar 20/20 20:["},
        {"a name at the 20th opens no 21st", n19, then(twentieth, {add("20")}), "#20 '20' bar 20/20 full 20:["},
        {"nor does leaving the 20th", n19, then(twentieth, {add("20"), move("20", 20), move("20", 19)}),
         "#19 '名前19' bar 19/20 20:["},
        // A file of 22 is one list: a deletion moves the 21st up into slot 20.
        {"22 names", n22, past21st, "#19 '名前20' bar 19/20 20:[", {}, Reporters, numbered(1, 4) + numbered(6, 22)},
        {"20 left", n22, then(past21st, {del, del}), "#19 '名前22' bar 19/19 19:[", {}, Reporters, shrunk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder temp;
        const bool reporter = c.kind == Reporters;
        const std::string file = reporter ? "callpadRT.txt" : "callpadUT.txt";
        if (c.names) {
            temp.write(file, recordsOf(*c.names));
        }
        NameListEditor editor(c.kind);
        editor.load(temp.folder());
        std::optional<Refusal> refusal;
        for (const auto& step : c.steps) {
            refusal = step(editor);
        }
        EXPECT_EQ(refusal ? std::optional(refusal->problem) : std::nullopt, c.refused);
        EXPECT_TRUE(!refusal || refusal->input == (reporter ? TextInput::Reporter : TextInput::Recipient));
        EXPECT_EQ(screen(editor).substr(0, std::string_view(c.screen).size()), c.screen);
        if (c.saved) {
            ASSERT_TRUE(editor.save(temp.folder()));
            EXPECT_TRUE(sameBytes(*c.saved, temp.read(file)));
            EXPECT_EQ(temp.listing(), "callpad.lock " + file);  // and not the other list's file
        }
    }
    // A slot the bar does not offer is a fault of the program, not a slot to show.
    NameListEditor editor(Reporters);
    EXPECT_THROW(editor.moveTo("", 0), std::out_of_range);
    EXPECT_THROW(editor.moveTo("", 2), std::out_of_range);
}

}  // namespace
}  // namespace callpad::test
