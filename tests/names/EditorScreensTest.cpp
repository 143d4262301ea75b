#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <functional>
#include <ostream>

#include <gtest/gtest.h>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"
#include "ui/Controls.h"

// The list editors' rules are NameListTest's; these tests show what the screens add to them.
namespace callpad {
namespace {

using test::ProgramFixture;
using test::sameBytes;

// What differs between the two editors (Screens.HaveTheirCaptionsSizesColoursPlacesAndTabOrder has their
// layouts).
struct EditorCase {
    const char* screen;
    const char* menuButton;
    const char* file;
    QString refused;  // a name the list cannot hold, and part of what its refusal says
    QString refusal;
};

void PrintTo(const EditorCase& editor, std::ostream* out) {
    *out << editor.screen;
}

const EditorCase kEditors[] = {
    {"FrmTouroku", "CmdTouroku", "callpadRT.txt", "山\"田", "二重引用符"},
    {"FrmUkesha", "CmdUketo", "callpadUT.txt", "a/b", "「a/b」はファイル名に使えないため、一覧に登録できません"},
};

class EditorScreen : public ::testing::TestWithParam<EditorCase> {
protected:
    const EditorCase& editor() const { return GetParam(); }
    void open() { fixture.click("FrmMein", editor().menuButton); }
    ui::Screen* screen() { return fixture.screen(editor().screen); }
    template <typename Control = QPushButton>
    Control* control(const char* name) {
        return fixture.control<Control>(editor().screen, name);
    }
    QLineEdit* box() { return control<QLineEdit>("TxtNeme"); }
    QScrollBar* bar() { return control<QScrollBar>("HScBN"); }
    void press(const char* button) { fixture.click(editor().screen, button); }
    void type(const QString& text) {
        box()->clear();
        ProgramFixture::type(box(), text);
    }
    void moveBar(Qt::Key key) { QTest::keyClick(bar(), key); }
    void clickArrow(bool right) { ProgramFixture::clickArrow(bar(), right); }
    // What the screen shows: "#2 '佐藤' bar 2/3" (number, box, bar value and maximum).
    std::string shown() {
        // Appended step by step: GCC 12 at -O3 warns falsely (-Wrestrict) about "#" + a temporary string.
        std::string text = "#";
        text += control<QLabel>("LblNo")->text().toStdString() + " '" + box()->text().toStdString() + "' bar " +
                std::to_string(bar()->value()) + "/" + std::to_string(bar()->maximum());
        return text;
    }
    std::string file() const { return fixture.data().read(editor().file); }

    ProgramFixture fixture;
};

INSTANTIATE_TEST_SUITE_P(BothLists, EditorScreen, ::testing::ValuesIn(kEditors),
                         [](const auto& instance) { return std::string(instance.param.screen); });

// The instruction is in the system's type and must show whole within its height; the box has no label of
// its own.
TEST_P(EditorScreen, TheInstructionShowsWholeAndTheBoxHasAName) {
    open();
    auto* instruction = control<QLabel>("Label1");
    EXPECT_EQ(instruction->font(), QApplication::font());
    EXPECT_LE(instruction->heightForWidth(instruction->width()), instruction->height());
    EXPECT_EQ(box()->accessibleName(), QStringLiteral("名前"));
}

// 登録, the bar and 削除 reach the list; only 戻る writes it, closing the window writes nothing.
TEST_P(EditorScreen, TheButtonsAndTheBarEditTheListThatReturnSaves) {
    open();
    type(QStringLiteral("新人"));
    press("CmdTuika");
    screen()->close();
    ProgramFixture::settle();
    EXPECT_FALSE(fixture.isOpen(editor().screen));
    EXPECT_FALSE(fixture.data().exists(editor().file));
    open();
    type(QStringLiteral("山田 太郎"));
    press("CmdTuika");
    EXPECT_EQ(shown(), "#1 '山田 太郎' bar 1/2");
    moveBar(Qt::Key_Right);
    type(QStringLiteral("佐藤"));
    moveBar(Qt::Key_Left);
    EXPECT_EQ(shown(), "#1 '山田 太郎' bar 1/3");
    press("CmdDel");
    EXPECT_EQ(shown(), "#1 '佐藤' bar 1/2");
    type(QStringLiteral("未保存"));  // neither stored nor carried away by the bar: lost on 戻る
    EXPECT_FALSE(fixture.data().exists(editor().file)) << "nothing is written before 戻る";
    press("CmdRt");
    ProgramFixture::settle();
    EXPECT_FALSE(fixture.isOpen(editor().screen));
    EXPECT_TRUE(sameBytes(encodeRecord({"佐藤"}) + encodeRecord({""}), file()));
    EXPECT_TRUE(fixture.said(0));
}

// A name the list cannot hold is refused on 登録 and when the bar leaves the slot: the bar goes back, the
// box keeps the text. A step past the end of the bar is no move and no refusal.
TEST_P(EditorScreen, ANameTheFilesCannotHoldIsRefusedWhereverTheSlotIsLeft) {
    fixture.data().copyFixture("names/reporters.txt", editor().file);  // three names and a blank slot
    const struct {
        const char* name;
        std::function<void()> leave;
        bool refused;
    } cases[] = {
        {"登録", [&] { press("CmdTuika"); }, true},
        {"arrow to the right", [&] { clickArrow(true); }, true},
        {"key past the first slot", [&] { moveBar(Qt::Key_Left); }, false},
    };
    open();
    type(editor().refused);
    const std::string typed = shown();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fixture.messageBoxes().clear();
        c.leave();
        EXPECT_EQ(shown(), typed);
        EXPECT_TRUE(c.refused ? fixture.said(1, {editor().refusal}) : fixture.said(0));
    }
}

TEST_P(EditorScreen, NamesBeyondTheTwentiethAndTheFullListAreAnnounced) {
    fixture.data().copyFixture("names/twenty-one-names.txt", editor().file);
    open();
    EXPECT_TRUE(fixture.said(1, {"21件", "繰り上がって"}));
    moveBar(Qt::Key_End);
    type(QStringLiteral("新"));
    press("CmdTuika");
    EXPECT_TRUE(fixture.said(2, {"20件"}));
}

// Whatever keeps the list from being read whole, the user is told at once that nothing done on the
// screen will be saved (NameListTest shows that nothing is), and 戻る still returns to the menu.
TEST_P(EditorScreen, AListFileThatCannotBeReadWholeIsReportedAtOnce) {
    const std::function<void()> damages[] = {
        [&] { fixture.data().write(editor().file, "\"a\"\r\n\"\x85\x40\"\r\n"); },
        [&] { std::filesystem::create_directory(fixture.data().path(editor().file)); },
    };
    for (const auto& damage : damages) {
        fixture.messageBoxes().clear();
        std::filesystem::remove_all(fixture.data().path(editor().file));
        damage();
        open();
        EXPECT_TRUE(fixture.said(
            1, {"この画面で変更しても保存されません", ProgramFixture::realPath(fixture.data(), editor().file)}));
        press("CmdRt");
        ProgramFixture::settle();
        EXPECT_FALSE(fixture.isOpen(editor().screen));
        EXPECT_TRUE(fixture.said(1));
    }
}

}  // namespace
}  // namespace callpad
