#include "ui/Handlers.h"

#include <cstdio>

#include "records/FileError.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

namespace callpad::ui {

namespace {

// What the user can do about a lock file that this account cannot use.
QString lockFileText(const FileError& error, const QString& file) {
    if (error.refusedLink()) {
        return QStringLiteral(
                   "ロックファイル %1 がシンボリックリンクになっているため、安全のため保存しません。\n"
                   "このリンクを削除してください。")
            .arg(file);
    }
    switch (error.kind()) {
        case platform::ErrorKind::Busy:
            return QStringLiteral("別のコールパッドがデータを更新中です。しばらく待ってからもう一度操作してください。");
        case platform::ErrorKind::NotPermitted:
            return QStringLiteral(
                       "ロックファイル %1 をこのアカウントでは書き込み用に開けないため、保存できません。\n"
                       "別のアカウントが古いバージョンのコールパッドなどで作ったファイルです。すべてのコールパッドを終"
                       "了してから"
                       "このファイルを削除してください（README「複数のアカウントで使う」）。")
                .arg(file);
        default: return QStringLiteral("データフォルダーをロックできません（%1）。").arg(file);
    }
}

// The folder part of a shown path, with its separator: C:\callpad\ of C:\callpad\callpadRT.txt.
std::string fileFolder(const std::string& path) {
    return path.substr(0, path.find_last_of("/\\") + 1);
}

QString fileErrorText(const FileError& error) {
    const QString file = qtext(error.path());
    QString what;
    switch (error.operation()) {
        case FileOperation::Read: what = QStringLiteral("ファイル %1 を読み込めません。").arg(file); break;
        case FileOperation::Write: what = QStringLiteral("ファイル %1 を書き込めません。").arg(file); break;
        case FileOperation::Lock: what = lockFileText(error, file); break;
        case FileOperation::Reach:
            return QStringLiteral(
                       "データフォルダー %1 に接続できません。\n"
                       "リンク先のフォルダーがありません。共有ドライブがマウントされているか確認してください。"
                       "何も読み書きしていません。")
                .arg(file);
        case FileOperation::LocalLock:
            return QStringLiteral(
                       "データフォルダー %1 は、ロックがこの PC の中でしか働かないマウント オプション「%2」で"
                       "つながっています。\nほかの PC "
                       "と同時に書き込むと連絡が失われるおそれがあるため、保存していません。"
                       "「%2」を付けずにマウントし直してください（README「複数の PC で使う」）。")
                .arg(file, qtext(error.detail()));
        case FileOperation::LeftInFormerFolder:
            return QStringLiteral(
                       "ファイル %1 がありません。以前のコールパッドが C:\\ に置いていたファイル %2 が残っています。\n"
                       "コールパッドをすべて終了してから、C:\\ に置いていたコールパッドのファイルを %3 "
                       "に移してください（README「Windows で使う」）。何も読み書きしていません。")
                .arg(file, qtext(error.detail()), qtext(fileFolder(error.path())));
    }
    const bool denied = error.kind() == platform::ErrorKind::NotPermitted;
    if (denied && error.operation() != FileOperation::Lock) {
        what += QStringLiteral(
            "\nこのアカウントには権限がありません。共有フォルダーなら、グループと権限の設定を確認してください"
            "（README「複数のアカウントで使う」）。");
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
