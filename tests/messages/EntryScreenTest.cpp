#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"
#include "ui/Controls.h"
#include "ui/Look.h"

namespace callpad {
namespace {

using test::ProgramFixture;
using test::sameBytes;

constexpr const char* kScreen = "Frmrenraku";

// The message entry screen opened from the menu's 報告する.
class EntryScreen : public ::testing::Test {
protected:
    ui::Screen* open() {
        fixture.click("FrmMein", "CmdHoukoku");
        ProgramFixture::settle();
        return fixture.screen(kScreen);
    }

    template <typename Control>
    Control* control(const char* name) {
        return fixture.control<Control>(kScreen, name);
    }
    QComboBox* combo(const char* name) { return control<QComboBox>(name); }

    // Types text as a Japanese input method commits it; QTest::keyClicks only types Latin-1.
    void type(const char* name, const QString& text) {
        QWidget* target = control<QWidget>(name);
        if (auto* box = qobject_cast<QComboBox*>(target)) {
            target = box->lineEdit();
        }
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(target, &commit);
    }

    // Replaces the text of a text or combo box by typing.
    void retype(const char* name, const QString& text) {
        if (auto* box = qobject_cast<QComboBox*>(control<QWidget>(name))) {
            box->lineEdit()->clear();
        } else if (auto* line = qobject_cast<QLineEdit*>(control<QWidget>(name))) {
            line->clear();
        } else {
            control<QPlainTextEdit>("Txthoukoku")->clear();
        }
        type(name, text);
    }

    // Fills every input as a user would, for the recipient 田中.
    void fillIn() {
        type("Txtaite", QStringLiteral("山田商事"));
        type("Txttantou", QStringLiteral("山田太郎"));
        QTest::mouseClick(control<QRadioButton>("Opty"), Qt::LeftButton);
        QTest::keyClicks(control<QLineEdit>("Txttelno"), QStringLiteral("03-1234-5678"));
        auto* content = control<QPlainTextEdit>("Txthoukoku");
        type("Txthoukoku", QStringLiteral("至急"));
        QTest::keyClick(content, Qt::Key_Return);
        type("Txthoukoku", QStringLiteral("折り返し"));
        QTest::keyClick(content, Qt::Key_Return);
        type("Txthoukoku", QStringLiteral("ください"));
        // Pick "　時" and type the hour in front of 時.
        combo("Cmbkigen")->setCurrentIndex(5);
        combo("Cmbkigen")->lineEdit()->setCursorPosition(1);
        type("Cmbkigen", QStringLiteral("３"));
        type("Cmbhosh", QStringLiteral("佐藤"));
        type("CmbUke", QStringLiteral("田中"));
    }

    // Everything the user sees in the inputs, lists included.
    QStringList inputs() {
        QStringList all;
        for (const char* name : {"Txtaite", "Txttantou", "Txttelno"}) {
            all << control<QLineEdit>(name)->text();
        }
        all << control<QPlainTextEdit>("Txthoukoku")->toPlainText();
        all << (control<QRadioButton>("Optn")->isChecked() ? "Optn" : "")
            << (control<QRadioButton>("Opty")->isChecked() ? "Opty" : "");
        for (const char* name : {"Cmbkigen", "Cmbhosh", "CmbUke"}) {
            all << combo(name)->currentText() << QString::number(combo(name)->count());
        }
        return all;
    }

    QStringList items(const char* name) {
        QStringList list;
        for (int i = 0; i < combo(name)->count(); ++i) {
            list << combo(name)->itemText(i);
        }
        return list;
    }

    ProgramFixture fixture;
};

// The record the screen writes for fillIn() at the fixture's moment.
const std::vector<std::string> kFilledInFields{
    "山田商事",   "山田太郎", "2026/12/06", "9:05:03", "1", "03-1234-5678", "至急\r\n折り返し\r\nください",
    "\u3000３時", "佐藤",     "山田商事"};

TEST_F(EntryScreen, IsLaidOutAsDesigned) {
    ui::Screen* screen = open();
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("連絡"));
    EXPECT_EQ(screen->size(), QSize(406, 377));
    EXPECT_EQ(screen->palette().color(QPalette::Window), ui::rgb(0xC0D3E2));
    EXPECT_EQ(control<QGroupBox>("tlptel")->title(), QStringLiteral("電話連絡"));

