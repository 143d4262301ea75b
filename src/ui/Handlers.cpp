#include "ui/Handlers.h"

#include <cstdio>

#include "records/FileError.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

namespace callpad::ui {

namespace {

// Where the read-me that the user has explains the fix: the zip's and the installer's README.txt on
// Windows, the project's README elsewhere.
QString accountsHelp(HelpFor help) {
    return help == HelpFor::Windows ? QStringLiteral("README.txt「権限がないとき」")
                                    : QStringLiteral("README「複数のアカウントで使う」");
}

// A pointer to a section of the read-me that ships with the Windows program; nothing elsewhere.
QString windowsHelp(HelpFor help, const char* section) {
    return help == HelpFor::Windows ? QStringLiteral("（README.txt「%1」）").arg(QString::fromUtf8(section))
                                    : QString();
}

// What the user can do about a lock file that this account cannot use.
QString lockFileText(const FileError& error, const QString& file, HelpFor help) {
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
                       "すべてのコールパッドを終了してから、このファイルを削除してください。次の保存で作り直されます"
                       "（%2）。")
                .arg(file, accountsHelp(help));
        default: return QStringLiteral("データフォルダーをロックできません（%1）。").arg(file);
    }
}

// The folder part of a shown path, with its separator: C:\callpad\ of C:\callpad\callpadRT.txt.
std::string fileFolder(const std::string& path) {
    return path.substr(0, path.find_last_of("/\\") + 1);
}

// The folder as the user knows it: the data folder, or the folder that receives the workbook.
QString folderName(const FileError& error) {
    return error.folder() == FolderKind::Data ? QStringLiteral("データフォルダー")
                                              : QStringLiteral("書き出し先のフォルダー");
}

// What the account may do about a refusal: a shared data folder's groups and permissions, or the
// account's own folder.
QString permissionAdvice(const FileError& error, HelpFor help) {
    if (error.folder() == FolderKind::Data) {
        return (help == HelpFor::Windows
                    ? QStringLiteral("\nこのアカウントには権限がありません。管理者にフォルダーの権限を確認してもらって"
                                     "ください（%1）。")
                    : QStringLiteral("\nこのアカウントには権限がありません。共有フォルダーなら、グループと権限の設定を"
                                     "確認してください（%1）。"))
            .arg(accountsHelp(help));
    }
    return QStringLiteral("\nこのアカウントには、このフォルダーに書き込む権限がありません。");
}

// The system's own number and description of the failure, for whoever looks into it.
QString systemErrorText(const FileError& error) {
    return QStringLiteral("\nエラー %1: %2").arg(QString::number(error.number()), qtext(error.description()));
}

QString fileErrorText(const FileError& error, HelpFor help) {
    const QString file = qtext(error.path());
    const bool reading = error.operation() == FileOperation::Read;
    if (error.kind() == platform::ErrorKind::Busy && (reading || error.operation() == FileOperation::Write)) {
        return QStringLiteral(
                   "ファイル %1 はほかのプログラム（Excel など）で開かれているため、%2。\n"
                   "そのプログラムでファイルを閉じてから、もう一度操作してください。"
                   "ファイルは変更していません。%3")
                   .arg(file, reading ? QStringLiteral("読み込めません") : QStringLiteral("書き込めません"),
                        windowsHelp(help, "ほかのプログラムが開いているとき")) +
               systemErrorText(error);
    }
    QString what;
    switch (error.operation()) {
        case FileOperation::Read: what = QStringLiteral("ファイル %1 を読み込めません。").arg(file); break;
        case FileOperation::Write: what = QStringLiteral("ファイル %1 を書き込めません。").arg(file); break;
        case FileOperation::CreateFolder: what = QStringLiteral("フォルダー %1 を作成できません。").arg(file); break;
        case FileOperation::Lock: what = lockFileText(error, file, help); break;
        case FileOperation::ReadOnly:
            return QStringLiteral(
                       "ファイル %1 は読み取り専用です。\n"
                       "ファイルは変更していません。保存するには、読み取り専用を解除してください。%2")
                       .arg(file, windowsHelp(help, "読み取り専用のファイル")) +
                   systemErrorText(error);
        case FileOperation::Reach:
            return QStringLiteral(
                       "%1 %2 に接続できません。\n"
                       "リンク先のフォルダーがありません。共有ドライブがマウントされているか確認してください。"
                       "何も読み書きしていません。")
                .arg(folderName(error), file);
        case FileOperation::LocalLock:
            return QStringLiteral(
                       "データフォルダー %1 は、ロックがこの PC の中でしか働かないマウント オプション「%2」で"
                       "マウントされているため、保存していません。\n"
                       "ほかの PC と同時に書き込むと連絡が失われるおそれがあります。"
                       "「%2」を付けずにマウントし直してください（README「複数の PC で使う」）。")
                .arg(file, qtext(error.detail()));
        case FileOperation::LeftInFormerFolder:
            return QStringLiteral(
                       "ファイル %1 がありません。以前のコールパッドが C:\\ に置いていたファイル %2 が残っています。\n"
                       "コールパッドをすべて終了してから、C:\\ に置いていたコールパッドのファイルを %3 "
                       "にコピーし、そのあと元のファイルを削除してください（移動すると、ほかのアカウントが"
                       "書き込めなくなることがあります。移動してしまったファイルは、管理者が icacls C:\\callpad\\* "
                       "/reset /T で権限を戻せます。README.txt「C:\\ に置いていたファイル」）。"
                       "何も読み書きしていません。")
                .arg(file, qtext(error.detail()), qtext(fileFolder(error.path())));
    }
    if (error.kind() == platform::ErrorKind::NotPermitted && error.operation() != FileOperation::Lock) {
        what += permissionAdvice(error, help);
    }
    return what + systemErrorText(error);
}

}  // namespace

QString failureText(const std::exception& failure, HelpFor help) {
    if (const auto* fileError = dynamic_cast<const FileError*>(&failure)) {
        return fileErrorText(*fileError, help);
    }
    // A broken invariant: the program's own English text is for the developer, on the error output.
    std::fprintf(stderr, "callpad: handler abandoned: %s\n", failure.what());
    return QStringLiteral(
        "プログラムの内部エラーのため、この操作を中止しました。\n"
        "コールパッドは引き続き使えます。");
}

void reportFailure(QWidget* screen, const std::exception& failure) {
    showMessage(screen, failureText(failure));
}

}  // namespace callpad::ui
