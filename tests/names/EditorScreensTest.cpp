#include <QComboBox>
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

namespace callpad {
namespace {

using test::ProgramFixture;
using test::sameBytes;

// What differs between the two editors. Pixel positions are the top of the buttons and of the bar.
struct EditorCase {
    const char* screen;
    const char* menuButton;
    const char* file;
    const char* caption;
    QRgb background;
    QRgb buttonColour;
    int buttonTop;
    int barTop;
    const char* reader;  // the entry screen's box that offers the names
    QString refused;     // a name the list cannot hold, and part of what its refusal says
    QString refusal;
};

void PrintTo(const EditorCase& editor, std::ostream* out) {
    *out << editor.screen;
}

const EditorCase kEditors[] = {
    {"FrmTouroku", "CmdTouroku", "callpadRT.txt", "報告者登録", 0xFFC0D3E2, 0xFFE0E0E0, 88, 136, "Cmbhosh", "山\"田",
     "二重引用符"},
    {"FrmUkesha", "CmdUketo", "callpadUT.txt", "報告受取者登録", 0xFFA6DDA6, 0xFF80FFFF, 80, 128, "CmbUke", "a/b",
     "「a/b」はファイル名に使えないため、一覧に登録できません"},
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
    void clickArrow(bool right) {
        QTest::mouseClick(bar(), Qt::LeftButton, {}, QPoint(right ? bar()->width() - 3 : 3, bar()->height() / 2));
    }
    // Types a name the list cannot hold into the slot on screen, then tries 登録 and, unless the list
    // has one slot only, to leave the slot with `leave`. Each is refused; the slot, the typed text and
    // the bar stay as they were.
    void expectRefusedHere(const std::function<void()>& leave) {
        const QString slot = control<QLabel>("LblNo")->text();
        const int value = bar()->value();
        const int maximum = bar()->maximum();
        fixture.messageBoxes().clear();
        type(editor().refused);
        press("CmdTuika");
        if (leave) {
            leave();
        }
        ASSERT_EQ(fixture.messageBoxes().texts().size(), leave ? 2 : 1);
        for (const QString& text : fixture.messageBoxes().texts()) {
            EXPECT_TRUE(text.contains(editor().refusal)) << text.toStdString();
        }
        EXPECT_EQ(control<QLabel>("LblNo")->text(), slot);
        EXPECT_EQ(box()->text(), editor().refused);
        EXPECT_EQ(bar()->value(), value);
        EXPECT_EQ(bar()->maximum(), maximum);
    }
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

TEST_P(EditorScreen, HasItsOwnCaptionColoursPositionsAndTabOrder) {
    open();
    EXPECT_EQ(screen()->windowTitle(), QString::fromUtf8(editor().caption));
    EXPECT_EQ(screen()->size(), QSize(331, 218));
    EXPECT_EQ(screen()->palette().color(QPalette::Window).rgba(), editor().background);
    EXPECT_EQ(control<QLabel>("LblNo")->palette().color(QPalette::Window).rgba(), editor().background);
    EXPECT_EQ(control("CmdDel")->geometry(), QRect(120, editor().buttonTop, 81, 33));
    EXPECT_EQ(control("CmdTuika")->palette().color(QPalette::Button).rgba(), editor().buttonColour);
    EXPECT_EQ(bar()->geometry().top(), editor().barTop);
    // The instruction is in the system's type and must show whole within its height.
    auto* instruction = control<QLabel>("Label1");
    EXPECT_EQ(instruction->font(), QApplication::font());
    EXPECT_LE(instruction->heightForWidth(instruction->width()), instruction->height());
    EXPECT_EQ(box()->accessibleName(), QStringLiteral("名前"));  // the box has no label of its own
    EXPECT_EQ(screen()->focusWidget(), control("CmdRt"));
    EXPECT_EQ(ProgramFixture::tabOrder(screen(), 5),
              QStringList({"CmdRt", "TxtNeme", "HScBN", "CmdDel", "CmdTuika", "CmdRt"}));
}

// 登録, the bar and 削除 reach the list; only 戻る writes it, and the entry screen then offers it.
TEST_P(EditorScreen, TheButtonsAndTheBarEditTheListThatReturnSaves) {
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
    EXPECT_FALSE(fixture.registry().find(QString::fromLatin1(editor().screen)));
    EXPECT_TRUE(sameBytes(encodeRecord({"佐藤"}) + encodeRecord({""}), file()));
    EXPECT_TRUE(fixture.messageBoxes().texts().isEmpty());
    fixture.click("FrmMein", "CmdHoukoku");
    auto* names = fixture.control<QComboBox>("Frmrenraku", editor().reader);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->count(), 2);
    EXPECT_EQ(names->itemText(0), QStringLiteral("佐藤"));
}

TEST_P(EditorScreen, ClosingTheWindowSavesNothing) {
    fixture.data().copyFixture("names/reporters.txt", editor().file);
    open();
    type(QStringLiteral("新人"));
    press("CmdTuika");
    screen()->close();
    ProgramFixture::settle();
    EXPECT_FALSE(fixture.registry().find(QString::fromLatin1(editor().screen)));
    EXPECT_TRUE(sameBytes(test::fixtureBytes("names/reporters.txt"), file()));
}

// A name the list cannot hold is refused on 登録 and on leaving the slot by key or by arrow, at either
// end of the bar; a step past the end of the bar is no move and is not refused again.
TEST_P(EditorScreen, ANameTheFilesCannotHoldIsRefusedWhereverTheSlotIsLeft) {
    const std::string original = test::fixtureBytes("names/reporters.txt");  // three names and a blank slot
    fixture.data().write(editor().file, original);
    open();
    expectRefusedHere([&] { moveBar(Qt::Key_Right); });
    moveBar(Qt::Key_Left);
    EXPECT_EQ(fixture.messageBoxes().texts().size(), 2) << "a step past the first slot";
    type(QStringLiteral("佐藤"));
    moveBar(Qt::Key_End);
    EXPECT_EQ(shown(), "#4 '' bar 4/4");
    expectRefusedHere([&] { clickArrow(false); });
    fixture.messageBoxes().clear();
    clickArrow(true);
    EXPECT_TRUE(fixture.messageBoxes().texts().isEmpty()) << "a step past the last slot";
    type({});
    press("CmdRt");
    EXPECT_TRUE(sameBytes(original, file()));
}

TEST_P(EditorScreen, ANameTheFilesCannotHoldIsRefusedInSlotOneOfAnEmptyList) {
    open();
    expectRefusedHere({});
    moveBar(Qt::Key_Home);  // the bar starts at 1: the box is neither stored nor refused again
    EXPECT_EQ(fixture.messageBoxes().texts().size(), 1);
    press("CmdRt");
    EXPECT_TRUE(sameBytes(encodeRecord({""}), file()));
}

TEST_P(EditorScreen, NamesBeyondTheTwentiethAndTheFullListAreAnnounced) {
    fixture.data().copyFixture("names/twenty-one-names.txt", editor().file);
    open();
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("21件")));
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("繰り上がって")));
    moveBar(Qt::Key_End);
    type(QStringLiteral("新"));
    press("CmdTuika");
    EXPECT_EQ(shown(), "#20 '新' bar 20/20");
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 2);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("20件")));
}