    const struct {
        const char* name;
        const char* caption;  // nullptr: an input
        ui::Twips at;
        double points;
        const char* parent;
    } controls[] = {
        {"Lbltaitoru", "コールパッド入力", {480, 240, 2175, 375}, 14.25, kScreen},
        {"Lblaine", "どこの(&A)", {120, 1200, 1095, 255}, 14.25, kScreen},
        {"Txtaite", nullptr, {1320, 1200, 1695, 375}, 12, kScreen},
        {"Lbltantou", "誰から(&T)", {120, 1680, 1215, 255}, 14.25, kScreen},
        {"Txttantou", nullptr, {1320, 1680, 1695, 375}, 12, kScreen},
        {"tlptel", nullptr, {3240, 960, 2655, 1215}, 12, kScreen},
        {"Lbltelt", "電話", {120, 480, 855, 495}, 18, "tlptel"},
        {"Optn", "ありました", {960, 360, 1575, 375}, 14.25, "tlptel"},
        {"Opty", "してください", {960, 720, 1575, 375}, 14.25, "tlptel"},
        {"Label1", "相手の電話番号", {1440, 2400, 1815, 375}, 12, kScreen},
        {"Txttelno", nullptr, {3360, 2280, 2415, 495}, 12, kScreen},
        {"Label6", "連絡事項", {120, 2520, 1215, 255}, 12, kScreen},
        {"Txthoukoku", nullptr, {120, 2880, 5655, 735}, 12, kScreen},
        {"Lblkigen", "期限", {120, 3840, 735, 375}, 14.25, kScreen},
        {"Cmbkigen", nullptr, {840, 3720, 1335, 405}, 14.25, kScreen},
        {"Lblkigen2", "まで", {2280, 3840, 735, 375}, 14.25, kScreen},
        {"Lblhosh", "報告者", {3000, 3840, 975, 375}, 14.25, kScreen},
        {"Cmbhosh", nullptr, {4080, 3720, 1455, 405}, 14.25, kScreen},
        {"Cmdsave", "登録(&S)", {240, 4320, 1575, 495}, 9, kScreen},
        {"CmdNext", "白紙に(&C)", {1920, 4320, 1335, 495}, 9, kScreen},
        {"Cmdend", "戻る(&R)", {3360, 4320, 1215, 495}, 9, kScreen},
        {"Label2", "誰に", {3000, 360, 855, 375}, 14.25, kScreen},
        {"CmbUke", nullptr, {3840, 360, 1575, 405}, 14.25, kScreen},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = control<QWidget>(c.name);
        ASSERT_TRUE(widget);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(c.parent));
        EXPECT_EQ(widget->geometry(), c.at.toPixels());
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), c.points);
        EXPECT_TRUE(widget->accessibleName().isEmpty());
        if (!c.caption) {
            continue;
        }
        const QString caption = QString::fromUtf8(c.caption);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), caption);
            EXPECT_FALSE(label->autoFillBackground());  // the window's colour shows through
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), caption);
        }
    }
    for (const char* name : {"Cmdsave", "CmdNext", "Cmdend"}) {
        EXPECT_EQ(control<QPushButton>(name)->palette().color(QPalette::Button), ui::rgb(0xE0E0E0)) << name;
    }
    for (const char* name : {"Cmbkigen", "Cmbhosh"}) {
        EXPECT_EQ(combo(name)->palette().color(QPalette::Base), ui::rgb(0xFFFFFF)) << name;
    }
}

