#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../export/XlsTestSupport.h"
#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"
#include "ui/Controls.h"

namespace callpad {
namespace {

using test::ProgramFixture;
using test::sameBytes;

const std::string kThreeMessages = test::fixtureBytes("messages/three-messages.txt");

// The records of a file whose line breaks inside fields never follow a quote, as in the fixtures.
std::vector<std::string> recordsOf(const std::string& bytes) {
    std::vector<std::string> records;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\"\r\n", start)) != std::string::npos; start = end + 3) {
        records.push_back(bytes.substr(start, end + 3 - start));
    }
    return records;
}

// A file of `count` messages "件1", "件2", ...
std::string numberedMessages(int count) {
    std::string bytes;
    for (int n = 1; n <= count; ++n) {
        const std::string s = std::to_string(n);
        bytes += encodeRecord({"相手" + s, "", "2026/12/01", "8:00:00", "0", "", "件" + s, "", "", "相手" + s});
    }
    return bytes;
}

class ReviewScreens : public ::testing::Test {
protected:
    // 報告確認 on the menu, then the name into the selection screen's field.
    QComboBox* openSelection() {
        program.click("FrmMein", "Command2");
        return program.control<QComboBox>("FrmUkekaku", "CmbKaku");
    }

    void openViewerFor(const QString& name) {
        openSelection()->setEditText(name);
        program.click("FrmUkekaku", "CmdNext");
        ProgramFixture::settle();
    }

    template <typename Control = QLabel>
    Control* viewer(const char* name) {
        return program.control<Control>("Frmrenuke", name);
    }

    QScrollBar* bar() { return viewer<QScrollBar>("HSclNo"); }

    // What the viewer shows: position, the eight fields in screen order, and the call-back box.
    std::vector<std::string> shown() {
        std::vector<std::string> values;
        for (const char* name : {"LblDtnai", "LblAitena", "LblTanna", "LblDate", "LblTime", "LblAitelno"}) {
            values.push_back(ui::utf8(viewer(name)->text()));
        }
        values.push_back(ui::utf8(viewer<ui::MultiLineTextBox>("TxtRenjih")->text()));
        values.push_back(ui::utf8(viewer("Lblkigen3")->text()));
        values.push_back(ui::utf8(viewer("LblHosh2")->text()));
        values.push_back(viewer<QCheckBox>("ChkTelyn")->isChecked() ? "checked" : "unchecked");
        return values;
    }

    // A click on one of the bar's arrows.
    void clickArrow(bool right) {
        QScrollBar* scrollBar = bar();
        const int x = right ? scrollBar->width() - 3 : 3;
        QTest::mouseClick(scrollBar, Qt::LeftButton, {}, QPoint(x, scrollBar->height() / 2));
    }

    bool isOpen(const char* name) { return program.registry().find(QString::fromLatin1(name)) != nullptr; }

    ProgramFixture program;
};

const std::vector<std::string> kMessageA = {
    " 1/ 3", "山田商事", "山田太郎", "2026/12/01", "9:05:03", "03-1234-5678", "至急\r\n折り返しください",
    "至急",  "佐藤",     "checked"};
const std::vector<std::string> kMessageB = {" 2/ 3", "ABC, Inc.", " Smith ", "2026/11/30", "17:45:00",
                                            "",      "",          "　　",    "",           "unchecked"};
const std::vector<std::string> kMessageC = {
    " 3/ 3", "①株式会社髙橋", "﨑山",   "2026/11/29", "12:00:59", "090-0000-0000", "Ⅰ期の件、〒100-0001\r\n～明朝まで",
    "明朝",  "鈴木",          "checked"};
const std::vector<std::string> kNothing = {" 1/ 0", "", "", "", "", "", "", "", "", "unchecked"};

// Replaces the position text of an expected message.
std::vector<std::string> at(std::vector<std::string> message, const char* position) {
    message[0] = position;
    return message;
}

