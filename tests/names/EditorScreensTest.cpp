#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <filesystem>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "records/TextRecordFile.h"
#include "support/Bytes.h"
#include "support/ProgramFixture.h"

namespace callpad {
namespace {

using test::ProgramFixture;
using test::sameBytes;

// A screen that offers the list's names in a combo box.
struct Reader {
    const char* screen;
    const char* menuButton;
    const char* box;
};

// What differs between the two editors, as the tests expect it.
struct EditorCase {
    const char* screen;
    const char* menuButton;
    const char* file;  // in the data folder
    const char* caption;
    unsigned background;
    unsigned buttonColour;
    int buttonTop;
    int scrollTop;
    int instructionWidth;
    std::vector<Reader> readers;
};

void PrintTo(const EditorCase& editor, std::ostream* out) {
    *out << editor.screen;
}

const EditorCase kReporterEditor{
    .screen = "FrmTouroku",
    .menuButton = "CmdTouroku",
    .file = "callpadRT.txt",
    .caption = "報告者登録",
    .background = 0xC0D3E2,
    .buttonColour = 0xE0E0E0,
    .buttonTop = 1320,
    .scrollTop = 2040,
    .instructionWidth = 4455,
    .readers = {{"Frmrenraku", "CmdHoukoku", "Cmbhosh"}},
};
const EditorCase kRecipientEditor{
    .screen = "FrmUkesha",
    .menuButton = "CmdUketo",
    .file = "callpadUT.txt",
    .caption = "報告受取者登録",
    .background = 0xA6DDA6,
    .buttonColour = 0x80FFFF,
    .buttonTop = 1200,
    .scrollTop = 1920,
    .instructionWidth = 4335,
    .readers = {{"Frmrenraku", "CmdHoukoku", "CmbUke"}, {"FrmUkekaku", "Command2", "CmbKaku"}},
};

std::string records(const std::vector<std::string>& names) {
    std::string bytes;
    for (const auto& name : names) {
        bytes += encodeRecord({name});
    }
    return bytes;
}

// Types text as an input method hands it over (Japanese is typed that way).
void commitText(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

QColor colour(unsigned rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

QRect twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

class EditorScreen : public ::testing::TestWithParam<EditorCase> {
protected:
    const EditorCase& editor() const { return GetParam(); }
    void open() { fixture.click("FrmMein", editor().menuButton); }
    ui::Screen* screen() { return fixture.screen(editor().screen); }
    template <typename Control>
    Control* control(const char* name) {
        return fixture.control<Control>(editor().screen, name);
    }
    QLineEdit* box() { return control<QLineEdit>("TxtNeme"); }
    QScrollBar* bar() { return control<QScrollBar>("HScBN"); }
    void press(const char* button) { fixture.click(editor().screen, button); }
    void type(const QString& text) {
        box()->clear();
        commitText(box(), text);
    }
    void moveBar(Qt::Key key) { QTest::keyClick(bar(), key); }

    // What the screen shows: "#2 '佐藤' bar 2/3" (number, box, bar value and maximum).
    std::string shown() {
        return "#" + control<QLabel>("LblNo")->text().toStdString() + " '" + box()->text().toStdString() + "' bar " +
               std::to_string(bar()->value()) + "/" + std::to_string(bar()->maximum());
    }
    std::string file() const { return fixture.data().read(editor().file); }
    bool isOpen() { return fixture.registry().find(QString::fromLatin1(editor().screen)) != nullptr; }

    ProgramFixture fixture;
};

INSTANTIATE_TEST_SUITE_P(BothLists, EditorScreen, ::testing::Values(kReporterEditor, kRecipientEditor),
                         [](const auto& instance) { return std::string(instance.param.screen); });

TEST_P(EditorScreen, IsLaidOutWithItsOwnCaptionColoursAndPositions) {
    open();
    EXPECT_EQ(screen()->windowTitle(), QString::fromUtf8(editor().caption));
    EXPECT_EQ(screen()->size(), QSize(4965 / 15, 3270 / 15));
    const QColor background = colour(editor().background);
    EXPECT_EQ(screen()->palette().color(QPalette::Window), background);

    const int row = editor().buttonTop;
    const struct {
        const char* name;
        QRect at;
        QString caption;
    } buttons[] = {
        {"CmdTuika", twips(480, row, 1215, 495), QStringLiteral("登録")},
        {"CmdDel", twips(1800, row, 1215, 495), QStringLiteral("削除")},
        {"CmdRt", twips(3120, row, 1215, 495), QStringLiteral("戻る")},
    };
    for (const auto& expected : buttons) {
        SCOPED_TRACE(expected.name);
        auto* button = control<QPushButton>(expected.name);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->geometry(), expected.at);
        EXPECT_EQ(button->text(), expected.caption);
        EXPECT_EQ(button->palette().color(QPalette::Button), colour(editor().buttonColour));
        EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 12);
        EXPECT_TRUE(button->accessibleName().isEmpty());
    }

    auto* number = control<QLabel>("LblNo");
    auto* instruction = control<QLabel>("Label1");
    EXPECT_EQ(number->geometry(), twips(480, 480, 975, 615));
    EXPECT_EQ(box()->geometry(), twips(1680, 360, 2655, 735));
    EXPECT_EQ(bar()->geometry(), twips(480, editor().scrollTop, 3855, 495));
    EXPECT_EQ(bar()->orientation(), Qt::Horizontal);
    EXPECT_EQ(instruction->geometry(), twips(360, 2640, editor().instructionWidth, 495));
    EXPECT_DOUBLE_EQ(number->font().pointSizeF(), 14.25);
    EXPECT_DOUBLE_EQ(box()->font().pointSizeF(), 14.25);
    EXPECT_TRUE(number->font().families().contains(QStringLiteral("ＭＳ Ｐゴシック")));

    // The instruction is in the system's type and must show whole within its height.
    EXPECT_EQ(instruction->text(),
              QStringLiteral("追加登録のときは一番右に移動させて登録部分が空白になってから登録してください"));
    EXPECT_EQ(instruction->font(), QApplication::font());
    EXPECT_TRUE(instruction->wordWrap());
    EXPECT_LE(instruction->heightForWidth(instruction->width()), instruction->height())
        << QApplication::font().toString().toStdString();

    for (QLabel* label : {number, instruction}) {
        EXPECT_EQ(label->palette().color(QPalette::Window), background) << label->objectName().toStdString();
        EXPECT_TRUE(label->accessibleName().isEmpty());
    }
    // The box has no label of its own, so screen readers get its name here.
    EXPECT_EQ(box()->accessibleName(), QStringLiteral("名前"));
}

TEST_P(EditorScreen, FocusStartsOnReturnAndCyclesThroughTheControls) {
    open();
    const std::vector<QWidget*> order{control<QPushButton>("CmdRt"), box(), bar(), control<QPushButton>("CmdDel"),
                                      control<QPushButton>("CmdTuika")};
    EXPECT_EQ(screen()->focusWidget(), order.front());
    // The next control that Tab reaches from each one.
    const auto next = [](QWidget* from) {
        QWidget* widget = from->nextInFocusChain();
        while (widget != from && !(widget->focusPolicy() & Qt::TabFocus)) {
            widget = widget->nextInFocusChain();
        }
        return widget;
    };
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(next(order[i]), order[(i + 1) % order.size()]) << "after " << order[i]->objectName().toStdString();
    }
}

TEST_P(EditorScreen, EditSessionIsSavedOnReturnAndOfferedToTheReadingScreens) {
    open();
    EXPECT_EQ(shown(), "#1 '' bar 1/1");

    type(QStringLiteral("山田 太郎"));
    press("CmdTuika");
    EXPECT_EQ(shown(), "#1 '山田 太郎' bar 1/2") << "登録 stays on the slot and opens the next one";
    moveBar(Qt::Key_Right);
    EXPECT_EQ(shown(), "#2 '' bar 2/2");
    type(QStringLiteral("佐藤"));
    moveBar(Qt::Key_Left);
    EXPECT_EQ(shown(), "#1 '山田 太郎' bar 1/3") << "leaving the last slot with a name stores it and opens a slot";
    moveBar(Qt::Key_Right);
    EXPECT_EQ(shown(), "#2 '佐藤' bar 2/3");
    moveBar(Qt::Key_Left);
    press("CmdDel");
    EXPECT_EQ(shown(), "#1 '佐藤' bar 1/2");
    // Neither stored nor carried away by the bar: lost on 戻る.
    type(QStringLiteral("未保存"));
    EXPECT_FALSE(fixture.data().exists(editor().file)) << "nothing is written before 戻る";

    press("CmdRt");
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen());
    EXPECT_NE(fixture.registry().find(QStringLiteral("FrmMein")), nullptr);
    EXPECT_TRUE(sameBytes(records({"佐藤", ""}), file()));
    EXPECT_TRUE(fixture.messageBoxes().texts().isEmpty()) << fixture.messageBoxes().last().toStdString();

