#include "ui/InputMessages.h"

#include "ui/Controls.h"

namespace callpad::ui {

QString fileNameProblemReason(FileNameProblem problem) {
    switch (problem) {
        case FileNameProblem::None: break;
        case FileNameProblem::Separator: return QStringLiteral("「/」や「\\」は使えません。");
        case FileNameProblem::ReservedCharacter: return QStringLiteral("「: * ? \" < > |」は使えません。");
        case FileNameProblem::ControlCharacter: return QStringLiteral("制御文字（タブなど）は使えません。");
        case FileNameProblem::DotName: return QStringLiteral("「.」だけの名前は使えません。");
        case FileNameProblem::TooLong: return QStringLiteral("名前が長すぎます。");
        case FileNameProblem::DeviceName:
            return QStringLiteral(
                "最初の「.」より前が CON、PRN、AUX、NUL、COM1〜COM9、LPT1〜LPT9 の名前は、"
                "Windows が装置の名前に使うため使えません。");
    }
    return {};
}

QString refusalText(const QString& inputLabel, const QString& typed, const Refusal& refusal,
                    const QString& refusedAction) {
    switch (refusal.problem) {
        case Refusal::DoubleQuote:
            return QStringLiteral(
                       "「%1」に二重引用符（\"）が含まれています。\n"
                       "データファイルに保存できないため、削除するか別の文字（” など）に置き換えてください。")
                .arg(inputLabel);
        case Refusal::Unencodable:
            return QStringLiteral(
                       "「%1」に保存できない文字「%2」が含まれています。\n"
                       "この文字を削除するか、別の文字に置き換えてください。")
                .arg(inputLabel, qtext(refusal.character));
        case Refusal::NotAFileName: break;
    }
    return QStringLiteral("受取者名「%1」はファイル名に使えないため、%2\n%3\n名前を直してください。")
        .arg(typed, refusedAction, fileNameProblemReason(refusal.fileName));
}

}  // namespace callpad::ui
