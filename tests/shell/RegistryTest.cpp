#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "support/ProgramFixture.h"
#include "ui/Look.h"

namespace callpad {
namespace {

class Screens : public ::testing::Test, protected test::ProgramFixture {};

// 戻る after the menu was closed brings a new menu; 終了 closes every screen. (Opening an open screen only
// brings it forward: ReviewScreens shows it.)
TEST_F(Screens, BackBringsAMenuAndExitClosesEveryScreen) {
    click("FrmMein", "CmdTouroku");
    screen("FrmMein")->close();
    settle();
    click("FrmTouroku", "CmdRt");
    EXPECT_FALSE(isOpen("FrmTouroku"));
    EXPECT_TRUE(screen("FrmMein")->isVisible());
    click("FrmMein", "CmdHoukoku");
    click("FrmMein", "Command4");
    EXPECT_FALSE(isOpen("FrmMein") || isOpen("Frmrenraku"));
}

const char* const kScreens[] = {"FrmMein", "Frmrenraku", "FrmUkekaku", "Frmrenuke", "FrmTouroku", "FrmUkesha"};

// The contrast ratio of two colours, 1 to 21, as accessibility guidelines measure it.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF()) + 0.05;
    };
    const auto [dark, light] = std::minmax({luminance(a), luminance(b)});  // values, not references
    return light / dark;
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
// readable: the program's own background colours bring dark text with them. Enter, the keypad's Enter
// and Space press the focused button of every screen, as in every Windows program; the buttons' handlers
// are cut off, so that only the press is counted.
TEST(AllScreens, EveryTextStaysReadableUnderADarkPaletteAndEnterPressesTheFocusedButton) {
    const QPalette original = QApplication::palette();
    // Light text on dark backgrounds, as QPalette derives them from a dark window colour.
    QApplication::setPalette(QPalette(QColor(0x303030), QColor(0x202020)));
    {
        test::ProgramFixture program;
        for (const char* name : kScreens) {
            ui::Screen* screen = program.registry().OpenScreen(QString::fromLatin1(name));
            for (QWidget* widget : screen->findChildren<QWidget*>()) {
                SCOPED_TRACE(std::string(name) + "." + widget->objectName().toStdString() + " (" +
                             widget->metaObject()->className() + ")");
                EXPECT_GE(contrast(shownBackground(widget), widget->palette().color(widget->foregroundRole())), 4.5);
                if (auto* button = qobject_cast<QPushButton*>(widget)) {
                    QObject::disconnect(button, &QPushButton::clicked, nullptr, nullptr);
                    const QSignalSpy clicks(button, &QPushButton::clicked);
                    button->setFocus();
                    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
                        QTest::keyClick(button, key);
                    }
                    EXPECT_EQ(clicks.count(), 3);
                }
            }
        }
    }
    QApplication::setPalette(original);
}

