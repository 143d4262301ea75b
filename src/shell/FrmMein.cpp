#include "shell/FrmMein.h"

#include "ui/Controls.h"
#include "ui/Handlers.h"
#include "ui/ScreenRegistry.h"

namespace callpad {

using namespace ui;

FrmMein::FrmMein(ScreenContext& context) : Screen(context, "FrmMein") {
    setUpScreen(this, QStringLiteral("コールパッド"), 6420, 3465, kBlueGrey, 14.25);
    addLabel(this, "Label1", QStringLiteral("コールパッドＶ0.01"), {360, 120, 2535, 375}, 18);
    m_cmdHoukoku = addButton(this, "CmdHoukoku", QStringLiteral("報告する"), {360, 720, 1575, 1095}, 14.25, kYellow);
    auto* command2 = addButton(this, "Command2", QStringLiteral("報告確認"), {2160, 720, 1575, 1095}, 14.25, kYellow);
    auto* cmdTouroku =
        addButton(this, "CmdTouroku", QStringLiteral("報告者登録"), {360, 1920, 1575, 975}, 14.25, kLightGreen);
    auto* command4 = addButton(this, "Command4", QStringLiteral("終了"), {3960, 1920, 1575, 975}, 14.25, kLightGrey);
    auto* cmdUketo =
        addButton(this, "CmdUketo", QStringLiteral("受取者登録"), {2160, 1920, 1575, 975}, 14.25, kLightGreen);
    chainFocus({m_cmdHoukoku, command2, cmdTouroku, command4, cmdUketo});
    m_cmdHoukoku->setFocus();

    connectHandler(m_cmdHoukoku, &QPushButton::clicked, this, &FrmMein::CmdHoukoku_Click);
    connectHandler(command2, &QPushButton::clicked, this, &FrmMein::Command2_Click);
    connectHandler(cmdTouroku, &QPushButton::clicked, this, &FrmMein::CmdTouroku_Click);
    connectHandler(cmdUketo, &QPushButton::clicked, this, &FrmMein::CmdUketo_Click);
    connectHandler(command4, &QPushButton::clicked, this, &FrmMein::Command4_Click);
}

void FrmMein::CmdHoukoku_Click() {
    context().registry.OpenScreen(QStringLiteral("Frmrenraku"));
}

void FrmMein::Command2_Click() {
    context().registry.OpenScreen(QStringLiteral("FrmUkekaku"));
}

void FrmMein::CmdTouroku_Click() {
    context().registry.OpenScreen(QStringLiteral("FrmTouroku"));
}

void FrmMein::CmdUketo_Click() {
    context().registry.OpenScreen(QStringLiteral("FrmUkesha"));
}

void FrmMein::Command4_Click() {
    context().registry.endProgram();
}

}  // namespace callpad
