#include "review/FrmUkekaku.h"

#include "messages/MessageFile.h"
#include "names/NameChoices.h"
#include "ui/Controls.h"
#include "ui/Handlers.h"
#include "ui/InputMessages.h"
#include "ui/MessageBox.h"
#include "ui/ScreenRegistry.h"

namespace callpad {

using namespace ui;

namespace {

const QString kViewer = QStringLiteral("Frmrenuke");

}  // namespace

FrmUkekaku::FrmUkekaku(ScreenContext& context) : Screen(context, "FrmUkekaku") {
    setUpScreen(this, QStringLiteral("受取者確認"), 4680, 3195, kPaleYellow, 14.25);
    auto* label1 = addLabel(this, "Label1", QStringLiteral("私は"), {480, 720, 735, 495}, 14.25);
    m_cmbKaku = addComboBox(this, "CmbKaku", {1320, 600, 1695, 405}, 14.25);
    addLabel(this, "Label2", QStringLiteral("です"), {3120, 720, 855, 495}, 14.25);
    auto* cmdNext = addButton(this, "CmdNext", QStringLiteral("確認へ"), {600, 1800, 1575, 735}, 14.25, kLightGreen);
    auto* cmdRt = addButton(this, "CmdRt", QStringLiteral("戻る"), {2520, 1800, 1455, 735}, 14.25, kLightGreen);
    label1->setBuddy(m_cmbKaku);
    chainFocus({m_cmbKaku, cmdNext, cmdRt});
    m_cmbKaku->setFocus();

    connectHandler(cmdNext, &QPushButton::clicked, this, &FrmUkekaku::CmdNext_Click);
    connectHandler(cmdRt, &QPushButton::clicked, this, &FrmUkekaku::CmdRt_Click);
}

// Offers the names of the recipient list, in file order; the field stays empty.
void FrmUkekaku::Form_Load() {
    NameList list;
    offerNames(this, context().folder, kRecipientListPath, list, m_cmbKaku);
}

// Opens the viewer, whose load takes the name and closes this screen. A name that cannot name a
// message file (the entry screen never saves one for it) is refused here, while it can still be
// corrected. A viewer that is already open only comes to the front and does not read the name.
void FrmUkekaku::CmdNext_Click() {
    if (!context().registry.find(kViewer)) {
        const QString name = m_cmbKaku->currentText();
        const FileNameProblem problem = checkRecipientName(utf8(name));
        if (problem != FileNameProblem::None) {
            const Refusal refusal{TextInput::Recipient, Refusal::NotAFileName, {}, problem};
            showMessage(this,
                        refusalText(QStringLiteral("私は"), name, refusal, QStringLiteral("連絡を確認できません。")));
            return;
        }
    }
    context().registry.OpenScreen(kViewer);
}

void FrmUkekaku::CmdRt_Click() {
    context().registry.ReturnToMenu(this);
}

}  // namespace callpad
