#include "review/Frmrenuke.h"

#include <QFontMetrics>
#include <QSignalBlocker>

#include <algorithm>
#include <stdexcept>

#include "export/MessageExport.h"
#include "ui/Controls.h"
#include "ui/Handlers.h"
#include "ui/MessageBox.h"
#include "ui/ScreenRegistry.h"

namespace callpad {

using namespace ui;

namespace {

const QString kSelectionScreen = QStringLiteral("FrmUkekaku");

// What the user is told when the file did not fit the table whole.
QString loadProblemText(const QString& file, const MessageLoad& loaded, int shown) {
    QStringList parts;
    if (loaded.recordsBeyondCapacity > 0) {
        parts << QStringLiteral(
                     "連絡ファイル %1 には%2件を超える連絡があります。\n"
                     "新しい方から%2件を表示します。削除しても、表示していない%3件はファイルに残ります。")
                     .arg(file, QString::number(MessageTable::kCapacity),
                          QString::number(loaded.recordsBeyondCapacity));
    }
    if (loaded.damaged) {
        parts << QStringLiteral(
                     "連絡ファイル %1 の一部が壊れていて読み込めません。\n"
                     "読み込めた%2件を表示します。壊れた部分を失わないよう、このファイルの連絡は削除できません。")
                     .arg(file, QString::number(shown));
    }
    return parts.join(QStringLiteral("\n\n"));
}

// Names a cell that is too long for the workbook: the message and field when it holds one of the
// current messages, else a row left over from an earlier export.
QString oversizedCellText(const CellAddress& cell, int messageCount, const QString& path) {
    const int headingIndex = cell.column - kExportFirstColumn;
    const bool messageCell = cell.row >= 2 && cell.row - 1 <= messageCount && headingIndex >= 0 &&
                             headingIndex < static_cast<int>(kExportHeadings.size());
    const QString limit = QString::number(kLongestCellText);
    if (messageCell) {
        return QStringLiteral(
                   "%1件目の連絡の「%2」が%3文字を超えているため、Excel ファイルに書き出せません"
                   "（セル %4）。\n%5 は保存していません。この連絡を削除すれば、残りを書き出せます。")
            .arg(QString::number(cell.row - 1), qtext(std::string(kExportHeadings[headingIndex])), limit,
                 qtext(cell.name()), path);
    }
    return QStringLiteral(
               "前回の書き出しで残ったセル %1 が%2文字を超えているため、Excel ファイルに書き出せません。\n"
               "%3 は保存していません。「戻る(R)」で閉じて開き直してから、もう一度「切取」を押してください。")
        .arg(qtext(cell.name()), limit, path);
}

}  // namespace

Frmrenuke::Frmrenuke(ScreenContext& context) : Screen(context, "Frmrenuke") {
    setUpScreen(this, QStringLiteral("連絡管理"), 6165, 6960, kBlueGrey, 14.25);
    addLabel(this, "Lbltaitoru", QStringLiteral("コールパッド管理"), {360, 240, 2655, 375}, 14.25);
    addLabel(this, "Label2", QStringLiteral("あなたは"), {240, 720, 1215, 375}, 14.25);
    m_lblUkeNe = addLabel(this, "LblUkeNe", QString(), {1680, 720, 1095, 375}, 14.25);
    addLabel(this, "Label4", QStringLiteral("です"), {2880, 720, 855, 375}, 14.25);
    addLabel(this, "Label1", QStringLiteral("データ数"), {3840, 720, 855, 255}, 11.25);
    m_lblDtnai = addLabel(this, "LblDtnai", QString(), {4920, 600, 1095, 375}, 14.25);
    auto* lblaine = addLabel(this, "Lblaine", QStringLiteral("相手先(&A)"), {240, 1320, 1095, 255}, 12);
    m_lblAitena = addValueLabel(this, "LblAitena", {1440, 1200, 1815, 405}, 11.25);
    auto* lbltantou = addLabel(this, "Lbltantou", QStringLiteral("担当者(&T)"), {240, 1800, 1215, 255}, 12);
    m_lblTanna = addValueLabel(this, "LblTanna", {1440, 1680, 1815, 375}, 11.25);
    addLabel(this, "LblUkebi", QStringLiteral("受付日"), {3600, 1320, 855, 255}, 12);
    m_lblDate = addValueLabel(this, "LblDate", {4680, 1200, 1215, 375}, 11.25);
    addLabel(this, "LblUkeji", QStringLiteral("受付時間"), {3600, 1800, 975, 255}, 12);
    m_lblTime = addValueLabel(this, "LblTime", {4680, 1680, 1215, 375}, 11.25);
    addLabel(this, "LblRen", QStringLiteral("連絡を"), {240, 2475, 975, 375}, 12);
    m_chkTelyn = addCheckBox(this, "ChkTelyn", QStringLiteral("要す"), {1200, 2400, 1095, 375}, 12);
    addLabel(this, "LblAitel", QStringLiteral("相手の電話番号"), {2520, 2280, 1575, 375}, 11.25);
    m_lblAitelno = addValueLabel(this, "LblAitelno", {2520, 2640, 3135, 495}, 12);
    auto* lblRenji = addLabel(this, "LblRenji", QStringLiteral("連絡事項"), {360, 3000, 1215, 255}, 12);
    m_txtRenjih = addMultiLineTextBox(this, "TxtRenjih", {240, 3360, 5655, 1335}, 12);
    addLabel(this, "Lblkigen", QStringLiteral("期限"), {240, 4920, 735, 375}, 12);
    m_lblkigen3 = addValueLabel(this, "Lblkigen3", {960, 4920, 1215, 495}, 12);
    addLabel(this, "Lblkigen2", QStringLiteral("まで"), {2400, 4920, 735, 375}, 12);
    addLabel(this, "Lblhosh", QStringLiteral("報告者"), {3240, 4920, 975, 375}, 12);
    m_lblHosh2 = addValueLabel(this, "LblHosh2", {4200, 4920, 1575, 495}, 12);
    m_hsclNo = addScrollBar(this, "HSclNo", {360, 5640, 5535, 495});
    auto* cmdDel = addButton(this, "CmdDel", QStringLiteral("削除"), {960, 6360, 1095, 495}, 14.25);
    auto* cmdEx = addButton(this, "CmdEx", QStringLiteral("切取"), {2400, 6360, 1095, 495}, 14.25);
    auto* cmdend = addButton(this, "Cmdend", QStringLiteral("戻る(&R)"), {3840, 6360, 1095, 495}, 14.25);

    // The recipient's name and the position are shown as typed, never read as markup.
    m_lblUkeNe->setTextFormat(Qt::PlainText);
    m_lblDtnai->setTextFormat(Qt::PlainText);

    // The check box and the content box only show the message: the box cannot be ticked, and the
    // content can be scrolled, selected and copied but not changed.
    m_chkTelyn->setFocusPolicy(Qt::NoFocus);
    m_chkTelyn->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_txtRenjih->setReadOnly(true);
    m_txtRenjih->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_txtRenjih->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtRenjih->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtRenjih->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setColour(m_txtRenjih, QPalette::Base, rgb(kLightGrey));
    // Three labels name the content box (two lend it their access keys); its own caption is its name.
    m_txtRenjih->setAccessibleName(lblRenji->text());
    m_hsclNo->setAccessibleName(QStringLiteral("表示する連絡の番号"));

    // Alt+A and Alt+T go to the next control in tab order that takes the focus: the content box.
    lblaine->setBuddy(m_txtRenjih);
    lbltantou->setBuddy(m_txtRenjih);
    lblRenji->setBuddy(m_txtRenjih);
    chainFocus({m_txtRenjih, cmdend, cmdEx, m_hsclNo, cmdDel});
    m_txtRenjih->setFocus();

    connectHandler(m_hsclNo, &QScrollBar::valueChanged, this, &Frmrenuke::HSclNo_Change);
    connectHandler(cmdDel, &QPushButton::clicked, this, &Frmrenuke::CmdDel_Click);
    connectHandler(cmdEx, &QPushButton::clicked, this, &Frmrenuke::CmdEx_Click);
    connectHandler(cmdend, &QPushButton::clicked, this, &Frmrenuke::Cmdend_Click);

    // An empty viewer until the load fills it, which is also what stays when the file cannot be read.
    Kakikomi();
    SetScroll();
}

void Frmrenuke::Form_Load() {
    std::string name;
    if (Screen* selection = context().registry.find(kSelectionScreen)) {
        if (auto* cmbKaku = selection->findChild<QComboBox*>(QStringLiteral("CmbKaku"))) {
            name = utf8(cmbKaku->currentText());
        }
    }
    m_lblUkeNe->setText(qtext(name));
    context().registry.closeScreen(kSelectionScreen);

    const MessageLoad loaded = m_viewer.load(context().folder, name);
    Kakikomi();
    SetScroll();
    if (!loaded.isWhole()) {
        showMessage(this, loadProblemText(qtext(context().folder.shownPath(m_viewer.MessageFileName())), loaded,
                                          m_viewer.MessageCount()));
    }
}

// Shows the message at the current position.
void Frmrenuke::Kakikomi() {
    const PhoneMessage& message = m_viewer.currentMessage();
    m_lblDtnai->setText(qtext(m_viewer.positionText()));
    setFittedText(m_lblAitena, qtext(message.CallerParty));
    setFittedText(m_lblTanna, qtext(message.CallerPerson));
    setFittedText(m_lblDate, qtext(message.ReceivedDate));
    setFittedText(m_lblTime, qtext(message.ReceivedTime));
    setFittedText(m_lblAitelno, qtext(message.PhoneNumber));
    m_txtRenjih->setText(qtext(message.MessageText));
    setFittedText(m_lblkigen3, qtext(message.Deadline));
    setFittedText(m_lblHosh2, qtext(message.Reporter));
    m_chkTelyn->setChecked(m_viewer.callBackChecked());
}

// Gives the bar the range that the table's count now gives and the position shown. The model has
// already moved a value above the new maximum, so the bar must not notify again.
void Frmrenuke::SetScroll() {
    const QSignalBlocker quiet(m_hsclNo);
    m_hsclNo->setMaximum(m_viewer.scrollMaximum());
    m_hsclNo->setPageStep(m_viewer.largeChange());
    m_hsclNo->setValue(m_viewer.CurrentNo());
}

void Frmrenuke::HSclNo_Change() {
    m_viewer.show(m_hsclNo->value());
    Kakikomi();
    SetScroll();
}

// Deletes the message on screen from the file, then from the view. The bar keeps its value and
// maximum until it next moves.
void Frmrenuke::CmdDel_Click() {
    const auto result = m_viewer.deleteShownMessage(context().folder);
    if (result == DeleteResult::FileDamaged) {
        showMessage(this, QStringLiteral("連絡ファイル %1 が壊れているため、削除できません。\n"
                                         "壊れた部分を失わないよう、ファイルは変更していません。")
                              .arg(qtext(context().folder.shownPath(m_viewer.MessageFileName()))));
    } else if (result) {
        Kakikomi();
    }
}

// Writes every message of the table into the worksheet and saves the workbook. A text too long for a
// cell is refused before anything is written to disk.
void Frmrenuke::CmdEx_Click() {
    Worksheet* sheet = m_workbook.sheets(kExportSheetName);
    if (!sheet) {
        throw std::logic_error("the workbook has no worksheet \"sheet1\"");
    }
    writeMessagesToSheet(*sheet, m_viewer.table());
    const DataFolder workbookFolder = context().workbookFolder();
    if (const auto cell = m_workbook.firstOversizedCell()) {
        showMessage(this,
                    oversizedCellText(*cell, m_viewer.MessageCount(), qtext(workbookFolder.shownPath(kExportPath))));
        return;
    }
    m_workbook.saveas(workbookFolder, kExportPath, context().folder);
}

void Frmrenuke::Cmdend_Click() {
    context().registry.ReturnToMenu(this);
}

}  // namespace callpad
