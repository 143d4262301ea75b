#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QWindow>

#include "records/TextRecordFile.h"
#include "support/ProgramFixture.h"
#include "support/Samples.h"
#include "support/XlsTestSupport.h"
#include "ui/Controls.h"

// The viewer's rules are MessageViewerTest's; these tests show what the screens add to them.

namespace callpad {
namespace {

class ReviewScreens : public ::testing::Test, protected test::ProgramFixture {
protected:
    // 報告確認 on the menu, the name into the selection screen's field, then 確認へ.
    void openViewerFor(const QString& name) {
        click("FrmMein", "Command2");
        control<QComboBox>("FrmUkekaku", "CmbKaku")->setEditText(name);
        click("FrmUkekaku", "CmdNext");
    }
    template <typename Control = QLabel>
    Control* viewer(const char* name) {
        return control<Control>("Frmrenuke", name);
    }
    QString position() { return viewer("LblDtnai")->text(); }
    QScrollBar* bar() { return viewer<QScrollBar>("HSclNo"); }
    void press(const char* button) { click("Frmrenuke", button); }
};

// The selection offers what a damaged list holds and names the list; a name that cannot be a file name
// opens no viewer. The viewer shows every field of the newest message, whole; only the bar, the buttons
// and the content take input: a click where the call-back box stands, delivered through the window as a
// real one is, changes nothing, and the content cannot be edited. After a deletion the bar keeps its value
// and maximum until it next moves; 確認へ with the viewer open only brings it forward, reading no name.
TEST_F(ReviewScreens, TheSelectionOpensOneViewerThatShowsTheMessageWholeAndKeepsItsBarOnADeletion) {
    data().write("callpadUT.txt", encodeRecord({"佐藤"}) + encodeRecord({"鈴木"}) + "\"Suz");
    data().copyFixture("messages/three-messages.txt", "鈴木callpad.txt");
    openViewerFor(QStringLiteral("a/b"));
    EXPECT_EQ(control<QComboBox>("FrmUkekaku", "CmbKaku")->count(), 2);
    EXPECT_TRUE(said(2, {"「a/b」", "「/」"}));
    EXPECT_FALSE(isOpen("Frmrenuke"));
    openViewerFor(QStringLiteral("鈴木"));
    EXPECT_FALSE(isOpen("FrmUkekaku"));
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
    EXPECT_TRUE(viewer<ui::MultiLineTextBox>("TxtRenjih")->isReadOnly());
    EXPECT_EQ(bar()->maximum(), 3);
    auto* check = viewer<QCheckBox>("ChkTelyn");
    ASSERT_TRUE(check->isChecked());
    QTest::mouseClick(screen("Frmrenuke")->windowHandle(), Qt::LeftButton, {},
                      check->mapTo(check->window(), QPoint(8, check->height() / 2)));
    EXPECT_TRUE(check->isChecked());
    bar()->setValue(2);
    press("CmdDel");
    EXPECT_EQ(position(), QStringLiteral(" 1/ 2"));
    EXPECT_EQ(std::pair(bar()->value(), bar()->maximum()), std::pair(2, 3));
    clickArrow(bar(), true);
    EXPECT_EQ(viewer("LblAitena")->text(), QStringLiteral("①株式会社髙橋"));
    EXPECT_EQ(std::pair(bar()->value(), bar()->maximum()), std::pair(2, 2));
    QWidget* first = screen("Frmrenuke");
    openViewerFor(QStringLiteral("a/b"));
    EXPECT_TRUE(isOpen("FrmUkekaku"));
    EXPECT_EQ(screen("Frmrenuke"), first);
    EXPECT_EQ(position(), QStringLiteral(" 2/ 2"));
    EXPECT_TRUE(said(3, {realPath(data(), "callpadUT.txt")}));  // the selection's list, read anew
}

// A damaged file is shown and deleting from it is refused (MessageFileTest shows that nothing is written).
// Of a file of more than 50 messages the first 50 are shown; the name, typed through an input method with
// 〜, reads the file of the spelling that the list stores (～) and shows as typed; the placeholders in it
// stay text in the message.
TEST_F(ReviewScreens, ADamagedFileAndMessagesBeyondTheFiftiethAreAnnounced) {
    data().copyFixture("messages/damaged-last-record.txt", "佐藤callpad.txt");
    openViewerFor(QStringLiteral("佐藤"));
    EXPECT_TRUE(said(1, {realPath(data(), "佐藤callpad.txt"), "壊れて"}));
    press("CmdDel");
    EXPECT_TRUE(said(2, {"削除できません"}));
    EXPECT_EQ(position(), QStringLiteral(" 1/ 2"));
    press("Cmdend");

    data().copyFixture("messages/fifty-five-messages.txt", "佐%1\uFF5E%2callpad.txt");
    openViewerFor(QStringLiteral("佐%1\u301C%2"));
    EXPECT_EQ(viewer("LblUkeNe")->text(), QStringLiteral("佐%1\u301C%2"));
    const QString file = realPath(data(), "佐%1\uFF5E%2callpad.txt");
    EXPECT_TRUE(said(3, {file + QStringLiteral(" には50件を超える"), "表示していない5件"}));
    EXPECT_EQ(position(), QStringLiteral(" 1/ 50"));
    EXPECT_EQ(bar()->pageStep(), 5);
}

// 切取 names a current message's field or a cell left from an earlier export that is too long, and writes
// nothing; a new viewer starts with an empty worksheet. A written workbook leaves the screen as it was,
// and the documents folder receives it and nothing else (the lock is the data folder's).
TEST_F(ReviewScreens, CutNamesTheCellThatIsTooLongOrWritesTheMessages) {
    data().write("佐藤callpad.txt",
                 test::recordsOf(test::numberedMessages(1, 3)) +
                     encodeRecord({"長文", "", "", "", "0", "", std::string(32768, 'x'), "", "", ""}));
    openViewerFor(QStringLiteral("佐藤"));
    press("CmdEx");
    EXPECT_TRUE(said(1, {"4件目の連絡の「内容」", realPath(documents(), "callpad.xls")}));
    bar()->setValue(4);
    press("CmdDel");
    press("CmdEx");  // row 5 still holds the long text of the refused export
    EXPECT_TRUE(said(2, {"H5"}));
    EXPECT_FALSE(documents().exists("callpad.xls"));
    press("Cmdend");
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(2);
    press("CmdEx");
    // The headings and three rows of nine cells (MessageExportTest has them).
    EXPECT_EQ(xlstest::readWorkbook(documents().read("callpad.xls")).cells.size(), 9 * 4);
    EXPECT_EQ(position(), QStringLiteral(" 2/ 3"));
    EXPECT_TRUE(said(2));
    EXPECT_EQ(documents().listing(), "callpad.xls");
}

}  // namespace
}  // namespace callpad
