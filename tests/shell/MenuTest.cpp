#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "support/ProgramFixture.h"

namespace callpad {
namespace {

struct MenuButton {
    const char* name;
    const char* caption;
    QRect pixels;
    QRgb colour;
};

// The menu's buttons in keyboard order, with their rectangles (twips / 15) and colours.
const MenuButton kButtons[] = {
    {"CmdHoukoku", "報告する", {24, 48, 105, 73}, 0xFFFF00},    {"Command2", "報告確認", {144, 48, 105, 73}, 0xFFFF00},
    {"CmdTouroku", "報告者登録", {24, 128, 105, 65}, 0x80FF80}, {"Command4", "終了", {264, 128, 105, 65}, 0xE0E0E0},
    {"CmdUketo", "受取者登録", {144, 128, 105, 65}, 0x80FF80},
};

TEST(Menu, ShowsItsCaptionColoursAndLayout) {
    test::ProgramFixture program;
    ui::Screen* menu = program.screen("FrmMein");
    EXPECT_EQ(menu->windowTitle(), QStringLiteral("コールパッド"));
    EXPECT_EQ(menu->size(), QSize(428, 231));
    EXPECT_EQ(menu->palette().color(QPalette::Window).rgb() & 0xFFFFFF, 0xC0D3E2u);

    auto* label = program.control<QLabel>("FrmMein", "Label1");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), QStringLiteral("コールパッドＶ0.01"));
    EXPECT_EQ(label->geometry(), QRect(24, 8, 169, 25));
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 18);

    for (const auto& expected : kButtons) {
        SCOPED_TRACE(expected.name);
        auto* button = program.control<QPushButton>("FrmMein", expected.name);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->text(), QString::fromUtf8(expected.caption));
        EXPECT_EQ(button->geometry(), expected.pixels);
        EXPECT_EQ(button->palette().color(QPalette::Button).rgb() & 0xFFFFFF, expected.colour);
        EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 14.25);
        EXPECT_TRUE(button->font().families().contains(QStringLiteral("IPAPGothic")));
    }
}

TEST(Menu, FocusStartsOnTheFirstButtonAndFollowsTheKeyboardOrder) {
    test::ProgramFixture program;
    auto* first = program.control<QPushButton>("FrmMein", "CmdHoukoku");
    ASSERT_TRUE(first);
    EXPECT_EQ(program.screen("FrmMein")->focusWidget(), first);
    QWidget* widget = first;
    for (const auto& expected : kButtons) {
        SCOPED_TRACE(expected.name);
        EXPECT_EQ(widget->objectName(), QString::fromLatin1(expected.name));
        do {
            widget = widget->nextInFocusChain();
        } while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(widget, first);
}

TEST(Menu, ExitClosesEveryScreen) {
    test::ProgramFixture program;
    program.click("FrmMein", "CmdHoukoku");
    program.click("FrmMein", "Command4");
    test::ProgramFixture::settle();
    EXPECT_EQ(program.registry().find(QStringLiteral("FrmMein")), nullptr);
    EXPECT_EQ(program.registry().find(QStringLiteral("Frmrenraku")), nullptr);
    EXPECT_EQ(program.data().listing(), "");
}

}  // namespace
}  // namespace callpad