    // The entry and selection screens offer the saved names, the empty one included.
    for (const Reader& reader : editor().readers) {
        SCOPED_TRACE(reader.box);
        fixture.click("FrmMein", reader.menuButton);
        auto* names = fixture.control<QComboBox>(reader.screen, reader.box);
        ASSERT_TRUE(names);
        QStringList items;
        for (int i = 0; i < names->count(); ++i) {
            items << names->itemText(i);
        }
        EXPECT_EQ(items, (QStringList{QStringLiteral("佐藤"), QString()}));
        fixture.registry().closeScreen(QString::fromLatin1(reader.screen));
        ProgramFixture::settle();
    }

    open();
    EXPECT_EQ(shown(), "#1 '佐藤' bar 1/2") << "opening again reads the saved list";
}

TEST_P(EditorScreen, DeletingTheLastSlotLandsOnTheNewLastSlot) {
    fixture.data().write(editor().file, records({"a", "b", "c"}));
    open();
    moveBar(Qt::Key_End);
    EXPECT_EQ(shown(), "#3 'c' bar 3/3");
    press("CmdDel");
    EXPECT_EQ(shown(), "#2 'b' bar 2/2");
    press("CmdRt");
    EXPECT_TRUE(sameBytes(records({"a", "b"}), file()));
}

