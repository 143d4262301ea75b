#pragma once

#include "ui/Screen.h"

class QComboBox;

namespace callpad {

// The recipient selection screen: "私は [name] です". The viewer's load takes the name from CmbKaku.
class FrmUkekaku : public ui::Screen {
    Q_OBJECT
public:
    explicit FrmUkekaku(ui::ScreenContext& context);

    void Form_Load() override;
    void CmdNext_Click();
    void CmdRt_Click();

private:
    QComboBox* m_cmbKaku;
};

}  // namespace callpad
