#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <filesystem>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"

// The list editors' rules are NameListTest's; these tests show what the screens add to them.
namespace callpad {
namespace {

// What differs between the two editors (Screens.HaveTheirCaptionsSizesColoursPlacesAndTabOrder has their
// layouts).
struct EditorCase {
    const char* screen;
    const char* menuButton;
    const char* file;
    QString refused;  // a name the list cannot hold, and part of what its refusal says
    QString refusal;
    bool folderForList;  // a folder in place of the list keeps it from being read, else undecodable bytes
};

const EditorCase kEditors[] = {
    {"FrmTouroku", "CmdTouroku", "callpadRT.txt", "山😀", "「名前」に保存できない文字「😀」", false},
    {"FrmUkesha", "CmdUketo", "callpadUT.txt", "a/b", "「a/b」はファイル名に使えないため、一覧に登録できません", true},
};

class EditorScreen : public ::testing::TestWithParam<EditorCase>, protected test::ProgramFixture {
protected:
    const EditorCase& editor() const { return GetParam(); }
    void open() { click("FrmMein", editor().menuButton); }
    void press(const char* button) { click(editor().screen, button); }
    QLineEdit* box() { return control<QLineEdit>(editor().screen, "TxtNeme"); }
    QScrollBar* bar() { return control<QScrollBar>(editor().screen, "HScBN"); }
    void retype(const QString& text) {
        box()->clear();
        type(box(), text);
    }
    void moveBar(Qt::Key key) { QTest::keyClick(bar(), key); }
    // What the screen shows: "#2 '佐藤' bar 2/3" (number, box, bar value and maximum).
    QString shown() {
        return QStringLiteral("#%1 '%2' bar %3/%4")
            .arg(control<QLabel>(editor().screen, "LblNo")->text(), box()->text())
            .arg(bar()->value())
            .arg(bar()->maximum());
    }
};

INSTANTIATE_TEST_SUITE_P(BothLists, EditorScreen, ::testing::ValuesIn(kEditors),
                         [](const auto& instance) { return std::string(instance.param.screen); });

// The instruction is in the system's type and shows whole within its height; the box has no label of its
// own. 登録, the bar and 削除 reach the list; only 戻る writes it, closing the window writes nothing.
TEST_P(EditorScreen, TheControlsEditTheListThatOnlyReturnSaves) {
    open();
    auto* instruction = control<QLabel>(editor().screen, "Label1");
    EXPECT_EQ(instruction->font(), QApplication::font());
    EXPECT_LE(instruction->heightForWidth(instruction->width()), instruction->height());
    EXPECT_EQ(box()->accessibleName(), QStringLiteral("名前"));
    retype(QStringLiteral("新人"));
    press("CmdTuika");
    screen(editor().screen)->close();
    settle();
    EXPECT_FALSE(data().exists(editor().file));
    open();
    retype(QStringLiteral("山田 太郎"));
    press("CmdTuika");
    EXPECT_EQ(shown(), "#1 '山田 太郎' bar 1/2");
    moveBar(Qt::Key_Right);
    retype(QStringLiteral("佐藤"));
    moveBar(Qt::Key_Left);
    EXPECT_EQ(shown(), "#1 '山田 太郎' bar 1/3");
    press("CmdDel");
    EXPECT_EQ(shown(), "#1 '佐藤' bar 1/2");
    retype(QStringLiteral("未保存"));  // neither stored nor carried away by the bar: lost on 戻る
    press("CmdRt");
    EXPECT_TRUE(test::sameBytes(encodeRecord({"佐藤"}) + encodeRecord({""}), data().read(editor().file)));
    EXPECT_TRUE(said(0));
}

// Names beyond the twentieth are announced. A name the list cannot hold is refused on 登録 and when the
// bar leaves the slot: the bar goes back, the box keeps the text; a step past the end of the bar is no
// move and no refusal. A name stored in the twentieth slot announces that the list is full.
TEST_P(EditorScreen, RefusalsAndTheListsLimitAreAnnounced) {
    data().copyFixture("names/twenty-one-names.txt", editor().file);
    open();
    EXPECT_TRUE(said(1, {"21件", "繰り上がって"}));
    retype(editor().refused);
    const QString typed = shown();
    press("CmdTuika");
    EXPECT_TRUE(said(2, {editor().refusal}));
    clickArrow(bar(), true);
    EXPECT_TRUE(said(3, {editor().refusal}));
    moveBar(Qt::Key_Left);
    EXPECT_TRUE(said(3));
    EXPECT_EQ(shown(), typed);
    retype(QStringLiteral("新"));
    moveBar(Qt::Key_End);
    retype(QStringLiteral("新"));
    press("CmdTuika");
    EXPECT_TRUE(said(4, {"20件"}));
}

// Whatever keeps the list from being read whole, the user is told at once that nothing done on the
// screen will be saved (NameListTest shows that nothing is), and 戻る still returns to the menu.
TEST_P(EditorScreen, AListFileThatCannotBeReadWholeIsReportedAtOnce) {
    if (editor().folderForList) {
        std::filesystem::create_directory(data().path(editor().file));
    } else {
        data().write(editor().file, "\"a\"\r\n\"\x85\x40\"\r\n");
    }
    open();
    EXPECT_TRUE(said(1, {"この画面で変更しても保存されません", realPath(data(), editor().file)}));
    press("CmdRt");
    EXPECT_FALSE(isOpen(editor().screen));
    EXPECT_TRUE(said(1));
}

}  // namespace
}  // namespace callpad