TEST_P(EditorScreen, ClosingTheWindowSavesNothing) {
    fixture.data().write(editor().file, records({"a"}));
    open();
    type(QStringLiteral("b"));
    press("CmdTuika");
    EXPECT_EQ(shown(), "#1 'b' bar 1/2");
    screen()->close();
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen());
    EXPECT_TRUE(sameBytes(records({"a"}), file()));
}

TEST_P(EditorScreen, NamesTheFilesCannotHoldAreRefusedAndKeptInTheBox) {
    // Each refused name, and what its message must point at.
    std::vector<std::pair<QString, QString>> refused{
        {QStringLiteral("山\"田"), QStringLiteral("二重引用符")},
        {QStringLiteral("김"), QStringLiteral("「김」")},  // not in code page 932
    };
    if (std::string_view(editor().screen) == kRecipientEditor.screen) {
        refused.emplace_back(QStringLiteral("a/b"), QStringLiteral("「a/b」"));  // no message file could have this name
    }
    fixture.data().copyFixture("names/reporters.txt", editor().file);
    const std::string before = file();
    open();
    for (const auto& [name, pointsAt] : refused) {
        SCOPED_TRACE(name.toStdString());
        fixture.messageBoxes().clear();
        type(name);
        press("CmdTuika");
        ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
        EXPECT_TRUE(fixture.messageBoxes().last().contains(pointsAt)) << fixture.messageBoxes().last().toStdString();
        EXPECT_EQ(box()->text(), name);
        EXPECT_EQ(control<QLabel>("LblNo")->text(), QStringLiteral("1"));

        moveBar(Qt::Key_Right);
        EXPECT_EQ(fixture.messageBoxes().texts().size(), 2);
        EXPECT_EQ(box()->text(), name);
        EXPECT_EQ(bar()->value(), 1) << "the bar returns to the slot still shown";
        EXPECT_EQ(control<QLabel>("LblNo")->text(), QStringLiteral("1"));
    }
    press("CmdRt");
    EXPECT_TRUE(sameBytes(before, file()));
}