TEST_F(EntryScreen, KeyboardVisitsTheInputsInTheDesignedOrder) {
    ui::Screen* screen = open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen));
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("Txtaite"));

    const struct {
        const char* label;
        const char* input;
    } buddies[] = {{"Lblaine", "Txtaite"},   {"Lbltantou", "Txttantou"}, {"Label1", "Txttelno"},
                   {"Label6", "Txthoukoku"}, {"Lblkigen", "Cmbkigen"},   {"Lblhosh", "Cmbhosh"},
                   {"Label2", "CmbUke"}};
    for (const auto& b : buddies) {
        EXPECT_EQ(control<QLabel>(b.label)->buddy(), control<QWidget>(b.input)) << b.label;
    }

    const std::vector<QString> expected{"Txtaite",  "Txttantou", "Optn",    "Opty",    "Txttelno", "Txthoukoku",
                                        "Cmbkigen", "Cmbhosh",   "Cmdsave", "CmdNext", "Cmdend",   "CmbUke"};
    const std::set<QString> named(expected.begin(), expected.end());
    std::vector<QString> order;
    QWidget* widget = control<QWidget>("Txtaite");
    do {
        if (named.count(widget->objectName()) && (widget->focusPolicy() & Qt::TabFocus)) {
            order.push_back(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget != control<QWidget>("Txtaite") && order.size() <= expected.size());
    EXPECT_EQ(order, expected);

    // Alt with a label's letter moves to its box; Enter in the content starts a new line.
    QTest::keyClick(screen, Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("Txttantou"));
    QTest::keyClick(screen, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("Txtaite"));
    type("Txthoukoku", QStringLiteral("一行目"));
    QTest::keyClick(control<QWidget>("Txthoukoku"), Qt::Key_Return);
    type("Txthoukoku", QStringLiteral("二行目"));
    EXPECT_EQ(static_cast<ui::MultiLineTextBox*>(control<QPlainTextEdit>("Txthoukoku"))->text(),
              QStringLiteral("一行目\r\n二行目"));
}

TEST_F(EntryScreen, OffersTheDeadlinesAndBothNameLists) {
    fixture.data().copyFixture("names/reporters.txt", "callpadRT.txt");
    fixture.data().write("callpadUT.txt", encodeRecord({"田中"}) + encodeRecord({"山本"}));
    open();
    EXPECT_EQ(items("Cmbkigen"), QStringList({"\u3000\u3000", "至急", "帰社", "昼", "夕方", "\u3000時", "明朝"}));
    EXPECT_EQ(items("Cmbhosh"), QStringList({"佐藤", "鈴木", "高橋 ", ""}));
    // The recipient list reuses the reporters' slots and offers only its own names.
    EXPECT_EQ(items("CmbUke"), QStringList({"田中", "山本"}));
    EXPECT_EQ(inputs(), QStringList({"", "", "", "", "Optn", "", "", "7", "", "4", "", "2"}));
    EXPECT_TRUE(fixture.messageBoxes().texts().isEmpty());
}

TEST_F(EntryScreen, OffersEveryNameOfALongListAndWhatADamagedListHolds) {
    fixture.data().copyFixture("names/twenty-one-names.txt", "callpadRT.txt");
    fixture.data().write("callpadUT.txt", encodeRecord({"田中"}) + "\"unterminated");
    open();
    EXPECT_EQ(combo("Cmbhosh")->count(), 21);
    EXPECT_EQ(combo("Cmbhosh")->itemText(20), QStringLiteral("名前21"));
    EXPECT_EQ(items("CmbUke"), QStringList({"田中"}));
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("c:\\callpadUT.txt")));
}

TEST_F(EntryScreen, AnUnreadableListIsReportedAndTheScreenStillSaves) {
    std::filesystem::create_directory(fixture.data().root() / "callpadRT.txt");
    fixture.data().write("callpadUT.txt", encodeRecord({"田中"}));
    open();
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("c:\\callpadRT.txt")));
    EXPECT_EQ(items("CmbUke"), QStringList({"田中"}));

    combo("CmbUke")->setCurrentIndex(0);
    type("Txtaite", QStringLiteral("A"));
    fixture.click(kScreen, "Cmdsave");
    EXPECT_EQ(fixture.messageBoxes().last(), QStringLiteral("登録完了"));
    EXPECT_TRUE(sameBytes(encodeRecord({"A", "", "2026/12/06", "9:05:03", "0", "", "", "", "", "A"}),
                          fixture.data().read("田中callpad.txt")));
}

