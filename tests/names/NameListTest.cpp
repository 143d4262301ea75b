#include <gtest/gtest.h>

#include <optional>

#include "names/NameList.h"
#include "names/NameListEditor.h"
#include "records/FileError.h"
#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/TempFolder.h"

namespace callpad {
namespace {

using test::bytesFromHex;
using test::sameBytes;
using test::TempFolder;
using Kind = NameListEditor::Kind;
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

TEST(NameList, LoadsUpToTwentyNamesAndKeepsTheRest) {
    const struct {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        Names slots;
        Names beyond;
        bool damaged;
    } cases[] = {
        {"missing file", std::nullopt, {}, {}, false},
        {"0-byte file", "", {}, {}, false},
        {"blank and empty names", test::fixtureBytes("names/reporters.txt"), {"佐藤", "鈴木", "高橋 ", ""}, {}, false},
        {"twenty-one", test::fixtureBytes("names/twenty-one-names.txt"), numberedNames(1, 20), {"名前21"}, false},
        {"undefined bytes", "\"a\"\r\n\"\x85\x40\"\r\n", {"a"}, {}, true},
        {"a quote in a name written without quotes", "\"a\"\r\nab\"c\r\n\"d\"\r\n", {"a"}, {}, true},
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
        EXPECT_EQ(Names(list.slot.begin() + 1, list.slot.begin() + 1 + list.NameCount), c.slots);
        EXPECT_EQ(list.beyondCapacity, c.beyond);
        EXPECT_EQ(list.damaged, c.damaged);
        auto every = c.slots;
        every.insert(every.end(), c.beyond.begin(), c.beyond.end());
        EXPECT_EQ(choiceItems(list), every);
    }
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

// Runs the steps; the refusal of the last one, if any.
std::optional<Refusal> run(NameListEditor& editor, const std::vector<Step>& steps) {
    std::optional<Refusal> last;
    for (const auto& step : steps) {
        if (step.action == Step::Add) {
            last = editor.store(step.box);
        } else if (step.action == Step::Move) {
            last = editor.moveTo(step.box, step.value);
        } else {
            editor.removeShownSlot();
            last.reset();
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
           std::to_string(editor.shownSlot()) + "/" + std::to_string(editor.slotCount()) + " " +
           std::to_string(editor.NameCount()) + ":[" + names + "]";
}

// An editor opened on a temporary folder whose list file holds `file` (no file when nothing).
struct OpenEditor {
    OpenEditor(Kind kind, const std::optional<std::string>& file) : editor(kind) {
        if (file) {
            temp.write(kind == Kind::Reporters ? "callpadRT.txt" : "callpadUT.txt", *file);
        }
        editor.load(temp.folder());
    }
    TempFolder temp;
    NameListEditor editor;
};

// The refusals: a name that a list's file, or a message file named after a recipient, cannot hold.
TEST(NameListEditor, StoresMovesDeletesAndRefusesSlotByTheScreensRules) {
    const Names abc{"a", "b", "c"};
    const Names ab{"a", "b"};
    const struct {
        const char* name;
        std::optional<Names> names;
        std::vector<Step> steps;
        const char* screen;
        std::optional<Refusal::Problem> refused = std::nullopt;  // of the last step
        Kind kind = Kind::Reporters;
    } cases[] = {
        {"missing file: one blank slot", std::nullopt, {}, "#1 '' bar 1/1 1:[]"},
        {"add at the last slot opens the next", abc, {move("a", 3), add("x")}, "#3 'x' bar 3/4 4:[a|b|x|]"},
        {"an empty box opens nothing", abc, {move("a", 3), add("")}, "#3 '' bar 3/3 3:[a|b|]"},
        {"a blank counts as text", abc, {move("a", 3), add(" ")}, "#3 ' ' bar 3/4 4:[a|b| |]"},
        {"add before the last overwrites", abc, {add("z")}, "#1 'z' bar 1/3 3:[z|b|c]"},
        {"moving away stores the edit", abc, {move("A", 3)}, "#3 'c' bar 3/3 3:[A|b|c]"},
        {"leaving a named last slot opens one", abc, {move("a", 3), move("c", 2)}, "#2 'b' bar 2/4 4:[a|b|c|]"},
        {"deleting moves later names up", Names{"a", "b", "c", "d"}, {move("a", 2), del}, "#2 'c' bar 2/3 3:[a|c|d]"},
        {"deleting the last lands on the new last", abc, {move("a", 3), del}, "#2 'b' bar 2/2 2:[a|b]"},
        {"a reopened slot is blank", abc, {move("a", 3), del, add("b"), move("b", 3)}, "#3 '' bar 3/3 3:[a|b|]"},
        {"deleting the only slot", Names{"a"}, {del}, "#1 '' bar 1/1 0:[]"},
        {"an empty box keeps it empty", Names{"a"}, {del, add("")}, "#1 '' bar 1/1 0:[]"},
        {"a name on the emptied list opens slot 2", Names{"a"}, {del, add("n")}, "#1 'n' bar 1/2 2:[n|]"},
        {"a file's empty last name is the blank slot",
         Names{"a", ""},
         {move("a", 2), add("n")},
         "#2 'n' bar 2/3 3:[a|n|]"},
        {"a quote in a reporter", ab, {move("say \"hi\"", 2)}, "#1 'a' bar 1/2 2:[a|b]", Refusal::DoubleQuote},
        {"a slash in a reporter", ab, {move("a/b", 2)}, "#2 'b' bar 2/2 2:[a/b|b]"},
        {"a character code page 932 lacks",
         ab,
         {move("😀", 2)},
         "#1 'a' bar 1/2 2:[a|b]",
         Refusal::Unencodable,
         Kind::Recipients},
        {"a slash in a recipient",
         ab,
         {move("a/b", 2)},
         "#1 'a' bar 1/2 2:[a|b]",
         Refusal::NotAFileName,
         Kind::Recipients},
        {"a recipient's blank", ab, {move("田中 ", 2)}, "#2 'b' bar 2/2 2:[田中 |b]", std::nullopt, Kind::Recipients},
        // A hand-made file may hold a name the editor would refuse; deleting it as the last slot shows the
        // new last slot without storing the deleted name anywhere.
        {"a name it would refuse, deleted",
         Names{"x", "a/b"},
         {move("x", 2), del},
         "#1 'x' bar 1/1 1:[x]",
         std::nullopt,
         Kind::Recipients},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenEditor open(c.kind, c.names ? std::optional(recordsOf(*c.names)) : std::nullopt);
        const auto refusal = run(open.editor, c.steps);
        EXPECT_EQ(refusal ? std::optional(refusal->problem) : std::nullopt, c.refused);
        if (refusal) {
            EXPECT_EQ(refusal->input, c.kind == Kind::Reporters ? TextInput::Reporter : TextInput::Recipient);
        }
        EXPECT_EQ(screen(open.editor), c.screen);
        EXPECT_FALSE(open.editor.isFullAtShownSlot());
    }
}

TEST(NameListEditor, NoSlotOpensPastTheTwentieth) {
    OpenEditor open(Kind::Reporters, recordsOf(numberedNames(1, 19)));
    run(open.editor, {move("名前1", 19), add("名前19")});  // opens slot 20
    EXPECT_FALSE(open.editor.isFullAtShownSlot());
    // An empty box at slot 20 would open nothing anyway, so the list is not reported full.
    run(open.editor, {move("名前19", 20), add("")});
    EXPECT_FALSE(open.editor.isFullAtShownSlot());
    EXPECT_FALSE(run(open.editor, {add("20")}));
    EXPECT_TRUE(open.editor.isFullAtShownSlot());
    EXPECT_EQ(open.editor.list().slot[20], "20");
    for (const int value : {20, 19}) {  // neither the add nor leaving the last slot opens a 21st
        run(open.editor, {move(open.editor.shownText(), value)});
        EXPECT_EQ(open.editor.NameCount(), 20);
        EXPECT_EQ(open.editor.slotCount(), 20);
    }
    // A slot the bar does not offer is a fault of the program, not a slot to show.
    EXPECT_THROW(open.editor.moveTo("名前19", 0), std::out_of_range);
    EXPECT_THROW(open.editor.moveTo("名前19", 21), std::out_of_range);
}

TEST(NameListEditor, AFileOfMoreThanTwentyNamesIsOneListWhoseFirstTwentySlotsShow) {
    OpenEditor open(Kind::Reporters, recordsOf(numberedNames(1, 22)));
    run(open.editor, {move("名前1", 5), del});
    EXPECT_EQ(open.editor.shownText(), "名前6");
    EXPECT_EQ(open.editor.list().slot[20], "名前21") << "the 21st moves up into slot 20";
    EXPECT_EQ(open.editor.list().beyondCapacity, Names{"名前22"});
    // Leaving the named 20th slot opens no blank slot in front of the names beyond it.
    run(open.editor, {move("名前6", 20), move("名前21", 19)});
    EXPECT_EQ(open.editor.NameCount(), 20);
    Names kept = numberedNames(1, 22);
    kept.erase(kept.begin() + 4);
    ASSERT_TRUE(open.editor.save(open.temp.folder()));
    EXPECT_TRUE(sameBytes(recordsOf(kept), open.temp.read("callpadRT.txt")));

    // Once no name is left beyond the 20th, the list shrinks like any other.
    run(open.editor, {del, del});
    EXPECT_EQ(screen(open.editor).substr(0, 24), "#19 '名前22' bar 19/19");
    ASSERT_TRUE(open.editor.save(open.temp.folder()));
    kept.erase(kept.begin() + 18, kept.begin() + 20);
    EXPECT_TRUE(sameBytes(recordsOf(kept), open.temp.read("callpadRT.txt")));
}

TEST(NameListEditor, ReturnWritesTheListUnlessTheFileWasDamaged) {
    const std::string one = recordsOf({"田中"});
    auto editedFirst = numberedNames(1, 21);
    editedFirst[0] = "X";
    const struct {
        const char* name;
        Kind kind;
        std::optional<std::string> file;
        std::vector<Step> steps;
        std::optional<std::string> written;  // nothing: returns false and leaves the file
    } cases[] = {
        {"missing file: the blank first slot", Kind::Reporters, std::nullopt, {}, bytesFromHex("22 22 0d 0a")},
        {"the only name deleted", Kind::Recipients, one, {del}, ""},
        {"stored after deleting the only one", Kind::Recipients, one, {del, add("山田")}, recordsOf({"山田", ""})},
        {"the 21st kept after the 20th",
         Kind::Reporters,
         recordsOf(numberedNames(1, 21)),
         {add("X")},
         recordsOf(editedFirst)},
        {"damaged file", Kind::Reporters, "\"a\"\r\n\"\x85\x40\"\r\n", {add("b")}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenEditor open(c.kind, c.file);
        run(open.editor, c.steps);
        EXPECT_EQ(open.editor.save(open.temp.folder()), c.written.has_value());
        const char* own = c.kind == Kind::Reporters ? "callpadRT.txt" : "callpadUT.txt";
        EXPECT_TRUE(sameBytes(c.written ? *c.written : *c.file, open.temp.read(own)));
        EXPECT_FALSE(open.temp.exists(c.kind == Kind::Reporters ? "callpadUT.txt" : "callpadRT.txt"));
    }
    // A file that cannot be read at all is never replaced by the empty list.
    TempFolder temp;
    std::filesystem::create_directory(temp.root() / "callpadRT.txt");
    NameListEditor editor(Kind::Reporters);
    EXPECT_THROW(editor.load(temp.folder()), FileError);
    EXPECT_FALSE(editor.save(temp.folder()));
    EXPECT_TRUE(std::filesystem::is_directory(temp.root() / "callpadRT.txt"));
}

}  // namespace
}  // namespace callpad