TEST(ReporterEditor, AcceptsASlashThatOnlyARecipientNameCannotHold) {
    ProgramFixture fixture;
    fixture.click("FrmMein", "CmdTouroku");
    auto* box = fixture.control<QLineEdit>("FrmTouroku", "TxtNeme");
    commitText(box, QStringLiteral("営業部/田中"));
    fixture.click("FrmTouroku", "CmdTuika");
    fixture.click("FrmTouroku", "CmdRt");
    EXPECT_TRUE(fixture.messageBoxes().texts().isEmpty());
    EXPECT_TRUE(sameBytes(records({"営業部/田中", ""}), fixture.data().read("callpadRT.txt")));
}

TEST_P(EditorScreen, TwentiethNameOpensNoSlotAndSaysSo) {
    std::vector<std::string> names;
    for (int i = 1; i <= 20; ++i) {
        names.push_back("名" + std::to_string(i));
    }
    fixture.data().write(editor().file, records(names));
    open();
    moveBar(Qt::Key_End);
    EXPECT_EQ(shown(), "#20 '名20' bar 20/20");
    type(QStringLiteral("新"));
    press("CmdTuika");
    EXPECT_EQ(shown(), "#20 '新' bar 20/20");
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("20件")));
    press("CmdRt");
    names.back() = "新";
    EXPECT_TRUE(sameBytes(records(names), file()));
}

TEST_P(EditorScreen, NamesBeyondTheTwentiethAreAnnouncedAndWrittenBack) {
    fixture.data().copyFixture("names/twenty-one-names.txt", editor().file);
    const std::string original = file();
    open();
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("21件")));
    EXPECT_EQ(shown(), "#1 '名前1' bar 1/20");
    press("CmdRt");
    EXPECT_TRUE(sameBytes(original, file())) << "all 21 names are written back";

    // The 21st name follows the 20 edited ones: deleting the first leaves 20 lines then the 21st.
    open();
    press("CmdDel");
    EXPECT_EQ(shown(), "#1 '名前2' bar 1/19");
    press("CmdRt");
    EXPECT_TRUE(sameBytes(original.substr(original.find('\n') + 1), file()));
}

TEST_P(EditorScreen, ListFileThatCannotBeReadWholeIsReportedAndNeverWritten) {
    const std::string damaged = "\x22\x85\x40\x22\r\n";
    fixture.data().write(editor().file, damaged);
    open();
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QStringLiteral("保存されません")));
    type(QStringLiteral("a"));
    press("CmdTuika");
    press("CmdRt");
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen()) << "戻る still returns to the menu";
    EXPECT_TRUE(sameBytes(damaged, file()));
    EXPECT_EQ(fixture.messageBoxes().texts().size(), 1);
}

TEST_P(EditorScreen, ListFileThatCannotBeOpenedIsReportedAndNotReplaced) {
    // A folder in the file's place: the read fails like an unreadable file.
    const auto inTheWay = fixture.data().root() / editor().file;
    std::filesystem::create_directories(inTheWay);
    open();
    ASSERT_EQ(fixture.messageBoxes().texts().size(), 1);
    EXPECT_TRUE(fixture.messageBoxes().last().contains(QString::fromLatin1(editor().file)));
    EXPECT_EQ(shown(), "#1 '' bar 1/1");
    press("CmdRt");
    ProgramFixture::settle();
    EXPECT_FALSE(isOpen());
    EXPECT_EQ(fixture.messageBoxes().texts().size(), 1)
        << "戻る only returns: " << fixture.messageBoxes().last().toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(inTheWay));
}

}  // namespace
}  // namespace callpad