TEST_F(ReviewScreens, SelectionOffersTheRecipientListAndHandsTheNameToTheViewer) {
    program.data().copyFixture("names/reporters.txt", "callpadUT.txt");
    program.data().copyFixture("messages/three-messages.txt", "鈴木callpad.txt");
    QComboBox* box = openSelection();
    EXPECT_EQ(program.screen("FrmUkekaku")->windowTitle(), QStringLiteral("受取者確認"));
    ASSERT_EQ(box->count(), 4);
    EXPECT_EQ(box->itemText(0), QStringLiteral("佐藤"));
    EXPECT_EQ(box->itemText(1), QStringLiteral("鈴木"));
    EXPECT_EQ(box->itemText(2), QStringLiteral("高橋 "));
    EXPECT_EQ(box->itemText(3), QString());
    EXPECT_EQ(box->currentText(), QString());
    EXPECT_EQ(program.screen("FrmUkekaku")->focusWidget(), box);
    EXPECT_EQ(program.control<QLabel>("FrmUkekaku", "Label1")->buddy(), box);

    box->setCurrentIndex(1);
    program.click("FrmUkekaku", "CmdNext");
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen("FrmUkekaku"));
    EXPECT_EQ(viewer("LblUkeNe")->text(), QStringLiteral("鈴木"));
    EXPECT_EQ(shown(), kMessageA);
    for (const char* name : {"LblAitena", "LblTanna", "LblDate", "LblTime", "LblAitelno", "Lblkigen3", "LblHosh2"}) {
        SCOPED_TRACE(name);
        QLabel* value = viewer(name);  // nothing cut off, whichever face stands in for the design's
        EXPECT_LE(QFontMetrics(value->font()).horizontalAdvance(value->text()), value->contentsRect().width());
    }
    EXPECT_EQ(bar()->maximum(), 3);
    EXPECT_EQ(bar()->pageStep(), 1);
    EXPECT_TRUE(program.messageBoxes().texts().isEmpty());
    EXPECT_EQ(program.data().listing(), "callpadUT.txt 鈴木callpad.txt");
}

TEST_F(ReviewScreens, ATypedNameIsUsedAsItStandsAndABadOneIsRefused) {
    program.data().copyFixture("messages/three-messages.txt", "新人 callpad.txt");
    QComboBox* box = openSelection();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("a/b"));
    program.click("FrmUkekaku", "CmdNext");
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen("Frmrenuke"));
    EXPECT_EQ(box->currentText(), QStringLiteral("a/b"));
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("「a/b」")))
        << ui::utf8(program.messageBoxes().last());

    box->setEditText(QStringLiteral("新人 "));
    program.click("FrmUkekaku", "CmdNext");
    ProgramFixture::settle();
    EXPECT_EQ(viewer("LblUkeNe")->text(), QStringLiteral("新人 "));
    EXPECT_EQ(shown(), kMessageA);
}

TEST_F(ReviewScreens, BackClosesTheSelectionAndWritesNothing) {
    openSelection();
    program.click("FrmUkekaku", "CmdRt");
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen("FrmUkekaku"));
    EXPECT_TRUE(isOpen("FrmMein"));
    EXPECT_EQ(program.data().listing(), "");
}

TEST_F(ReviewScreens, ADamagedRecipientListOffersWhatItCouldReadAndSaysSo) {
    program.data().write("callpadUT.txt", "\"Sato\"\r\n\"Suz");
    QComboBox* box = openSelection();
    ASSERT_EQ(box->count(), 1);
    EXPECT_EQ(box->itemText(0), QStringLiteral("Sato"));
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("c:\\callpadUT.txt")));
}

TEST_F(ReviewScreens, TheBarStepsThroughTheMessagesAndOnlyDisplayControlsCannotChangeThem) {
    program.data().write("佐藤callpad.txt", kThreeMessages);
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(2);
    EXPECT_EQ(shown(), kMessageB);
    clickArrow(true);
    EXPECT_EQ(shown(), kMessageC);
    clickArrow(true);  // already at the end
    EXPECT_EQ(shown(), kMessageC);
    clickArrow(false);
    EXPECT_EQ(shown(), kMessageB);

    // A click where the box stands, delivered through the window as a real one is.
    auto* check = viewer<QCheckBox>("ChkTelyn");
    QWindow* window = program.screen("Frmrenuke")->windowHandle();
    ASSERT_TRUE(window);
    QTest::mouseClick(window, Qt::LeftButton, {}, check->mapTo(check->window(), QPoint(8, check->height() / 2)));
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(check->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(viewer<ui::MultiLineTextBox>("TxtRenjih")->isReadOnly());
    EXPECT_TRUE(sameBytes(kThreeMessages, program.data().read("佐藤callpad.txt")));
}

TEST_F(ReviewScreens, AccessKeysAndTabOrderReachTheControlsThatTakeTheFocus) {
    program.data().write("佐藤callpad.txt", kThreeMessages);
    openViewerFor(QStringLiteral("佐藤"));
    auto* content = viewer<ui::MultiLineTextBox>("TxtRenjih");
    EXPECT_EQ(viewer("Lblaine")->buddy(), content);
    EXPECT_EQ(viewer("Lbltantou")->buddy(), content);
    EXPECT_EQ(content->accessibleName(), QStringLiteral("連絡事項"));
    QWidget* expected[] = {viewer<QPushButton>("Cmdend"), viewer<QPushButton>("CmdEx"), bar(),
                           viewer<QPushButton>("CmdDel"), content};
    QWidget* widget = content;
    for (QWidget* next : expected) {
        do {
            widget = widget->nextInFocusChain();
        } while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible());
        EXPECT_EQ(widget->objectName(), next->objectName());
    }
    EXPECT_EQ(viewer<QPushButton>("Cmdend")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_R));
}

