#include <gtest/gtest.h>

#include <optional>

#include "names/NameListEditor.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::bytesFromHex;
using test::sameBytes;
using test::TempFolder;
using Kind = NameListEditor::Kind;

std::string recordsOf(const std::vector<std::string>& names) {
    std::string bytes;
    for (const auto& name : names) {
        bytes += encodeRecord({name});
    }
    return bytes;
}

// What the user does on the screen. A move carries the box's text and the bar's new value.
struct Step {
    enum { Add, Move, Delete } action;
    std::string box;
    int value = 0;
};
Step add(std::string box) {
    return {Step::Add, std::move(box)};
}
Step move(std::string box, int value) {
    return {Step::Move, std::move(box), value};
}
const Step del{Step::Delete, ""};

NameListEditor::StoreResult run(NameListEditor& editor, const std::vector<Step>& steps) {
    NameListEditor::StoreResult last;
    for (const auto& step : steps) {
        if (step.action == Step::Add) {
            last = editor.CmdTuika_Click(step.box);
        } else if (step.action == Step::Move) {
            last = editor.HScBN_Change(step.box, step.value);
        } else {
            editor.CmdDel_Click();
        }
    }
    return last;
}

// The screen and the list in one line: "#2 'b' bar 2/3 3:[a|b|]".
std::string screen(const NameListEditor& editor) {
    std::string names;
    for (int i = 1; i <= editor.NameCount(); ++i) {
        names += (i > 1 ? "|" : "") + editor.list().slot[i];
    }
    return "#" + std::to_string(editor.shownSlot()) + " '" + editor.shownText() + "' bar " +
           std::to_string(editor.scrollValue()) + "/" + std::to_string(editor.scrollMaximum()) + " " +
           std::to_string(editor.NameCount()) + ":[" + names + "]";
}

// An editor opened on a temporary folder whose list file holds `file` (no file when nothing).
struct OpenEditor {
    OpenEditor(Kind kind, const std::optional<std::string>& file) : editor(kind) {
        if (file) {
            temp.write(kind == Kind::Reporters ? "callpadRT.txt" : "callpadUT.txt", *file);
        }
        editor.Form_Load(temp.folder());
    }
    TempFolder temp;
    NameListEditor editor;
};