TEST_F(EntryScreen, SavesTheInputsAsTypedNewestFirst) {
    fixture.data().copyFixture("names/reporters.txt", "callpadRT.txt");
    open();
    fillIn();
    const QStringList typed = inputs();
    fixture.click(kScreen, "Cmdsave");
    EXPECT_EQ(fixture.messageBoxes().texts(), QStringList({"登録完了"}));
    const std::string first = encodeRecord(kFilledInFields);
    EXPECT_TRUE(sameBytes(first, fixture.data().read("田中callpad.txt")));
    EXPECT_EQ(inputs(), typed);

    // A second save at a later moment, by its access key, goes in front of the first.
    fixture.context().now = [] { return LocalDateTime{2026, 12, 6, 14, 30, 0}; };
    ASSERT_TRUE(QTest::qWaitForWindowActive(fixture.screen(kScreen)));
    QTest::keyClick(fixture.screen(kScreen), Qt::Key_S, Qt::AltModifier);
    // A button's access key clicks it after a short press animation.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fixture.messageBoxes().texts().size() == 2; }));
    auto second = kFilledInFields;
    second[3] = "14:30:00";
    EXPECT_TRUE(sameBytes(encodeRecord(second) + first, fixture.data().read("田中callpad.txt")));
    EXPECT_EQ(fixture.messageBoxes().texts(), QStringList({"登録完了", "登録完了"}));
    EXPECT_EQ(inputs(), typed);
    EXPECT_EQ(fixture.data().listing(), "callpad.lock callpadRT.txt 田中callpad.txt");
}

TEST_F(EntryScreen, WithoutListsAnEmptyRecipientSavesInFrontOfTheOldRecords) {
    fixture.data().copyFixture("messages/three-messages.txt", "callpad.txt");
    open();
    type("Txtaite", QStringLiteral("至急"));
    combo("Cmbkigen")->setCurrentIndex(5);
    fixture.click(kScreen, "Cmdsave");
    EXPECT_EQ(fixture.messageBoxes().texts(), QStringList({"登録完了"}));
    // "至急","","2026/12/06","9:05:03","0","","","　時","","至急" in code page 932
    const std::string record = test::bytesFromHex(
        "22 8E 8A 8B 7D 22 2C 22 22 2C 22 32 30 32 36 2F 31 32 2F 30 36 22 2C 22 39 3A 30 35 3A 30 33 22 2C"
        "22 30 22 2C 22 22 2C 22 22 2C 22 81 40 8E 9E 22 2C 22 22 2C 22 8E 8A 8B 7D 22 0D 0A");
    EXPECT_TRUE(
        sameBytes(record + test::fixtureBytes("messages/three-messages.txt"), fixture.data().read("callpad.txt")));
}

TEST_F(EntryScreen, ClearEmptiesTheInputsAndKeepsTheLists) {
    fixture.data().copyFixture("names/reporters.txt", "callpadRT.txt");
    fixture.data().copyFixture("names/reporters.txt", "callpadUT.txt");
    ui::Screen* screen = open();
    fillIn();
    combo("Cmbhosh")->setCurrentIndex(1);
    const std::string listing = fixture.data().listing();
    control<QWidget>("Txthoukoku")->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen));
    QTest::keyClick(screen, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return control<QLineEdit>("Txtaite")->text().isEmpty(); }));

    EXPECT_EQ(inputs(), QStringList({"", "", "", "", "Optn", "", "", "7", "", "4", "", "4"}));
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("Txthoukoku"));
    EXPECT_TRUE(fixture.messageBoxes().texts().isEmpty());
    EXPECT_EQ(fixture.data().listing(), listing);
}

TEST_F(EntryScreen, BackDiscardsTheInputsAndBringsTheMenuForward) {
    fixture.data().copyFixture("names/reporters.txt", "callpadRT.txt");
    open();
    fillIn();
    const std::string listing = fixture.data().listing();
    fixture.click(kScreen, "Cmdend");
    ProgramFixture::settle();
    EXPECT_FALSE(fixture.registry().find(kScreen));
    EXPECT_EQ(fixture.data().listing(), listing);
    EXPECT_TRUE(QTest::qWaitForWindowActive(fixture.screen("FrmMein")));
    EXPECT_TRUE(fixture.messageBoxes().texts().isEmpty());

    // Opened again it starts afresh.
    open();
    EXPECT_EQ(control<QLineEdit>("Txtaite")->text(), QString());
}