TEST_F(ReviewScreens, DeletingRewritesTheFileAndLeavesTheBarWhereItWas) {
    program.data().write("佐藤callpad.txt", kThreeMessages);
    const auto records = recordsOf(kThreeMessages);
    ASSERT_EQ(records.size(), 3u);
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(2);

    program.click("Frmrenuke", "CmdDel");  // B
    EXPECT_TRUE(sameBytes(records[0] + records[2], program.data().read("佐藤callpad.txt")));
    EXPECT_EQ(shown(), at(kMessageA, " 1/ 2"));
    EXPECT_EQ(bar()->value(), 2);
    EXPECT_EQ(bar()->maximum(), 3);

    program.click("Frmrenuke", "CmdDel");  // A
    EXPECT_TRUE(sameBytes(records[2], program.data().read("佐藤callpad.txt")));
    EXPECT_EQ(shown(), at(kMessageC, " 1/ 1"));

    program.click("Frmrenuke", "CmdDel");  // C, the last one
    EXPECT_EQ(program.data().read("佐藤callpad.txt"), "");
    EXPECT_EQ(shown(), kNothing);

    const std::string listing = program.data().listing();
    program.click("Frmrenuke", "CmdDel");  // nothing on screen: nothing happens
    EXPECT_EQ(program.data().read("佐藤callpad.txt"), "");
    EXPECT_EQ(program.data().listing(), listing);
    EXPECT_TRUE(program.messageBoxes().texts().isEmpty());
}

TEST_F(ReviewScreens, AfterADeletionTheNextArrowClickStepsFromTheBarsOldValue) {
    program.data().write("佐藤callpad.txt", numberedMessages(8));
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(5);
    program.click("Frmrenuke", "CmdDel");
    EXPECT_EQ(viewer("LblDtnai")->text(), QStringLiteral(" 4/ 7"));
    EXPECT_EQ(viewer("LblAitena")->text(), QStringLiteral("相手4"));
    EXPECT_EQ(bar()->value(), 5);
    clickArrow(true);
    EXPECT_EQ(viewer("LblDtnai")->text(), QStringLiteral(" 6/ 7"));
    EXPECT_EQ(viewer("LblAitena")->text(), QStringLiteral("相手7"));
    EXPECT_EQ(bar()->maximum(), 7);

    // Two more deletions at the end leave the bar above the count: the next move lands on the last.
    bar()->setValue(7);
    program.click("Frmrenuke", "CmdDel");
    program.click("Frmrenuke", "CmdDel");
    EXPECT_EQ(viewer("LblDtnai")->text(), QStringLiteral(" 5/ 5"));
    clickArrow(false);  // to 6, above the new maximum 5
    EXPECT_EQ(viewer("LblDtnai")->text(), QStringLiteral(" 5/ 5"));
    EXPECT_EQ(bar()->value(), 5);
    EXPECT_EQ(bar()->maximum(), 5);
}

TEST_F(ReviewScreens, NextWhileAViewerIsOpenOnlyBringsItToTheFront) {
    program.data().write("佐藤callpad.txt", kThreeMessages);
    openViewerFor(QStringLiteral("佐藤"));
    QWidget* first = program.screen("Frmrenuke");
    bar()->setValue(3);

    openSelection()->setEditText(QStringLiteral("a/b"));  // not even checked: it is not read
    program.click("FrmUkekaku", "CmdNext");
    ProgramFixture::settle();
    EXPECT_TRUE(isOpen("FrmUkekaku"));
    EXPECT_EQ(program.screen("Frmrenuke"), first);
    EXPECT_EQ(viewer("LblUkeNe")->text(), QStringLiteral("佐藤"));
    EXPECT_EQ(shown(), kMessageC);
    EXPECT_TRUE(program.messageBoxes().texts().isEmpty());
}