// Each screen's caption, size, background and tab order, which starts on the control that has the focus
// at the start; every control's place (in its parent), some captions and colours; the labels whose access
// keys lead to a box; the captions fitted anew on another monitor.
TEST_F(Screens, HaveTheirCaptionsSizesColoursPlacesAndTabOrder) {
    // Each screen's name, caption, size, background and tab order.
    const std::tuple<const char*, const char*, QSize, unsigned, const char*> screens[] = {
        {"FrmMein", "コールパッド", QSize(428, 231), 0xC0D3E2, "CmdHoukoku Command2 CmdTouroku Command4 CmdUketo"},
        {"Frmrenraku", "連絡", QSize(406, 377), 0xC0D3E2,
         "Txtaite Txttantou Optn Txttelno Txthoukoku Cmbkigen Cmbhosh Cmdsave CmdNext Cmdend CmbUke"},
        {"Frmrenuke", "連絡管理", QSize(411, 464), 0xC0D3E2, "TxtRenjih Cmdend CmdEx HSclNo CmdDel"},
        {"FrmUkekaku", "受取者確認", QSize(312, 213), 0xFFFFC0, "CmbKaku CmdNext CmdRt"},
        {"FrmTouroku", "報告者登録", QSize(331, 218), 0xC0D3E2, "CmdRt TxtNeme HScBN CmdDel CmdTuika"},
        {"FrmUkesha", "報告受取者登録", QSize(331, 218), 0xA6DDA6, "CmdRt TxtNeme HScBN CmdDel CmdTuika"},
    };
    // Controls' screen, name, place, caption (nullptr: none to check) and one colour (NoRole: none).
    const std::tuple<const char*, const char*, ui::Twips, const char*, QPalette::ColorRole, unsigned> controls[] = {
        {"FrmMein", "CmdHoukoku", {360, 720, 1575, 1095}, "報告する", QPalette::Button, 0xFFFF00},
        {"FrmMein", "Command2", {2160, 720, 1575, 1095}, "報告確認", QPalette::Button, 0xFFFF00},
        {"FrmMein", "CmdTouroku", {360, 1920, 1575, 975}, "報告者登録", QPalette::Button, 0x80FF80},
        {"FrmMein", "Command4", {3960, 1920, 1575, 975}, "終了", QPalette::Button, 0xE0E0E0},
        {"FrmMein", "CmdUketo", {2160, 1920, 1575, 975}, "受取者登録", QPalette::Button, 0x80FF80},
        {"Frmrenraku", "Txthoukoku", {120, 2880, 5655, 735}, nullptr, QPalette::Base, 0xFFFFFF},
        {"Frmrenraku", "Opty", {960, 720, 1575, 375}, "してください", QPalette::NoRole, 0},
        {"Frmrenraku", "Cmdsave", {240, 4320, 1575, 495}, "登録(&S)", QPalette::Button, 0xE0E0E0},
        {"Frmrenraku", "Cmbhosh", {4080, 3720, 1455, 405}, nullptr, QPalette::Base, 0xFFFFFF},
        {"FrmTouroku", "LblNo", {480, 480, 975, 615}, nullptr, QPalette::Window, 0xC0D3E2},
        {"FrmTouroku", "CmdDel", {1800, 1320, 1215, 495}, "削除", QPalette::Button, 0xE0E0E0},
        {"FrmTouroku", "HScBN", {480, 2040, 3855, 495}, nullptr, QPalette::NoRole, 0},
        {"FrmUkesha", "LblNo", {480, 480, 975, 615}, nullptr, QPalette::Window, 0xA6DDA6},
        {"FrmUkesha", "CmdDel", {1800, 1200, 1215, 495}, "削除", QPalette::Button, 0x80FFFF},
        {"FrmUkesha", "HScBN", {480, 1920, 3855, 495}, nullptr, QPalette::NoRole, 0},
    };
    const char* const buddies[][3] = {{"Frmrenraku", "Lblaine", "Txtaite"},   {"Frmrenraku", "Lbltantou", "Txttantou"},
                                      {"Frmrenraku", "Label1", "Txttelno"},   {"Frmrenraku", "Label6", "Txthoukoku"},
                                      {"Frmrenraku", "Lblkigen", "Cmbkigen"}, {"Frmrenraku", "Lblhosh", "Cmbhosh"},
                                      {"Frmrenraku", "Label2", "CmbUke"},     {"Frmrenuke", "Lblaine", "TxtRenjih"},
                                      {"FrmUkekaku", "Label1", "CmbKaku"}};
    for (const auto& [name, caption, size, background, tabs] : screens) {
        SCOPED_TRACE(name);
        ui::Screen* window = registry().OpenScreen(QString::fromLatin1(name));
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(caption));
        EXPECT_EQ(window->size(), size);
        EXPECT_EQ(window->palette().color(QPalette::Window), ui::rgb(background));
        const QStringList order = QString::fromLatin1(tabs).split(' ');
        EXPECT_EQ(tabOrder(window, static_cast<int>(order.size())), order + order.mid(0, 1));
    }
    for (const auto& [name, controlName, place, caption, role, colour] : controls) {  // every screen is still open
        SCOPED_TRACE(std::string(name) + "." + controlName);
        auto* widget = control<QWidget>(name, controlName);
        EXPECT_EQ(widget->geometry(), place.toPixels());
        if (caption) {
            EXPECT_EQ(widget->property("text").toString(), QString::fromUtf8(caption));
        }
        if (role != QPalette::NoRole) {
            EXPECT_EQ(widget->palette().color(role), ui::rgb(colour));
        }
    }
    // The place of every other control, in twips: its name, left, top, width and height, by screen.
    const std::pair<const char*, const char*> places[] = {
        {"FrmMein", "Label1 360 120 2535 375"},
        {"Frmrenraku",
         "Lbltaitoru 480 240 2175 375 Lblaine 120 1200 1095 255 Txtaite 1320 1200 1695 375 "
         "Lbltantou 120 1680 1215 255 Txttantou 1320 1680 1695 375 "
         "tlptel 3240 960 2655 1215 Lbltelt 120 480 855 495 Optn 960 360 1575 375 "
         "Label1 1440 2400 1815 375 Txttelno 3360 2280 2415 495 Label6 120 2520 1215 255 "
         "Lblkigen 120 3840 735 375 Cmbkigen 840 3720 1335 405 Lblkigen2 2280 3840 735 375 "
         "Lblhosh 3000 3840 975 375 CmdNext 1920 4320 1335 495 Cmdend 3360 4320 1215 495 "
         "Label2 3000 360 855 375 CmbUke 3840 360 1575 405"},
        {"FrmUkekaku",
         "Label1 480 720 735 495 CmbKaku 1320 600 1695 405 Label2 3120 720 855 495 "
         "CmdNext 600 1800 1575 735 CmdRt 2520 1800 1455 735"},
        {"Frmrenuke",
         "Lbltaitoru 360 240 2655 375 Label2 240 720 1215 375 LblUkeNe 1680 720 1095 375 "
         "Label4 2880 720 855 375 Label1 3840 720 855 255 LblDtnai 4920 600 1095 375 "
         "Lblaine 240 1320 1095 255 LblAitena 1440 1200 1815 405 "
         "Lbltantou 240 1800 1215 255 LblTanna 1440 1680 1815 375 "
         "LblUkebi 3600 1320 855 255 LblDate 4680 1200 1215 375 LblUkeji 3600 1800 975 255 "
         "LblTime 4680 1680 1215 375 LblRen 240 2475 975 375 ChkTelyn 1200 2400 1095 375 "
         "LblAitel 2520 2280 1575 375 LblAitelno 2520 2640 3135 495 "
         "LblRenji 360 3000 1215 255 TxtRenjih 240 3360 5655 1335 "
         "Lblkigen 240 4920 735 375 Lblkigen3 960 4920 1215 495 "
         "Lblkigen2 2400 4920 735 375 Lblhosh 3240 4920 975 375 "
         "LblHosh2 4200 4920 1575 495 HSclNo 360 5640 5535 495 CmdDel 960 6360 1095 495 "
         "CmdEx 2400 6360 1095 495 Cmdend 3840 6360 1095 495"},
        {"FrmTouroku",
         "TxtNeme 1680 360 2655 735 CmdTuika 480 1320 1215 495 CmdRt 3120 1320 1215 495 "
         "Label1 360 2640 4455 495"},
        {"FrmUkesha",
         "TxtNeme 1680 360 2655 735 CmdTuika 480 1200 1215 495 CmdRt 3120 1200 1215 495 "
         "Label1 360 2640 4335 495"},
    };
    for (const auto& [name, list] : places) {
        const QStringList words = QString::fromLatin1(list).split(' ');
        for (qsizetype i = 0; i + 4 < words.size(); i += 5) {
            const ui::Twips place{words[i + 1].toInt(), words[i + 2].toInt(), words[i + 3].toInt(),
                                  words[i + 4].toInt()};
            EXPECT_EQ(control<QWidget>(name, qPrintable(words[i]))->geometry(), place.toPixels())
                << name << "." << words[i].toStdString();
        }
    }
    for (const auto& [name, label, box] : buddies) {
        EXPECT_EQ(control<QLabel>(name, label)->buddy(), control<QWidget>(name, box)) << label;
    }
    EXPECT_EQ(control<QWidget>("Frmrenraku", "Opty")->parentWidget()->objectName(), QStringLiteral("tlptel"));
    EXPECT_TRUE(control<QWidget>("FrmMein", "Command4")->font().families().contains(QStringLiteral("IPAPGothic")));

    // A window that moves to a monitor of another scale fits its captions anew: here the face grows as a
    // larger scale's rounding would make it, and the caption is narrowed to fit again; back at the old
    // size it is shown in the plain face again.
    auto* report = control<QPushButton>("FrmMein", "CmdHoukoku");
    const QFont plain = report->font();
    ASSERT_EQ(plain.stretch(), QFont::Unstretched);
    QWindow* window = screen("FrmMein")->windowHandle();
    for (const double scale : {1.3, 1.0}) {
        QFont font = plain;
        font.setPointSizeF(plain.pointSizeF() * scale);
        report->setFont(font);
        emit window->screenChanged(window->screen());
        EXPECT_EQ(report->font().stretch() < QFont::Unstretched, scale > 1) << scale;
    }
}

}  // namespace
}  // namespace callpad
