#include "names/NameListEditorScreen.h"

#include <QApplication>
#include <QSignalBlocker>

#include "records/FileError.h"
#include "ui/Controls.h"
#include "ui/Handlers.h"
#include "ui/InputMessages.h"
#include "ui/MessageBox.h"
#include "ui/ScreenRegistry.h"

namespace callpad {

using namespace ui;

namespace {

const QString kNameRefused = QStringLiteral("一覧に登録できません。");

}  // namespace

const NameListEditorLook NameListEditorScreen::kReporters{
    .screenName = "FrmTouroku",
    .kind = NameListEditor::Kind::Reporters,
    .caption = QStringLiteral("報告者登録"),
    .listName = QStringLiteral("報告者"),
    .background = kBlueGrey,
    .buttonColour = kLightGrey,
    .buttonTop = 1320,
    .scrollTop = 2040,
    .instructionWidth = 4455,
};

const NameListEditorLook NameListEditorScreen::kRecipients{
    .screenName = "FrmUkesha",
    .kind = NameListEditor::Kind::Recipients,
    .caption = QStringLiteral("報告受取者登録"),
    .listName = QStringLiteral("受取者"),
    .background = kPaleGreen,
    .buttonColour = kLightCyan,
    .buttonTop = 1200,
    .scrollTop = 1920,
    .instructionWidth = 4335,
};

NameListEditorScreen::NameListEditorScreen(ScreenContext& context, const NameListEditorLook& look)
    : Screen(context, look.screenName), m_look(look), m_model(look.kind) {
    setUpScreen(this, look.caption, 4965, 3270, look.background, 14.25);

    m_lblNo = addLabel(this, "LblNo", QString(), {480, 480, 975, 615}, 14.25);
    m_txtNeme = addTextBox(this, "TxtNeme", {1680, 360, 2655, 735}, 14.25);
    m_txtNeme->setAccessibleName(QStringLiteral("名前"));
    auto* cmdTuika =
        addButton(this, "CmdTuika", QStringLiteral("登録"), {480, look.buttonTop, 1215, 495}, 12, look.buttonColour);
    auto* cmdDel =
        addButton(this, "CmdDel", QStringLiteral("削除"), {1800, look.buttonTop, 1215, 495}, 12, look.buttonColour);
    auto* cmdRt =
        addButton(this, "CmdRt", QStringLiteral("戻る"), {3120, look.buttonTop, 1215, 495}, 12, look.buttonColour);
    m_hscBN = addScrollBar(this, "HScBN", {480, look.scrollTop, 3855, 495});
    auto* label1 = addLabel(
        this, "Label1", QStringLiteral("追加登録のときは一番右に移動させて登録部分が空白になってから登録してください"),
        {360, 2640, look.instructionWidth, 495}, 9);
    // The instruction keeps the system's own type, unlike the rest of the screen, and wraps to fit.
    label1->setFont(QApplication::font());
    label1->setWordWrap(true);
    for (QLabel* label : {m_lblNo, label1}) {
        setBackground(label, rgb(look.background));
    }

    chainFocus({cmdRt, m_txtNeme, m_hscBN, cmdDel, cmdTuika});
    cmdRt->setFocus();
    // Until the file is read the screen shows the model's blank first slot.
    showEntry();
    mirrorScrollBar();

    connectHandler(cmdTuika, &QPushButton::clicked, this, &NameListEditorScreen::CmdTuika_Click);
    connectHandler(m_hscBN, &QScrollBar::valueChanged, this, &NameListEditorScreen::HScBN_Change);
    connectHandler(cmdDel, &QPushButton::clicked, this, &NameListEditorScreen::CmdDel_Click);
    connectHandler(cmdRt, &QPushButton::clicked, this, &NameListEditorScreen::CmdRt_Click);
}

void NameListEditorScreen::Form_Load() {
    try {
        m_model.load(context().folder);
    } catch (const FileError& error) {
        // The model keeps the list from being saved; the user must know before typing any name.
        showEntry();
        mirrorScrollBar();
        showMessage(this, failureText(error) + QStringLiteral("\n\n%1の一覧を読み込めなかったため、"
                                                              "この画面で変更しても保存されません。")
                                                   .arg(m_look.listName));
        return;
    }
    showEntry();
    mirrorScrollBar();
    const NameList& list = m_model.list();
    if (list.damaged) {
        showMessage(
            this, QStringLiteral("%1の一覧のファイル %2 に読み取れない部分があるため、最後まで読み込めませんでした。\n"
                                 "ファイルを壊さないよう、この画面で変更しても保存されません。"
                                 "ファイルの内容を確認してください。")
                      .arg(m_look.listName, qtext(context().folder.shownPath(m_model.filePath()))));
    } else if (!list.beyondCapacity.empty()) {
        const auto total = static_cast<qsizetype>(list.NameCount) + static_cast<qsizetype>(list.beyondCapacity.size());
        showMessage(this, QStringLiteral("%1の一覧には名前が%2件あります。この画面に表示できるのは最初の%3件です。\n"
                                         "前の名前を削除すると、%4件目からの名前が1件ずつ繰り上がって表示されます。"
                                         "表示していない名前も「戻る」でそのまま保存されます。")
                              .arg(m_look.listName, QString::number(total), QString::number(NameList::kCapacity),
                                   QString::number(NameList::kCapacity + 1)));
    }
}

void NameListEditorScreen::CmdTuika_Click() {
    const QString typed = m_txtNeme->text();
    if (const auto refusal = m_model.store(utf8(typed))) {
        // The typed text stays in the box so that the user can correct it.
        showMessage(this, refusalText(QStringLiteral("名前"), typed, *refusal, kNameRefused));
        return;
    }
    showEntry();
    mirrorScrollBar();
    if (m_model.isFullAtShownSlot()) {
        showMessage(this, QStringLiteral("%1番目の名前を登録しました。\n"
                                         "一覧に登録できる名前は%1件までのため、新しい欄は追加されません。"
                                         "追加するには、不要な名前を削除してください。")
                              .arg(QString::number(NameList::kCapacity)));
    }
}

void NameListEditorScreen::HScBN_Change() {
    const QString typed = m_txtNeme->text();
    if (const auto refusal = m_model.moveTo(utf8(typed), m_hscBN->value())) {
        // The bar goes back to the slot still shown; the box keeps what was typed.
        mirrorScrollBar();
        showMessage(this, refusalText(QStringLiteral("名前"), typed, *refusal, kNameRefused));
        return;
    }
    showEntry();
    mirrorScrollBar();
}

void NameListEditorScreen::CmdDel_Click() {
    m_model.removeShownSlot();
    showEntry();
    mirrorScrollBar();
}

void NameListEditorScreen::CmdRt_Click() {
    m_model.save(context().folder);
    context().registry.ReturnToMenu(this);
}

void NameListEditorScreen::showEntry() {
    m_lblNo->setText(QString::number(m_model.shownSlot()));
    m_txtNeme->setText(qtext(m_model.shownText()));
}

// The model has already shown the slot that the bar's clamping leads to, so the bar only takes its
// range and value without notifying a change.
void NameListEditorScreen::mirrorScrollBar() {
    const QSignalBlocker blocker(m_hscBN);
    m_hscBN->setRange(1, m_model.slotCount());
    m_hscBN->setValue(m_model.shownSlot());
}

}  // namespace callpad