TEST_F(ReviewScreens, ARecipientWithoutAFileSeesNothingOfThePreviousOne) {
    program.data().write("佐藤callpad.txt", numberedMessages(5));
    openViewerFor(QStringLiteral("佐藤"));
    EXPECT_EQ(viewer("LblDtnai")->text(), QStringLiteral(" 1/ 5"));
    program.click("Frmrenuke", "Cmdend");
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen("Frmrenuke"));

    openViewerFor(QStringLiteral("鈴木"));
    EXPECT_EQ(viewer("LblUkeNe")->text(), QStringLiteral("鈴木"));
    EXPECT_EQ(shown(), kNothing);
    clickArrow(true);
    EXPECT_EQ(shown(), kNothing);
    program.click("Frmrenuke", "CmdDel");
    EXPECT_EQ(program.data().listing(), "佐藤callpad.txt");
    EXPECT_TRUE(program.messageBoxes().texts().isEmpty());
}

TEST_F(ReviewScreens, ADamagedFileIsShownButNotRewritten) {
    program.data().copyFixture("messages/damaged-last-record.txt", "佐藤callpad.txt");
    const std::string damaged = program.data().read("佐藤callpad.txt");
    openViewerFor(QStringLiteral("佐藤"));
    ASSERT_EQ(program.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("c:\\佐藤callpad.txt")));
    EXPECT_EQ(shown(), at(kMessageA, " 1/ 2"));

    program.click("Frmrenuke", "CmdDel");
    ASSERT_EQ(program.messageBoxes().texts().size(), 2);
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("削除できません")));
    EXPECT_TRUE(sameBytes(damaged, program.data().read("佐藤callpad.txt")));
    EXPECT_EQ(shown(), at(kMessageA, " 1/ 2"));
}

TEST_F(ReviewScreens, AFileOfMoreThanFiftyShowsFiftyAndSaysSo) {
    program.data().copyFixture("messages/fifty-five-messages.txt", "佐藤callpad.txt");
    openViewerFor(QStringLiteral("佐藤"));
    EXPECT_EQ(viewer("LblDtnai")->text(), QStringLiteral(" 1/ 50"));
    EXPECT_EQ(bar()->pageStep(), 5);
    ASSERT_EQ(program.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("c:\\佐藤callpad.txt")));
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("5 件")));
}

TEST_F(ReviewScreens, AFailedRewriteIsReportedAndChangesNothing) {
    program.data().write("佐藤callpad.txt", kThreeMessages);
    openViewerFor(QStringLiteral("佐藤"));
    std::filesystem::create_directory(program.data().root() / std::filesystem::path(u8"佐藤callpad.txt.tmp"));
    program.click("Frmrenuke", "CmdDel");
    ASSERT_EQ(program.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("c:\\佐藤callpad.txt")));
    EXPECT_TRUE(sameBytes(kThreeMessages, program.data().read("佐藤callpad.txt")));
    EXPECT_EQ(shown(), kMessageA);
    EXPECT_TRUE(isOpen("Frmrenuke"));
}

// The export file read back: its sheet name and text cells.
using Cells = std::map<std::pair<int, int>, std::u16string>;

Cells exportedHeadingsAndRows(const std::vector<std::vector<std::u16string>>& rows) {
    Cells cells;
    const std::u16string headings[] = {u"相手先",   u"担当", u"受付日", u"受付時間", u"電話要(1)",
                                       u"電話番号", u"内容", u"期限",   u"受付者"};
    for (int c = 0; c < 9; ++c) {
        cells[{1, c + 2}] = headings[c];
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 9; ++c) {
            if (!rows[r][c].empty()) {
                cells[{static_cast<int>(r) + 2, c + 2}] = rows[r][c];
            }
        }
    }
    return cells;
}

const std::vector<std::u16string> kRowA = {
    u"山田商事", u"山田太郎", u"2026/12/01", u"9:05:03", u"1", u"03-1234-5678", u"至急\r\n折り返しください",
    u"至急",     u"佐藤"};
const std::vector<std::u16string> kRowB = {u"ABC, Inc.", u" Smith ", u"2026/11/30", u"17:45:00", u"0",
                                           u"",          u"",        u"　　",       u""};
