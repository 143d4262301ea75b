#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QScrollBar>
#include <QWindow>

#include <gtest/gtest.h>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"
#include "support/Samples.h"
#include "support/XlsTestSupport.h"
#include "ui/Controls.h"

// The viewer's rules are MessageViewerTest's; these tests show what the screens add to them.

namespace callpad {
namespace {

using test::ProgramFixture;
using test::sameBytes;

// The records of numberedMessage(first) to numberedMessage(last).
std::string messages(int first, int last) {
    return test::recordsOf(test::numberedMessages(first, last));
}

class ReviewScreens : public ::testing::Test {
protected:
    // 報告確認 on the menu, the name into the selection screen's field, then 確認へ.
    void openViewerFor(const QString& name) {
        program.click("FrmMein", "Command2");
        program.control<QComboBox>("FrmUkekaku", "CmbKaku")->setEditText(name);
        program.click("FrmUkekaku", "CmdNext");
        ProgramFixture::settle();
    }
    template <typename Control = QLabel>
    Control* viewer(const char* name) {
        return program.control<Control>("Frmrenuke", name);
    }
    QString position() { return viewer("LblDtnai")->text(); }
    QScrollBar* bar() { return viewer<QScrollBar>("HSclNo"); }
    void press(const char* button) { program.click("Frmrenuke", button); }
    void clickArrow(bool right) { ProgramFixture::clickArrow(bar(), right); }

