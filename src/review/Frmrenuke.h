#pragma once

#include "export/Workbook.h"
#include "review/MessageViewer.h"
#include "ui/Screen.h"

class QCheckBox;
class QLabel;
class QScrollBar;

namespace callpad {

namespace ui {
class MultiLineTextBox;
}

// The message viewer: one recipient's messages, one at a time, newest first, with deletion and the
// export to "c:\callpad.xls". The logic is MessageViewer; this screen copies its values to the controls.
class Frmrenuke : public ui::Screen {
    Q_OBJECT
public:
    explicit Frmrenuke(ui::ScreenContext& context);

    void Form_Load() override;
    void HSclNo_Change();
    void CmdDel_Click();
    void CmdEx_Click();
    void Cmdend_Click();

private:
    void Kakikomi();
    void SetScroll();

    MessageViewer m_viewer;
    // The embedded worksheet (OLE1): empty at each opening, it keeps earlier exports' cells while the
    // viewer stays open.
    Workbook m_workbook;

    QLabel* m_lblUkeNe;
    QLabel* m_lblDtnai;
    QLabel* m_lblAitena;
    QLabel* m_lblTanna;
    QLabel* m_lblDate;
    QLabel* m_lblTime;
    QCheckBox* m_chkTelyn;
    QLabel* m_lblAitelno;
    ui::MultiLineTextBox* m_txtRenjih;
    QLabel* m_lblkigen3;
    QLabel* m_lblHosh2;
    QScrollBar* m_hsclNo;
};

}  // namespace callpad
