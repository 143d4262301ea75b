#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"
#include "ui/Controls.h"

// The rules of what is saved are MessageFileTest's; these tests show what the screen adds to them.

namespace callpad {
namespace {

using test::ProgramFixture;
using test::sameBytes;

constexpr const char* kScreen = "Frmrenraku";
// The record that fillIn() saves at the fixture's moment.
const std::vector<std::string> kFilledIn{"山田商事",     "山田太郎",         "2026/12/06", "9:05:03", "1",
                                         "03-1234-5678", "至急\r\n折り返し", "\u3000３時", "佐藤",    "山田商事"};

// The message entry screen opened from the menu's 報告する.
class EntryScreen : public ::testing::Test {
protected:
    ui::Screen* open() {
        fixture.click("FrmMein", "CmdHoukoku");
        ProgramFixture::settle();
        return fixture.screen(kScreen);
    }
    template <typename Control = QWidget>
    Control* control(const char* name) {
        return fixture.control<Control>(kScreen, name);
    }
    QComboBox* combo(const char* name) { return control<QComboBox>(name); }
    void type(const char* name, const QString& text) { ProgramFixture::type(control(name), text); }

    // Fills every input as a user would, for the recipient 田中.
    void fillIn() {
        type("Txtaite", QStringLiteral("山田商事"));
        type("Txttantou", QStringLiteral("山田太郎"));
        QTest::mouseClick(control("Opty"), Qt::LeftButton);
        QTest::keyClicks(control("Txttelno"), QStringLiteral("03-1234-5678"));
        type("Txthoukoku", QStringLiteral("至急"));
        QTest::keyClick(control("Txthoukoku"), Qt::Key_Return);
        type("Txthoukoku", QStringLiteral("折り返し"));
        // Pick "　時" and type the hour in front of 時.
        combo("Cmbkigen")->setCurrentIndex(5);
        combo("Cmbkigen")->lineEdit()->setCursorPosition(1);
        type("Cmbkigen", QStringLiteral("３"));
        type("Cmbhosh", QStringLiteral("佐藤"));
        type("CmbUke", QStringLiteral("田中"));
    }

    // Everything the user sees in the inputs, list sizes included.
    QStringList inputs() {
        QStringList all;
        for (const char* name : {"Txtaite", "Txttantou", "Txttelno"}) {
            all << control<QLineEdit>(name)->text();
        }
        all << control<QPlainTextEdit>("Txthoukoku")->toPlainText()
            << (control<QRadioButton>("Optn")->isChecked() ? "Optn" : "");
        for (const char* name : {"Cmbkigen", "Cmbhosh", "CmbUke"}) {
            all << combo(name)->currentText() << QString::number(combo(name)->count());
        }
        return all;
    }

    ProgramFixture fixture;
};

// Every name of a list is offered, those beyond the twentieth too; a list that cannot be read is
// reported on its own, the other is still offered, and the screen saves with its starting state.
TEST_F(EntryScreen, OffersTheDeadlinesAndTheListsAndSavesWhenAListCannotBeRead) {
    std::filesystem::create_directory(fixture.data().root() / "callpadRT.txt");
    fixture.data().copyFixture("names/twenty-one-names.txt", "callpadUT.txt");
    open();
    EXPECT_TRUE(fixture.said(1, {ProgramFixture::realPath(fixture.data(), "callpadRT.txt")}));
    EXPECT_EQ(combo("Cmbkigen")->itemText(5), QStringLiteral("\u3000時"));
    EXPECT_EQ(combo("CmbUke")->itemText(20), QStringLiteral("名前21"));
    EXPECT_EQ(inputs(), QStringList({"", "", "", "", "Optn", "", "7", "", "0", "", "21"}));
    type("Txtaite", QStringLiteral("A"));
    fixture.click(kScreen, "Cmdsave");
    EXPECT_TRUE(fixture.said(2, {"登録完了"}));
    EXPECT_TRUE(sameBytes(encodeRecord({"A", "", "2026/12/06", "9:05:03", "0", "", "", "", "", "A"}),
                          fixture.data().read("callpad.txt")));
}

// 登録 saves the inputs as typed and keeps them; a later save, by the button's access key, goes in front.
TEST_F(EntryScreen, SavesTheInputsAsTypedAndKeepsThem) {
    ui::Screen* screen = open();
    fillIn();
    const QStringList typed = inputs();
    fixture.click(kScreen, "Cmdsave");
    EXPECT_TRUE(sameBytes(encodeRecord(kFilledIn), fixture.data().read("田中callpad.txt")));
    fixture.context().now = [] { return LocalDateTime{2026, 12, 6, 14, 30, 0}; };
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen));
    QTest::keyClick(screen, Qt::Key_S, Qt::AltModifier);
    // A button's access key clicks it after a short press animation.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fixture.messageBoxes().texts().size() == 2; }));
    std::vector<std::string> later = kFilledIn;
    later[3] = "14:30:00";
    EXPECT_TRUE(sameBytes(encodeRecord(later) + encodeRecord(kFilledIn), fixture.data().read("田中callpad.txt")));
    EXPECT_EQ(inputs(), typed);
    EXPECT_EQ(fixture.messageBoxes().texts(), QStringList({"登録完了", "登録完了"}));
}

