#pragma once

#include <string_view>

#include "messages/MessageEntry.h"
#include "names/NameList.h"
#include "ui/Screen.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace callpad {

namespace ui {
class MultiLineTextBox;
}

// The message entry screen: records a telephone message in the recipient's message file.
class Frmrenraku : public ui::Screen {
    Q_OBJECT
public:
    explicit Frmrenraku(ui::ScreenContext& context);

    void Form_Load() override;
    void Cmdsave_Click();
    void CmdNext_Click();
    void Cmdend_Click();

private:
    // Empty texts, "ありました" selected; the item lists stay.
    void clearInputs();
    MessageEntry currentEntry() const;

    QLineEdit* m_txtaite;
    QLineEdit* m_txttantou;
    QRadioButton* m_optn;
    QRadioButton* m_opty;
    QLineEdit* m_txttelno;
    ui::MultiLineTextBox* m_txthoukoku;
    QComboBox* m_cmbkigen;
    QComboBox* m_cmbhosh;
    QComboBox* m_cmbUke;
};

}  // namespace callpad
