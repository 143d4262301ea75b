#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <algorithm>
#include <cmath>
#include <utility>

#include <gtest/gtest.h>

#include "records/FileError.h"
#include "support/ProgramFixture.h"
#include "ui/Controls.h"
#include "ui/Handlers.h"

namespace callpad {
namespace {

// Opening an open screen only brings it forward; closed and opened again, it loads again (each load
// announces the list's 21st name). 戻る after the menu was closed brings a new menu.
TEST(Registry, OpensEachScreenOnceAndBackBringsAMenu) {
    test::ProgramFixture program;
    program.data().copyFixture("names/twenty-one-names.txt", "callpadRT.txt");
    const auto open = [&] { return program.registry().OpenScreen(QStringLiteral("FrmTouroku")); };
    ui::Screen* first = open();
    EXPECT_EQ(open(), first);
    EXPECT_TRUE(program.said(1));
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(program.screen("FrmMein")->isVisible());
    first->close();
    test::ProgramFixture::settle();
    EXPECT_FALSE(program.isOpen("FrmTouroku"));
    open();
    EXPECT_TRUE(program.said(2));

    program.screen("FrmMein")->close();
    test::ProgramFixture::settle();
    EXPECT_FALSE(program.isOpen("FrmMein"));
    program.click("FrmTouroku", "CmdRt");
    test::ProgramFixture::settle();
    EXPECT_FALSE(program.isOpen("FrmTouroku"));
    ASSERT_TRUE(program.isOpen("FrmMein"));
    EXPECT_TRUE(program.screen("FrmMein")->isVisible());
}

// FileMessagesTest has the texts.
TEST(Registry, AFailingHandlerIsReportedAndTheProgramGoesOn) {
    test::ProgramFixture program;
    ui::runHandler(program.screen("FrmMein"),
                   [] { throw FileError(FileOperation::Write, ENOSPC, "c:\\callpadRT.txt"); });
    EXPECT_TRUE(program.said(1, {"ファイル c:\\callpadRT.txt を書き込めません。"}));
    EXPECT_TRUE(program.isOpen("FrmMein"));
}

const char* const kScreens[] = {"FrmMein", "Frmrenraku", "FrmUkekaku", "Frmrenuke", "FrmTouroku", "FrmUkesha"};

// Enter, the keypad's Enter and Space press the focused button of every screen, as in every Windows
// program. The buttons' handlers are cut off, so that only the press is counted.
TEST(Screens, EnterPressesTheFocusedButtonOfEveryScreen) {
    test::ProgramFixture program;
    int buttons = 0;
    for (const char* name : kScreens) {
        ui::Screen* screen = program.registry().OpenScreen(QString::fromLatin1(name));
        for (QPushButton* button : screen->findChildren<QPushButton*>()) {
            SCOPED_TRACE(std::string(name) + "." + button->objectName().toStdString());
            QObject::disconnect(button, &QPushButton::clicked, nullptr, nullptr);
            const QSignalSpy clicks(button, &QPushButton::clicked);
            button->setFocus();
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
                QTest::keyClick(button, key);
            }
            EXPECT_EQ(clicks.count(), 3);
            ++buttons;
        }
    }
    EXPECT_EQ(buttons, 5 + 3 + 2 + 3 + 3 + 3);
}

// The contrast ratio of two colours, 1 to 21, as accessibility guidelines measure it.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double lighter = std::max(luminance(a), luminance(b));
    const double darker = std::min(luminance(a), luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

// The colour a widget's text stands on: its own background, or for a label, an option button, a check
// box or a frame that does not fill its background, what shows through it.
QColor shownBackground(const QWidget* widget) {
    const bool seeThrough = qobject_cast<const QLabel*>(widget) || qobject_cast<const QRadioButton*>(widget) ||
                            qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QGroupBox*>(widget);
    if (seeThrough && !widget->autoFillBackground() && widget->parentWidget()) {
        return shownBackground(widget->parentWidget());
    }
    return widget->palette().color(widget->backgroundRole());
}

// Under a dark palette, as newer systems give in dark mode or with a contrast theme, every text stays
// readable: the program's own background colours bring dark text with them.
TEST(Screens, EveryTextStaysReadableUnderADarkPalette) {
    const QPalette original = QApplication::palette();
    QPalette dark;
    for (const auto& [role, colour] : {std::pair{QPalette::Window, 0x202020},
                                       {QPalette::WindowText, 0xF0F0F0},
                                       {QPalette::Base, 0x101010},
                                       {QPalette::Text, 0xF0F0F0},
                                       {QPalette::Button, 0x303030},
                                       {QPalette::ButtonText, 0xF0F0F0}}) {
        dark.setColor(role, QColor::fromRgb(static_cast<QRgb>(colour)));
    }
    QApplication::setPalette(dark);
    {
        test::ProgramFixture program;
        for (const char* name : kScreens) {
            ui::Screen* screen = program.registry().OpenScreen(QString::fromLatin1(name));
            for (const QWidget* widget : screen->findChildren<QWidget*>()) {
                const QPalette& colours = widget->palette();
                EXPECT_GE(contrast(shownBackground(widget), colours.color(widget->foregroundRole())), 4.5)
                    << name << "." << widget->objectName().toStdString() << " (" << widget->metaObject()->className()
                    << ")";
            }
        }
    }
    QApplication::setPalette(original);
}

// A window that moves to a monitor of another scale fits its captions anew: here the face grows as a
// larger scale's rounding would make it, and the caption is narrowed to fit again; back at the old
// size it is shown in the plain face again.
TEST(Screens, CaptionsAreFittedAnewForAnotherScale) {
    test::ProgramFixture program;
    auto* report = program.control<QPushButton>("FrmMein", "CmdHoukoku");
    ASSERT_EQ(report->font().stretch(), QFont::Unstretched);
    const QFont plain = report->font();
    QFont wider = plain;
    wider.setPointSizeF(plain.pointSizeF() * 1.3);
    report->setFont(wider);
    ui::refitCaptions(program.screen("FrmMein"));
    EXPECT_LT(report->font().stretch(), QFont::Unstretched);
    report->setFont(plain);
    ui::refitCaptions(program.screen("FrmMein"));
    EXPECT_EQ(report->font().stretch(), QFont::Unstretched);
}

TEST(Menu, HasItsCaptionSizeColoursPlacesAndButtonsInKeyboardOrder) {
    test::ProgramFixture program;
    ui::Screen* menu = program.screen("FrmMein");
    EXPECT_EQ(menu->windowTitle(), QStringLiteral("コールパッド"));
    EXPECT_EQ(menu->size(), QSize(428, 231));
    EXPECT_EQ(menu->palette().color(QPalette::Window).rgb() & 0xFFFFFF, 0xC0D3E2u);
    auto* exit = program.control<QPushButton>("FrmMein", "Command4");
    EXPECT_EQ(exit->geometry(), QRect(264, 128, 105, 65));
    EXPECT_EQ(exit->palette().color(QPalette::Button).rgb() & 0xFFFFFF, 0xE0E0E0u);
    EXPECT_EQ(program.control<QPushButton>("FrmMein", "Command2")->palette().color(QPalette::Button).rgb() & 0xFFFFFF,
              0xFFFF00u);
    EXPECT_TRUE(exit->font().families().contains(QStringLiteral("IPAPGothic")));
    // The focus starts on the first button, and Tab visits them in this order.
    const char* const order[][2] = {{"CmdHoukoku", "報告する"},
                                    {"Command2", "報告確認"},
                                    {"CmdTouroku", "報告者登録"},
                                    {"Command4", "終了"},
                                    {"CmdUketo", "受取者登録"}};
    QStringList names;
    for (const auto& [name, caption] : order) {
        auto* button = program.control<QPushButton>("FrmMein", name);
        ASSERT_TRUE(button) << name;
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
        names << QString::fromLatin1(name);
    }
    EXPECT_EQ(menu->focusWidget(), program.control<QPushButton>("FrmMein", order[0][0]));
    EXPECT_EQ(test::ProgramFixture::tabOrder(menu, 4), names);
}

TEST(Menu, ExitClosesEveryScreen) {
    test::ProgramFixture program;
    program.click("FrmMein", "CmdHoukoku");
    program.click("FrmMein", "Command4");
    test::ProgramFixture::settle();
    EXPECT_FALSE(program.isOpen("FrmMein"));
    EXPECT_FALSE(program.isOpen("Frmrenraku"));
    EXPECT_EQ(program.data().listing(), "");
}

}  // namespace
}  // namespace callpad