// クリア (Alt+C) empties the inputs, keeps the lists and the focus; Alt with a label's letter goes to its
// box; 戻る brings the menu forward. None writes anything.
TEST_F(EntryScreen, ClearAndReturnDiscardTheInputsAndWriteNothing) {
    fixture.data().copyFixture("names/reporters.txt", "callpadRT.txt");
    ui::Screen* screen = open();
    fillIn();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen));
    control("Txthoukoku")->setFocus();
    QTest::keyClick(screen, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return control<QLineEdit>("Txtaite")->text().isEmpty(); }));
    EXPECT_EQ(inputs(), QStringList({"", "", "", "", "Optn", "", "7", "", "4", "", "0"}));
    EXPECT_EQ(QApplication::focusWidget(), control("Txthoukoku"));
    QTest::keyClick(screen, Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), control("Txttantou"));
    fixture.click(kScreen, "Cmdend");
    ProgramFixture::settle();
    EXPECT_FALSE(fixture.isOpen(kScreen));
    EXPECT_TRUE(QTest::qWaitForWindowActive(fixture.screen("FrmMein")));
    EXPECT_EQ(fixture.data().listing(), "callpadRT.txt");
}

// Each kind of refusal says what and where; the inputs stay for the user to correct and the file is as
// it was (MessageFileTest has the rules).
TEST_F(EntryScreen, RefusesWhatCannotBeSavedAndKeepsFileAndInputs) {
    const std::string three = test::fixtureBytes("messages/three-messages.txt");
    const QString realFile = ProgramFixture::realPath(fixture.data(), "田中callpad.txt");
    const struct {
        std::string file;   // the bytes of 田中callpad.txt beforehand
        const char* input;  // the input typed into at the end, or nullptr
        QString text;
        QStringList said;  // parts of the message
        bool blockRewrite = false;
    } cases[] = {
        {test::fixtureBytes("messages/fifty-messages.txt"), nullptr, {}, {realFile, "50件"}},
        {test::fixtureBytes("messages/damaged-last-record.txt"), nullptr, {}, {"壊れて"}},
        {three, "Txtaite", "\"", {"「どこの」", "二重引用符"}},
        {three, "CmbUke", "/b", {"田中/b", "「/」"}},
        {three, "CmbUke", "<b>x</b>", {"受取者名「田中<b>x</b>」", "連絡を保存できません", "「: * ? \" < > |」"}},
        {three, nullptr, {}, {realFile}, true},
    };
    const auto blocker = fixture.data().root() / std::filesystem::path(u8"田中callpad.txt.tmp");
    for (const auto& c : cases) {
        SCOPED_TRACE(ui::utf8(c.said.join(' ')));
        fixture.messageBoxes().clear();
        fixture.data().write("田中callpad.txt", c.file);
        if (c.blockRewrite) {
            std::filesystem::create_directory(blocker);  // a folder in the way of the temporary file
        }
        open();
        fillIn();
        if (c.input) {
            type(c.input, c.text);
        }
        const QStringList typed = inputs();
        fixture.click(kScreen, "Cmdsave");
        EXPECT_TRUE(fixture.said(1, c.said));
        EXPECT_TRUE(fixture.messageBoxes().allPlainText());
        EXPECT_EQ(inputs(), typed);
        EXPECT_TRUE(sameBytes(c.file, fixture.data().read("田中callpad.txt")));
        fixture.click(kScreen, "Cmdend");
        ProgramFixture::settle();
    }
}

}  // namespace
}  // namespace callpad