TEST_F(EntryScreen, OpeningItAgainKeepsTheOneWindowAsItIs) {
    fixture.data().copyFixture("names/reporters.txt", "callpadRT.txt");
    ui::Screen* screen = open();
    fillIn();
    const QStringList typed = inputs();
    fixture.data().write("callpadRT.txt", encodeRecord({"新人"}));
    EXPECT_EQ(open(), screen);
    int windows = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        windows += window->objectName() == kScreen && window->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(inputs(), typed);
}

TEST_F(EntryScreen, RefusesWhatCannotBeSavedAndKeepsFileAndInputs) {
    const std::string three = test::fixtureBytes("messages/three-messages.txt");
    const struct {
        const char* name;
        std::optional<std::string> file;  // the bytes of 田中callpad.txt beforehand
        const char* input;                // the input typed over, or nullptr
        QString text;
        QStringList said;  // parts of the message
    } cases[] = {
        {"fifty messages",
         test::fixtureBytes("messages/fifty-messages.txt"),
         nullptr,
         {},
         {"c:\\田中callpad.txt", "50件", "報告確認"}},
        {"fifty-five records",
         test::fixtureBytes("messages/fifty-five-messages.txt"),
         nullptr,
         {},
         {"c:\\田中callpad.txt", "50件"}},
        {"damaged file",
         test::fixtureBytes("messages/damaged-last-record.txt"),
         nullptr,
         {},
         {"c:\\田中callpad.txt", "壊れて"}},
        {"quote in the party", three, "Txtaite", "山田\"商事\"", {"「どこの」", "二重引用符"}},
        {"quote in the person", three, "Txttantou", "\"", {"「誰から」", "二重引用符"}},
        {"yen sign in the number", three, "Txttelno", "¥100", {"「相手の電話番号」", "¥"}},
        {"emoji in the content", three, "Txthoukoku", "よろしく😀", {"「連絡事項」", "😀"}},
        {"quote in the deadline", three, "Cmbkigen", "\"昼\"", {"「期限」", "二重引用符"}},
        {"rare kanji in the reporter", three, "Cmbhosh", "𠮷田", {"「報告者」", "𠮷"}},
        {"emoji in the recipient", std::nullopt, "CmbUke", "田中😀", {"「誰に」", "😀"}},
        {"separator in the recipient", std::nullopt, "CmbUke", "a/b", {"a/b", "「/」"}},
        {"dots as the recipient", std::nullopt, "CmbUke", "..", {"「..」"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture::settle();
        fixture.messageBoxes().clear();
        if (c.file) {
            fixture.data().write("田中callpad.txt", *c.file);
        }
        open();
        fillIn();
        if (c.input) {
            retype(c.input, c.text);
        }
        const QStringList typed = inputs();
        const std::string listing = fixture.data().listing();
        fixture.click(kScreen, "Cmdsave");

        ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
        for (const QString& part : c.said) {
            EXPECT_TRUE(fixture.messageBoxes().last().contains(part)) << fixture.messageBoxes().last().toStdString();
        }
        EXPECT_EQ(inputs(), typed);
        if (c.file) {
            EXPECT_TRUE(sameBytes(*c.file, fixture.data().read("田中callpad.txt")));
        }
        // Only the lock file may be new.
        EXPECT_TRUE(fixture.data().listing() == listing || fixture.data().listing() == "callpad.lock " + listing);
        fixture.click(kScreen, "Cmdend");
    }
}

TEST_F(EntryScreen, AFailedRewriteIsReportedAndLeavesTheOldFile) {
    const std::string three = test::fixtureBytes("messages/three-messages.txt");
    fixture.data().write("田中callpad.txt", three);
    // A folder in the way of the temporary file makes the rewrite fail.
    std::filesystem::create_directory(fixture.data().root() / std::u8string(u8"田中callpad.txt.tmp"));
    open();
    fillIn();
    const QStringList typed = inputs();
    fixture.click(kScreen, "Cmdsave");
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("c:\\田中callpad.txt")));
    EXPECT_FALSE(fixture.messageBoxes().last().contains(QStringLiteral("登録完了")));
    EXPECT_TRUE(sameBytes(three, fixture.data().read("田中callpad.txt")));
    EXPECT_TRUE(fixture.registry().find(kScreen));
    EXPECT_EQ(inputs(), typed);
}

}  // namespace
}  // namespace callpad
