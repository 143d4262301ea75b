#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <filesystem>
#include <tuple>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"
#include "ui/Controls.h"

// The rules of what is saved are MessageFileTest's; these tests show what the screen adds to them.

namespace callpad {
namespace {

using test::sameBytes;

constexpr const char* kScreen = "Frmrenraku";

// The message entry screen, which the menu's 報告する opens.
class EntryScreen : public ::testing::Test, protected test::ProgramFixture {
protected:
    template <typename Control = QWidget>
    Control* input(const char* name) {
        return control<Control>(kScreen, name);
    }
    void typeInto(const char* name, const QString& text) { type(input(name), text); }

    // Fills every input as a user would, for the recipient 田中.
    void fillIn() {
        typeInto("Txtaite", QStringLiteral("山田商事"));
        typeInto("Txttantou", QStringLiteral("山田太郎"));
        QTest::mouseClick(input("Opty"), Qt::LeftButton);
        QTest::keyClicks(input("Txttelno"), QStringLiteral("03-1234-5678"));
        typeInto("Txthoukoku", QStringLiteral("至急"));
        QTest::keyClick(input("Txthoukoku"), Qt::Key_Return);
        typeInto("Txthoukoku", QStringLiteral("折り返し"));
        // Pick "　時" and type the hour in front of 時.
        input<QComboBox>("Cmbkigen")->setCurrentIndex(5);
        input<QComboBox>("Cmbkigen")->lineEdit()->setCursorPosition(1);
        typeInto("Cmbkigen", QStringLiteral("３"));
        typeInto("Cmbhosh", QStringLiteral("佐藤"));
        typeInto("CmbUke", QStringLiteral("田中"));
    }
    // What the user sees: the content, the option selected, the text of every box (party, person, phone,
    // deadline, reporter, recipient) and how many items each list offers.
    QStringList inputs() {
        QStringList all{input<QPlainTextEdit>("Txthoukoku")->toPlainText(),
                        input<QRadioButton>("Optn")->isChecked() ? "Optn" : "Opty"};
        for (const QLineEdit* box : screen(kScreen)->findChildren<QLineEdit*>()) {
            all << box->text();
        }
        for (const QComboBox* box : screen(kScreen)->findChildren<QComboBox*>()) {
            all << QString::number(box->count());
        }
        return all;
    }
};

// Every name of a list is offered, those beyond the twentieth too; a list that cannot be read is
// reported on its own and the other is still offered. 登録 saves the inputs as typed and keeps them.
// 白紙に (Alt+C) empties them again, keeps the lists and the focus; 戻る brings the menu forward. Neither
// writes anything.
TEST_F(EntryScreen, OffersTheListsSavesTheInputsAsTypedAndClearsThem) {
    std::filesystem::create_directory(data().root() / "callpadRT.txt");
    data().copyFixture("names/twenty-one-names.txt", "callpadUT.txt");
    click("FrmMein", "CmdHoukoku");
    ui::Screen* entry = screen(kScreen);
    EXPECT_TRUE(said(1, {realPath(data(), "callpadRT.txt")}));
    const QStringList empty{"", "Optn", "", "", "", "", "", "", "7", "0", "21"};
    EXPECT_EQ(inputs(), empty);
    fillIn();
    const QStringList typed = inputs();
    click(kScreen, "Cmdsave");
    EXPECT_TRUE(said(2, {"登録完了"}));
    const std::string saved = encodeRecord({"山田商事", "山田太郎", "2026/12/06", "9:05:03", "1", "03-1234-5678",
                                            "至急\r\n折り返し", "\u3000３時", "佐藤", "山田商事"});
    EXPECT_EQ(inputs(), typed);
    ASSERT_TRUE(QTest::qWaitForWindowActive(entry));
    input("Txthoukoku")->setFocus();
    QTest::keyClick(entry, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return inputs() == empty; })) << ui::utf8(inputs().join('|'));
    EXPECT_EQ(QApplication::focusWidget(), input("Txthoukoku"));
    click(kScreen, "Cmdend");
    EXPECT_FALSE(isOpen(kScreen));
    EXPECT_TRUE(QTest::qWaitForWindowActive(screen("FrmMein")));
    EXPECT_TRUE(sameBytes(saved, data().read("田中callpad.txt")));
    EXPECT_EQ(data().listing(), "callpad.lock callpadRT.txt callpadUT.txt 田中callpad.txt");
}

// Each kind of refusal says what and where, as plain text; the inputs stay for the user to correct and
// the file is as it was (MessageFileTest has the rules). A folder stands in the way of the temporary file
// throughout: a save that gets as far as writing fails, and its error is reported like any other refusal.
TEST_F(EntryScreen, RefusesWhatCannotBeSavedAndKeepsFileAndInputs) {
    const QString file = realPath(data(), "田中callpad.txt");
    std::filesystem::create_directory(data().path("田中callpad.txt.tmp"));
    // tests/data/messages/<fixture>.txt is 田中callpad.txt beforehand; the text is typed into the input last.
    const std::tuple<const char*, const char*, QString, QStringList> cases[] = {
        {"fifty-messages", "Txtaite", "", {file, "50件"}},
        {"damaged-last-record", "Txtaite", "", {"壊れて"}},
        {"three-messages", "Txtaite", "\"", {"「どこの」", "二重引用符"}},
        {"three-messages", "CmbUke", "<b>x</b>", {"受取者名「田中<b>x</b>」", "連絡を保存できません", "「: * ?"}},
        {"three-messages", "Txtaite", "", {file}},  // written as far as the temporary file
    };
    for (const auto& [fixture, box, text, parts] : cases) {
        SCOPED_TRACE(ui::utf8(parts.join(' ')));
        messageBoxes().clear();
        const std::string before = test::fixtureBytes(std::string("messages/") + fixture + ".txt");
        data().write("田中callpad.txt", before);
        click("FrmMein", "CmdHoukoku");
        fillIn();
        typeInto(box, text);
        const QStringList typed = inputs();
        click(kScreen, "Cmdsave");
        EXPECT_TRUE(said(1, parts));
        EXPECT_TRUE(messageBoxes().allPlainText());
        EXPECT_EQ(inputs(), typed);
        EXPECT_TRUE(sameBytes(before, data().read("田中callpad.txt")));
        click(kScreen, "Cmdend");
    }
}

}  // namespace
}  // namespace callpad