TEST(NameListEditor, StoresMovesAndDeletesSlotByTheScreensRules) {
    const std::vector<std::string> abc{"a", "b", "c"};
    const struct {
        const char* name;
        std::optional<std::vector<std::string>> names;
        std::vector<Step> steps;
        const char* screen;
    } cases[] = {
        {"missing file opens one blank slot", std::nullopt, {}, "#1 '' bar 1/1 1:[]"},
        {"opening shows slot 1", abc, {}, "#1 'a' bar 1/3 3:[a|b|c]"},
        {"add at the last slot opens the next and stays", abc, {move("a", 3), add("x")}, "#3 'x' bar 3/4 4:[a|b|x|]"},
        {"moving right then shows the new slot blank",
         abc,
         {move("a", 3), add("x"), move("x", 4)},
         "#4 '' bar 4/4 4:[a|b|x|]"},
        {"add at the last slot with an empty box opens nothing",
         abc,
         {move("a", 3), add("")},
         "#3 '' bar 3/3 3:[a|b|]"},
        {"a blank counts as text", abc, {move("a", 3), add(" ")}, "#3 ' ' bar 3/4 4:[a|b| |]"},
        {"add on a slot before the last overwrites it", abc, {add("z")}, "#1 'z' bar 1/3 3:[z|b|c]"},
        {"moving away stores the edit", abc, {move("A", 3)}, "#3 'c' bar 3/3 3:[A|b|c]"},
        {"moving left from a last slot with a name opens a slot",
         abc,
         {move("a", 3), move("c", 2)},
         "#2 'b' bar 2/4 4:[a|b|c|]"},
        {"deleting slot 2 of five moves the later names up",
         std::vector<std::string>{"a", "b", "c", "d", "e"},
         {move("a", 2), del},
         "#2 'c' bar 2/4 4:[a|c|d|e]"},
        {"deleting the last slot lands on the new last", abc, {move("a", 3), del}, "#2 'b' bar 2/2 2:[a|b]"},
        {"a slot opened after deleting the last starts blank",
         abc,
         {move("a", 3), del, add("b"), move("b", 3)},
         "#3 '' bar 3/3 3:[a|b|]"},
        {"deleting the only slot shows slot 1 blank", std::vector<std::string>{"a"}, {del}, "#1 '' bar 1/1 0:[]"},
        {"an empty box on the emptied list keeps it empty",
         std::vector<std::string>{"a"},
         {del, add("")},
         "#1 '' bar 1/1 0:[]"},
        {"a name stored on the emptied list is the first and opens slot 2",
         std::vector<std::string>{"a"},
         {del, add("n")},
         "#1 'n' bar 1/2 2:[n|]"},
        {"a file ending in an empty name: that blank slot is the last",
         std::vector<std::string>{"佐藤", "鈴木", "高橋 ", ""},
         {move("佐藤", 4), add("新人")},
         "#4 '新人' bar 4/5 5:[佐藤|鈴木|高橋 |新人|]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenEditor open(Kind::Reporters, c.names ? std::optional(recordsOf(*c.names)) : std::nullopt);
        const auto result = run(open.editor, c.steps);
        EXPECT_EQ(screen(open.editor), c.screen);
        EXPECT_TRUE(result.stored);
        EXPECT_FALSE(result.listFull);
    }
}

TEST(NameListEditor, NoSlotOpensPastTheTwentieth) {
    std::vector<std::string> names;
    for (int i = 1; i <= 19; ++i) {
        names.push_back(std::to_string(i));
    }
    OpenEditor open(Kind::Reporters, recordsOf(names));
    auto result = run(open.editor, {move("1", 19), add("19")});
    EXPECT_FALSE(result.listFull);
    ASSERT_EQ(open.editor.NameCount(), 20);

    // An empty box at slot 20 would open nothing anyway, so the list is not reported full.
    result = run(open.editor, {move("19", 20), add("")});
    EXPECT_FALSE(result.listFull);

    result = run(open.editor, {add("20")});
    EXPECT_TRUE(result.stored);
    EXPECT_TRUE(result.listFull);
    EXPECT_EQ(open.editor.NameCount(), 20);
    EXPECT_EQ(open.editor.scrollMaximum(), 20);
    EXPECT_EQ(open.editor.list().slot[20], "20");

    run(open.editor, {move("20", 19)});
    EXPECT_EQ(open.editor.NameCount(), 20);
    EXPECT_EQ(open.editor.scrollMaximum(), 20);
}

TEST(NameListEditor, RefusesNamesTheFilesCannotHold) {
    using Refusal = NameListEditor::Refusal;
    const struct {
        const char* name;
        Kind kind;
        std::string text;
        std::optional<Refusal::Reason> refused;
    } cases[] = {
        {"double quote", Kind::Reporters, "say \"hi\"", Refusal::Field},
        {"emoji", Kind::Reporters, "😀", Refusal::Field},
        {"half-width yen", Kind::Reporters, "¥", Refusal::Field},
        {"slash is fine for a reporter", Kind::Reporters, "a/b", std::nullopt},
        {"double quote for a recipient", Kind::Recipients, "\"", Refusal::Field},
        {"slash for a recipient", Kind::Recipients, "a/b", Refusal::FileName},
        {"dot dot for a recipient", Kind::Recipients, "..", Refusal::FileName},
        {"drive letter for a recipient", Kind::Recipients, "c:x", Refusal::FileName},
        {"trailing blank for a recipient", Kind::Recipients, "田中 ", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool byMove : {false, true}) {
            SCOPED_TRACE(byMove ? "moving right" : "add");
            OpenEditor open(c.kind, recordsOf({"a", "b"}));
            const auto result = byMove ? open.editor.HScBN_Change(c.text, 2) : open.editor.CmdTuika_Click(c.text);
            EXPECT_EQ(result.stored, !c.refused);
            ASSERT_EQ(result.refusal.has_value(), c.refused.has_value());
            if (c.refused) {
                EXPECT_EQ(result.refusal->reason, *c.refused);
                EXPECT_EQ(screen(open.editor), "#1 'a' bar 1/2 2:[a|b]");
            } else {
                EXPECT_EQ(open.editor.list().slot[1], c.text);
            }
        }
    }
}

TEST(NameListEditor, TheStaleTextStoredAboveTheListIsNeverRefused) {
    // A recipient file made by hand may hold a name the editor would refuse; deleting it as the
    // last slot stores it once more above the list on the way to the new last slot.
    OpenEditor open(Kind::Recipients, recordsOf({"x", "a/b"}));
    run(open.editor, {move("x", 2), del});
    EXPECT_EQ(screen(open.editor), "#1 'x' bar 1/1 1:[x]");
}

TEST(NameListEditor, ReturnWritesTheListUnlessTheFileWasDamaged) {
    const std::string twentyOne = test::fixtureBytes("names/twenty-one-names.txt");
    const auto namesFrom = [](int first, int last) {
        std::vector<std::string> names;
        for (int i = first; i <= last; ++i) {
            names.push_back("名前" + std::to_string(i));
        }
        return names;
    };
    auto editedFirst = namesFrom(1, 21);
    editedFirst[0] = "X";
    const struct {
        const char* name;
        Kind kind;
        std::optional<std::string> file;
        std::vector<Step> steps;
        std::optional<std::string> written;  // nothing: returns false and leaves the file
    } cases[] = {
        {"missing file: the blank first slot, unsaved text ignored",
         Kind::Reporters,
         std::nullopt,
         {},
         bytesFromHex("22 22 0d 0a")},
        {"unchanged reporters file",
         Kind::Reporters,
         test::fixtureBytes("names/reporters.txt"),
         {},
         test::fixtureBytes("names/reporters.txt")},
        {"the only name deleted", Kind::Recipients, recordsOf({"田中"}), {del}, ""},
        {"a name stored after deleting the only one",
         Kind::Recipients,
         recordsOf({"田中"}),
         {del, add("山田")},
         recordsOf({"山田", ""})},
        {"twenty-one names: first edited, the 21st kept after the 20th",
         Kind::Reporters,
         twentyOne,
         {add("X")},
         recordsOf(editedFirst)},
        {"twenty-one names: first deleted", Kind::Recipients, twentyOne, {del}, recordsOf(namesFrom(2, 21))},
        {"damaged file", Kind::Reporters, "\"a\"\r\n\"\x85\x40\"\r\n", {add("b")}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenEditor open(c.kind, c.file);
        run(open.editor, c.steps);
        EXPECT_EQ(open.editor.CmdRt_Click(open.temp.folder()), c.written.has_value());
        const char* own = c.kind == Kind::Reporters ? "callpadRT.txt" : "callpadUT.txt";
        const char* other = c.kind == Kind::Reporters ? "callpadUT.txt" : "callpadRT.txt";
        if (c.written || c.file) {
            EXPECT_TRUE(sameBytes(c.written ? *c.written : *c.file, open.temp.read(own)));
        }
        EXPECT_FALSE(open.temp.exists(other));
    }
}

}  // namespace
}  // namespace callpad
