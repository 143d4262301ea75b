#include "names/NameChoices.h"

#include "ui/Controls.h"
#include "ui/MessageBox.h"

namespace callpad {

void offerNames(QWidget* screen, const DataFolder& folder, std::string_view listPath, NameList& list, QComboBox* box) {
    LoadNameList(folder, listPath, list);
    ui::addComboItems(box, choiceItems(list));
    if (list.damaged) {
        ui::showMessage(screen, QStringLiteral("名前の一覧 %1 の途中に読み取れない部分があります。\n"
                                               "読み取れた名前だけを一覧に表示します。名前は入力することもできます。")
                                    .arg(ui::qtext(folder.shownPath(listPath))));
    }
}

}  // namespace callpad