    ProgramFixture program;
};

// The selection offers what a damaged list holds and names the list; a name that cannot be a file name
// opens no viewer.
TEST_F(ReviewScreens, SelectionOffersTheRecipientsAndRefusesANameThatCannotBeAFileName) {
    program.data().write("callpadUT.txt", encodeRecord({"佐藤"}) + encodeRecord({"鈴木"}) + "\"Suz");
    program.click("FrmMein", "Command2");
    auto* box = program.control<QComboBox>("FrmUkekaku", "CmbKaku");
    EXPECT_EQ(box->count(), 2);
    EXPECT_TRUE(program.said(1, {ProgramFixture::realPath(program.data(), "callpadUT.txt")}));
    box->setEditText(QStringLiteral("a/b"));
    program.click("FrmUkekaku", "CmdNext");
    ProgramFixture::settle();
    EXPECT_FALSE(program.isOpen("Frmrenuke"));
    EXPECT_TRUE(program.said(2, {"「a/b」"}));
}

TEST_F(ReviewScreens, TheViewerShowsEachFieldOfTheNewestMessageWholeAndTakesNoInputToIt) {
    program.data().copyFixture("messages/three-messages.txt", "鈴木callpad.txt");
    openViewerFor(QStringLiteral("鈴木"));
    EXPECT_FALSE(program.isOpen("FrmUkekaku"));
    const std::pair<const char*, const char*> fields[] = {
        {"LblUkeNe", "鈴木"},           {"LblDtnai", " 1/ 3"},     {"LblAitena", "山田商事"},
        {"LblTanna", "山田太郎"},       {"LblDate", "2026/12/01"}, {"LblTime", "9:05:03"},
        {"LblAitelno", "03-1234-5678"}, {"Lblkigen3", "至急"},     {"LblHosh2", "佐藤"}};
    for (const auto& [name, text] : fields) {
        QLabel* label = viewer(name);
        EXPECT_EQ(label->text(), QString::fromUtf8(text)) << name;
        // Nothing cut off, whichever face stands in for the design's.
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->contentsRect().width()) << name;
    }
    EXPECT_EQ(viewer<ui::MultiLineTextBox>("TxtRenjih")->text(), QStringLiteral("至急\r\n折り返しください"));
    EXPECT_EQ(bar()->maximum(), 3);
    EXPECT_TRUE(program.said(0));
    // Only the bar, the buttons and the content take input: a click where the call-back box stands,
    // delivered through the window as a real one is, changes nothing, and the content cannot be edited.
    auto* check = viewer<QCheckBox>("ChkTelyn");
    ASSERT_TRUE(check->isChecked());
    QTest::mouseClick(program.screen("Frmrenuke")->windowHandle(), Qt::LeftButton, {},
                      check->mapTo(check->window(), QPoint(8, check->height() / 2)));
    EXPECT_TRUE(check->isChecked());
    EXPECT_TRUE(viewer<ui::MultiLineTextBox>("TxtRenjih")->isReadOnly());
    EXPECT_TRUE(sameBytes(test::fixtureBytes("messages/three-messages.txt"), program.data().read("鈴木callpad.txt")));
}

// The model decides what is shown (MessageViewerTest); the bar keeps its value and its old maximum until
// it moves, and the move decides.
TEST_F(ReviewScreens, AfterADeletionTheBarStaysAndTheNextArrowClickStepsFromItsOldValue) {
    program.data().write("佐藤callpad.txt", messages(1, 8));
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(5);
    press("CmdDel");
    EXPECT_EQ(position(), QStringLiteral(" 4/ 7"));
    EXPECT_EQ(std::pair(bar()->value(), bar()->maximum()), std::pair(5, 8));
    clickArrow(true);
    EXPECT_EQ(viewer("LblAitena")->text(), QStringLiteral("相手7"));
    EXPECT_EQ(std::pair(bar()->value(), bar()->maximum()), std::pair(6, 7));
}

TEST_F(ReviewScreens, ABrokenInvariantAbandonsTheHandlerWithOneFixedJapaneseMessage) {
    program.data().write("佐藤callpad.txt", messages(1, 3));
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(2);
    bar()->setMinimum(0);  // a fault of the program: the bar offers a position that does not exist
    bar()->setValue(0);
    EXPECT_EQ(program.messageBoxes().texts(), QStringList({"プログラムの内部エラーのため、この操作を中止しました。\n"
                                                           "コールパッドは引き続き使えます。"}));
    EXPECT_EQ(position(), QStringLiteral(" 2/ 3"));
}

TEST_F(ReviewScreens, NextWhileAViewerIsOpenOnlyBringsItToTheFront) {
    program.data().write("佐藤callpad.txt", messages(1, 3));
    openViewerFor(QStringLiteral("佐藤"));
    QWidget* first = program.screen("Frmrenuke");
    bar()->setValue(2);
    openViewerFor(QStringLiteral("a/b"));  // not even checked: it is not read
    EXPECT_TRUE(program.isOpen("FrmUkekaku"));
    EXPECT_EQ(program.screen("Frmrenuke"), first);
    EXPECT_EQ(viewer("LblUkeNe")->text(), QStringLiteral("佐藤"));
    EXPECT_EQ(position(), QStringLiteral(" 2/ 3"));
    EXPECT_TRUE(program.said(0));
}

TEST_F(ReviewScreens, ADamagedFileIsShownButNotChanged) {
    const std::string damaged = test::fixtureBytes("messages/damaged-last-record.txt");
    program.data().write("佐藤callpad.txt", damaged);
    openViewerFor(QStringLiteral("佐藤"));
    EXPECT_TRUE(program.said(1, {ProgramFixture::realPath(program.data(), "佐藤callpad.txt")}));
    press("CmdDel");
    EXPECT_TRUE(program.said(2, {"削除できません"}));
    EXPECT_TRUE(sameBytes(damaged, program.data().read("佐藤callpad.txt")));
    EXPECT_EQ(position(), QStringLiteral(" 1/ 2"));
}

// The name, typed through an input method with 〜, reads the file of the spelling that the list stores
// (～) and shows as typed; the placeholders in it stay text in the message.
TEST_F(ReviewScreens, MessagesBeyondTheFiftiethAreAnnounced) {
    program.data().copyFixture("messages/fifty-five-messages.txt", "佐%1\uFF5E%2callpad.txt");
    openViewerFor(QStringLiteral("佐%1\u301C%2"));
    EXPECT_EQ(viewer("LblUkeNe")->text(), QStringLiteral("佐%1\u301C%2"));
    EXPECT_TRUE(program.said(
        1, {ProgramFixture::realPath(program.data(), "佐%1\uFF5E%2callpad.txt") + QStringLiteral(" には50件を超える"),
            "表示していない5件"}));
    EXPECT_EQ(position(), QStringLiteral(" 1/ 50"));
    EXPECT_EQ(bar()->pageStep(), 5);
}

// 切取 names a current message's field or a cell left from an earlier export that is too long, and writes
// nothing; a new viewer starts with an empty worksheet. A written workbook leaves the screen as it was,
// and the documents folder receives it and nothing else (the lock is the data folder's).
TEST_F(ReviewScreens, CutNamesTheCellThatIsTooLongOrWritesTheMessages) {
    const std::string longMessage = encodeRecord({"長文", "", "", "", "0", "", std::string(32768, 'x'), "", "", ""});
    program.data().write("佐藤callpad.txt", messages(1, 3) + longMessage);
    openViewerFor(QStringLiteral("佐藤"));
    press("CmdEx");
    EXPECT_TRUE(
        program.said(1, {"4件目の連絡の「内容」", ProgramFixture::realPath(program.documents(), "callpad.xls")}));
    bar()->setValue(4);
    press("CmdDel");
    press("CmdEx");  // row 5 still holds the long text of the refused export
    EXPECT_TRUE(program.said(2, {"H5"}));
    EXPECT_FALSE(program.documents().exists("callpad.xls"));

    press("Cmdend");
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(2);
    press("CmdEx");
    // The headings and three rows of nine cells, the party in column B.
    const auto cells = xlstest::readWorkbook(program.documents().read("callpad.xls")).cells;
    EXPECT_EQ(cells.size(), 9 * 4);
    EXPECT_EQ(cells.at({4, 2}), u"相手3");
    EXPECT_EQ(position(), QStringLiteral(" 2/ 3"));
    EXPECT_TRUE(program.said(2));
    EXPECT_EQ(program.documents().listing(), "callpad.xls");
}

}  // namespace
}  // namespace callpad
