#include "ui/Handlers.h"

#include <cerrno>

#include "records/FileError.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

namespace callpad::ui {

namespace {

QString fileErrorText(const FileError& error) {
    const QString file = qtext(error.path());
    QString what;
    switch (error.operation()) {
        case FileOperation::Read: what = QStringLiteral("ファイル %1 を読み込めません。").arg(file); break;
        case FileOperation::Write: what = QStringLiteral("ファイル %1 を書き込めません。").arg(file); break;
        case FileOperation::Lock:
            what = error.number() == EWOULDBLOCK
                       ? QStringLiteral(
                             "別のコールパッドがデータを更新中です。しばらく待ってからもう一度操作してください。")
                       : QStringLiteral("データフォルダーをロックできません（%1）。").arg(file);
            break;
    }
    return what + QStringLiteral("\nエラー %1: %2").arg(error.number()).arg(qtext(error.description()));
}

}  // namespace

void reportFailure(QWidget* screen, const std::exception& failure) {
    if (const auto* fileError = dynamic_cast<const FileError*>(&failure)) {
        showMessage(screen, fileErrorText(*fileError));
    } else {
        showMessage(screen, QStringLiteral("処理を続けられませんでした。\n%1").arg(QString::fromUtf8(failure.what())));
    }
}

}  // namespace callpad::ui
