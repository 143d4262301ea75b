#pragma once

#include "ui/Screen.h"

class QPushButton;

namespace callpad {

// The main menu: the first screen and the hub of all others.
class FrmMein : public ui::Screen {
    Q_OBJECT
public:
    explicit FrmMein(ui::ScreenContext& context);

    void CmdHoukoku_Click();
    void Command2_Click();
    void CmdTouroku_Click();
    void CmdUketo_Click();
    void Command4_Click();

private:
    QPushButton* m_cmdHoukoku;
};

}  // namespace callpad
