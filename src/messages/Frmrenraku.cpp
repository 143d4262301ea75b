#include "messages/Frmrenraku.h"

#include "messages/MessageFile.h"
#include "messages/MessageStore.h"
#include "names/NameChoices.h"
#include "names/NameList.h"
#include "ui/Controls.h"
#include "ui/Handlers.h"
#include "ui/InputMessages.h"
#include "ui/MessageBox.h"
#include "ui/ScreenRegistry.h"

namespace callpad {

using namespace ui;

namespace {

// The label of each input without its access key, as the user sees it.
QString inputLabel(TextInput input) {
    switch (input) {
        case TextInput::Party: return QStringLiteral("どこの");
        case TextInput::Person: return QStringLiteral("誰から");
        case TextInput::PhoneNumber: return QStringLiteral("相手の電話番号");
        case TextInput::Content: return QStringLiteral("連絡事項");
        case TextInput::Deadline: return QStringLiteral("期限");
        case TextInput::Reporter: return QStringLiteral("報告者");
        case TextInput::Recipient: break;
    }
    return QStringLiteral("誰に");
}

// Shows no text and selects no item, as right after loading; the item list stays.
void clearShownText(QComboBox* box) {
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

}  // namespace

Frmrenraku::Frmrenraku(ScreenContext& context) : Screen(context, "Frmrenraku") {
    setUpScreen(this, QStringLiteral("連絡"), 6090, 5655, kBlueGrey, 14.25);
    addLabel(this, "Lbltaitoru", QStringLiteral("コールパッド入力"), {480, 240, 2175, 375}, 14.25);
    auto* lblaine = addLabel(this, "Lblaine", QStringLiteral("どこの(&A)"), {120, 1200, 1095, 255}, 14.25);
    m_txtaite = addTextBox(this, "Txtaite", {1320, 1200, 1695, 375}, 12);
    auto* lbltantou = addLabel(this, "Lbltantou", QStringLiteral("誰から(&T)"), {120, 1680, 1215, 255}, 14.25);
    m_txttantou = addTextBox(this, "Txttantou", {1320, 1680, 1695, 375}, 12);

    // The frame's children stand relative to the frame.
    auto* tlptel = addFrame(this, "tlptel", QStringLiteral("電話連絡"), {3240, 960, 2655, 1215}, 12);
    addLabel(tlptel, "Lbltelt", QStringLiteral("電話"), {120, 480, 855, 495}, 18);
    m_optn = addOptionButton(tlptel, "Optn", QStringLiteral("ありました"), {960, 360, 1575, 375}, 14.25);
    m_opty = addOptionButton(tlptel, "Opty", QStringLiteral("してください"), {960, 720, 1575, 375}, 14.25);

    auto* label1 = addLabel(this, "Label1", QStringLiteral("相手の電話番号"), {1440, 2400, 1815, 375}, 12);
    m_txttelno = addTextBox(this, "Txttelno", {3360, 2280, 2415, 495}, 12);
    auto* label6 = addLabel(this, "Label6", QStringLiteral("連絡事項"), {120, 2520, 1215, 255}, 12);
    m_txthoukoku = addMultiLineTextBox(this, "Txthoukoku", {120, 2880, 5655, 735}, 12);
    auto* lblkigen = addLabel(this, "Lblkigen", QStringLiteral("期限"), {120, 3840, 735, 375}, 14.25);
    m_cmbkigen = addComboBox(this, "Cmbkigen", {840, 3720, 1335, 405}, 14.25);
    addLabel(this, "Lblkigen2", QStringLiteral("まで"), {2280, 3840, 735, 375}, 14.25);
    auto* lblhosh = addLabel(this, "Lblhosh", QStringLiteral("報告者"), {3000, 3840, 975, 375}, 14.25);
    m_cmbhosh = addComboBox(this, "Cmbhosh", {4080, 3720, 1455, 405}, 14.25);
    auto* cmdsave = addButton(this, "Cmdsave", QStringLiteral("登録(&S)"), {240, 4320, 1575, 495}, 9, kLightGrey);
    auto* cmdNext = addButton(this, "CmdNext", QStringLiteral("白紙に(&C)"), {1920, 4320, 1335, 495}, 9, kLightGrey);
    auto* cmdend = addButton(this, "Cmdend", QStringLiteral("戻る(&R)"), {3360, 4320, 1215, 495}, 9, kLightGrey);
    auto* label2 = addLabel(this, "Label2", QStringLiteral("誰に"), {3000, 360, 855, 375}, 14.25);
    m_cmbUke = addComboBox(this, "CmbUke", {3840, 360, 1575, 405}, 14.25);

    for (QComboBox* box : {m_cmbkigen, m_cmbhosh}) {
        setColour(box, QPalette::Base, rgb(kWhite));
    }

    lblaine->setBuddy(m_txtaite);
    lbltantou->setBuddy(m_txttantou);
    label1->setBuddy(m_txttelno);
    label6->setBuddy(m_txthoukoku);
    lblkigen->setBuddy(m_cmbkigen);
    lblhosh->setBuddy(m_cmbhosh);
    label2->setBuddy(m_cmbUke);

    // The recipient box comes last although it stands at the top.
    chainFocus({m_txtaite, m_txttantou, m_optn, m_opty, m_txttelno, m_txthoukoku, m_cmbkigen, m_cmbhosh, cmdsave,
                cmdNext, cmdend, m_cmbUke});
    m_txtaite->setFocus();

    connectHandler(cmdsave, &QPushButton::clicked, this, &Frmrenraku::Cmdsave_Click);
    connectHandler(cmdNext, &QPushButton::clicked, this, &Frmrenraku::CmdNext_Click);
    connectHandler(cmdend, &QPushButton::clicked, this, &Frmrenraku::Cmdend_Click);
}

void Frmrenraku::Form_Load() {
    // The starting state comes first, so that a list file that cannot be read leaves a screen that
    // saves correctly: with no option selected a save would store "call back".
    clearInputs();
    addComboItems(m_cmbkigen, {"\u3000\u3000", "至急", "帰社", "昼", "夕方", "\u3000時", "明朝"});
    // One list carries both files, one after the other. A file that cannot be read is reported on
    // its own, and the other list is still offered.
    NameList names;
    runHandler(this, [&] { offerNames(this, context().folder, kReporterListPath, names, m_cmbhosh); });
    runHandler(this, [&] { offerNames(this, context().folder, kRecipientListPath, names, m_cmbUke); });
}

void Frmrenraku::Cmdsave_Click() {
    const MessageEntry entry = currentEntry();
    // Refuse before anything is read or written; the inputs stay for the user to correct.
    if (const auto refusal = checkEntry(entry)) {
        showMessage(this, refusalText(inputLabel(refusal->input), qtext(entry.text(refusal->input)), *refusal,
                                      QStringLiteral("連絡を保存できません。")));
        return;
    }
    const std::string path = MessageFilePath(entry.recipient);
    const QString file = qtext(context().folder.shownPath(path));
    switch (saveNewMessage(context().folder, path, buildMessage(entry, context().now()))) {
        case SaveResult::Saved: showMessage(this, QStringLiteral("登録完了")); break;
        case SaveResult::FileFull:
            showMessage(
                this, QStringLiteral("連絡ファイル %1 にはすでに%2件の連絡が保存されていて、これ以上登録できません。\n"
                                     "「報告確認」の画面で対応済みの連絡を削除してから、もう一度登録してください。")
                          .arg(file, QString::number(MessageTable::kCapacity)));
            break;
        case SaveResult::FileDamaged:
            showMessage(this, QStringLiteral("連絡ファイル %1 の内容が壊れているため、連絡を登録できません。\n"
                                             "ファイルは書き換えていません。ファイルの内容を確認してください。")
                                  .arg(file));
            break;
    }
}

void Frmrenraku::CmdNext_Click() {
    clearInputs();
}

void Frmrenraku::Cmdend_Click() {
    context().registry.ReturnToMenu(this);
}

void Frmrenraku::clearInputs() {
    m_txtaite->clear();
    m_txttantou->clear();
    m_txttelno->clear();
    m_txthoukoku->clear();
    m_optn->setChecked(true);
    for (QComboBox* box : {m_cmbkigen, m_cmbhosh, m_cmbUke}) {
        clearShownText(box);
    }
}

MessageEntry Frmrenraku::currentEntry() const {
    MessageEntry entry;
    entry.party = utf8(m_txtaite->text());
    entry.person = utf8(m_txttantou->text());
    entry.callBack = !m_optn->isChecked();
    entry.phoneNumber = utf8(m_txttelno->text());
    entry.content = utf8(m_txthoukoku->text());
    entry.deadline = utf8(m_cmbkigen->currentText());
    entry.reporter = utf8(m_cmbhosh->currentText());
    entry.recipient = utf8(m_cmbUke->currentText());
    return entry;
}

}  // namespace callpad