// Whatever keeps the list from being read whole, the user is told at once that nothing done on the
// screen will be saved, and 戻る leaves the file as it was.
TEST_P(EditorScreen, AListFileThatCannotBeReadWholeIsReportedAndNeverWritten) {
    const std::filesystem::path listFile = fixture.data().path(editor().file);
    const auto state = [&] { return std::filesystem::is_directory(listFile) ? std::string("a folder") : file(); };
    const std::function<void()> damages[] = {
        [&] { fixture.data().write(editor().file, "\"a\"\r\n\"\x85\x40\"\r\n"); },
        [&] { std::filesystem::create_directory(listFile); },
    };
    for (const auto& damage : damages) {
        fixture.messageBoxes().clear();
        std::filesystem::remove_all(listFile);
        damage();
        const std::string before = state();
        open();
        ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
        EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("この画面で変更しても保存されません")))
            << ui::utf8(fixture.messageBoxes().last());
        EXPECT_TRUE(fixture.messageBoxes().last().contains(ProgramFixture::realPath(fixture.data(), editor().file)));
        type(QStringLiteral("b"));
        press("CmdTuika");
        press("CmdRt");
        ProgramFixture::settle();
        EXPECT_FALSE(fixture.registry().find(QString::fromLatin1(editor().screen))) << "戻る still returns to the menu";
        EXPECT_EQ(fixture.messageBoxes().texts().size(), 1);
        EXPECT_EQ(state(), before);
    }
}

}  // namespace
}  // namespace callpad
