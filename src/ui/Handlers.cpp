#include "ui/Handlers.h"

#include <cerrno>
#include <cstdio>

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
        // A broken invariant: the program's own English text is for the developer, on the error output.
        std::fprintf(stderr, "callpad: handler abandoned: %s\n", failure.what());
        showMessage(screen, QStringLiteral("プログラムの内部エラーのため、この操作を中止しました。\n"
                                           "コールパッドは引き続き使えます。"));
    }
}

}  // namespace callpad::ui
