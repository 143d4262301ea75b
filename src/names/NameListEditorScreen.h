#pragma once

#include <QString>

#include "names/NameListEditor.h"
#include "ui/Screen.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace callpad {

// What differs between the reporter list editor and the recipient list editor.
struct NameListEditorLook {
    const char* screenName;
    NameListEditor::Kind kind;
    QString caption;
    QString listName;  // how the messages name the list
    unsigned background;
    unsigned buttonColour;
    int buttonTop;
    int scrollTop;
    int instructionWidth;
};

// FrmTouroku and FrmUkesha: one slot of a name list at a time, moved with the scroll bar, saved on
// 戻る. The list logic is NameListEditor; this screen shows its slot and mirrors its scroll bar.
class NameListEditorScreen : public ui::Screen {
    Q_OBJECT
public:
    NameListEditorScreen(ui::ScreenContext& context, const NameListEditorLook& look);

    static const NameListEditorLook kReporters;
    static const NameListEditorLook kRecipients;

    void Form_Load() override;
    void CmdTuika_Click();
    void HScBN_Change();
    void CmdDel_Click();
    void CmdRt_Click();

private:
    void showEntry();
    void mirrorScrollBar();

    NameListEditorLook m_look;
    NameListEditor m_model;
    QLabel* m_lblNo;
    QLineEdit* m_txtNeme;
    QScrollBar* m_hscBN;
};

}  // namespace callpad