const std::vector<std::u16string> kRowC = {
    u"①株式会社髙橋", u"﨑山", u"2026/11/29", u"12:00:59", u"1", u"090-0000-0000", u"Ⅰ期の件、〒100-0001\r\n～明朝まで",
    u"明朝",          u"鈴木"};

TEST_F(ReviewScreens, CutWritesTheMessagesToTheWorkbookFile) {
    program.data().write("佐藤callpad.txt", kThreeMessages);
    openViewerFor(QStringLiteral("佐藤"));
    bar()->setValue(2);
    program.click("Frmrenuke", "CmdEx");
    auto contents = xlstest::readWorkbook(program.data().read("callpad.xls"));
    EXPECT_EQ(contents.name, "Sheet1");
    EXPECT_EQ(contents.cells, exportedHeadingsAndRows({kRowA, kRowB, kRowC}));
    EXPECT_EQ(shown(), kMessageB);  // the export leaves the screen as it was
    EXPECT_TRUE(program.messageBoxes().texts().isEmpty());

    // After a deletion the old last row stays below the current ones.
    program.click("Frmrenuke", "CmdDel");
    program.click("Frmrenuke", "CmdEx");
    contents = xlstest::readWorkbook(program.data().read("callpad.xls"));
    EXPECT_EQ(contents.cells, exportedHeadingsAndRows({kRowA, kRowC, kRowC}));
}

TEST_F(ReviewScreens, CutRefusesATextTooLongForACellAndReportsAFailedSave) {
    program.data().write(
        "佐藤callpad.txt",
        encodeRecord({"長文", "", "", "", "0", "", std::string(32768, 'x'), "", "", "長文"}) + kThreeMessages);
    openViewerFor(QStringLiteral("佐藤"));
    program.click("Frmrenuke", "CmdEx");
    ASSERT_EQ(program.messageBoxes().texts().size(), 1);
    const QString refusal = program.messageBoxes().last();
    EXPECT_TRUE(refusal.contains(QStringLiteral("1 件目")) && refusal.contains(QStringLiteral("「内容」")))
        << ui::utf8(refusal);
    EXPECT_FALSE(program.data().exists("callpad.xls"));

    // With the long message deleted the rest goes out, but a blocked rewrite is reported.
    program.click("Frmrenuke", "CmdDel");
    std::filesystem::create_directory(program.data().root() / "callpad.xls.tmp");
    program.click("Frmrenuke", "CmdEx");
    ASSERT_EQ(program.messageBoxes().texts().size(), 2);
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("c:\\callpad.xls")));
    EXPECT_FALSE(program.data().exists("callpad.xls"));

    std::filesystem::remove(program.data().root() / "callpad.xls.tmp");
    program.click("Frmrenuke", "CmdEx");
    EXPECT_EQ(program.messageBoxes().texts().size(), 2);
    EXPECT_EQ(xlstest::readWorkbook(program.data().read("callpad.xls")).cells,
              exportedHeadingsAndRows({kRowA, kRowB, kRowC, kRowC}));
}

TEST_F(ReviewScreens, ATooLongRowLeftByARefusedExportIsNamedAndGoneAfterReopening) {
    const std::string longMessage =
        encodeRecord({"長文", "", "", "", "0", "", std::string(32768, 'x'), "", "", "長文"});
    program.data().write("佐藤callpad.txt", recordsOf(kThreeMessages)[0] + longMessage);
    openViewerFor(QStringLiteral("佐藤"));
    program.click("Frmrenuke", "CmdEx");
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("2 件目")))
        << ui::utf8(program.messageBoxes().last());

    bar()->setValue(2);
    program.click("Frmrenuke", "CmdDel");
    program.click("Frmrenuke", "CmdEx");  // row 3 still holds the long text of the refused export
    ASSERT_EQ(program.messageBoxes().texts().size(), 2);
    EXPECT_TRUE(program.messageBoxes().last().contains(QStringLiteral("H3")))
        << ui::utf8(program.messageBoxes().last());
    EXPECT_FALSE(program.data().exists("callpad.xls"));

    program.click("Frmrenuke", "Cmdend");
    ProgramFixture::settle();
    openViewerFor(QStringLiteral("佐藤"));  // a new viewer starts with an empty worksheet
    program.click("Frmrenuke", "CmdEx");
    EXPECT_EQ(program.messageBoxes().texts().size(), 2);
    EXPECT_EQ(xlstest::readWorkbook(program.data().read("callpad.xls")).cells, exportedHeadingsAndRows({kRowA}));
}

}  // namespace
}  // namespace callpad
