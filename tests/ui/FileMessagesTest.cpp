#include <gtest/gtest.h>

#include "records/FileError.h"
#include "ui/Controls.h"
#include "ui/Handlers.h"
#include "ui/MessageBox.h"

// The texts of the message boxes that report failures of the file layer: each names the real folder
// or file, with the home folder as "~".
namespace callpad {
namespace {

// A data folder the program cannot use, and permission failures met by another account on a shared
// folder (the two-account tests produce these errors; they need other user ids), are named with the
// real folder or file and tell the user the fix; the folder that receives the workbook is the
// account's own and gets no advice on groups. SharedFolderTest shows that such failures write nothing.
TEST(FileMessages, FailuresNameTheirFileAndTellTheFix) {
    ui::RecordedMessageBoxes boxes;
    const struct {
        const char* name;
        FileError error;
        QStringList said;
        bool groupAdvice = false;  // the advice on a shared folder's groups and permissions
    } cases[] = {
        {"a link to a share that is not mounted",
         FileError(FileOperation::Reach, ENOENT, "~/data-link"),
         {QStringLiteral("データフォルダー ~/data-link に接続できません"), QStringLiteral("マウント")}},
        {"a share mounted with nolock",
         FileError(FileOperation::LocalLock, ENOLCK, "~/share/callpad", "nolock"),
         {QStringLiteral("データフォルダー ~/share/callpad は"), QStringLiteral("「nolock」でマウントされているため")}},
        {"a link under the lock file's name",
         FileError(FileOperation::Lock, ELOOP, "~/own/callpad/callpad.lock"),
         {QStringLiteral("ロックファイル ~/own/callpad/callpad.lock がシンボリックリンク")}},
        {"a lock file made by another account without group write",
         FileError(FileOperation::Lock, EACCES, "/srv/callpad/callpad.lock"),
         {QStringLiteral("ロックファイル /srv/callpad/callpad.lock"),
          QStringLiteral("このファイルを削除してください")}},
        {"a sticky folder refusing to replace another account's file",
         FileError(FileOperation::Write, EPERM, "~/.local/share/callpad/田中callpad.txt"),
         {QStringLiteral("ファイル ~/.local/share/callpad/田中callpad.txt を書き込めません"),
          QStringLiteral("グループと権限の設定"), QStringLiteral("エラー %1").arg(EPERM)},
         true},
        {"a workbook folder this account may not write",
         FileError(FileOperation::Write, EACCES, "~/ドキュメント/callpad.xls", {}, FolderKind::Workbook),
         {QStringLiteral("ファイル ~/ドキュメント/callpad.xls を書き込めません"),
          QStringLiteral("このアカウントには、このフォルダーに書き込む権限がありません")}},
        {"a file protected against writing",
         FileError(FileOperation::ReadOnly, EACCES, "~/data/田中callpad.txt"),
         {QStringLiteral("ファイル ~/data/田中callpad.txt は読み取り専用"),
          QStringLiteral("ファイルは変更していません")}},
        {"a workbook that a spreadsheet holds open",
         FileError(FileOperation::Write, EWOULDBLOCK, "~/ドキュメント/callpad.xls", {}, FolderKind::Workbook),
         {QStringLiteral("ファイル ~/ドキュメント/callpad.xls はほかのプログラム（Excel など）で開かれている")}},
        {"a data folder that cannot be created",
         FileError(FileOperation::CreateFolder, EACCES, "/srv/callpad"),
         {QStringLiteral("フォルダー /srv/callpad を作成できません")},
         true},
        {"a workbook folder behind a link to nothing",
         FileError(FileOperation::Reach, ENOENT, "~/ドキュメント", {}, FolderKind::Workbook),
         {QStringLiteral("書き出し先のフォルダー ~/ドキュメント に接続できません")}},
        {"on Windows, a file left in C:\\ when the files moved into C:\\callpad\\",
         FileError(FileOperation::LeftInFormerFolder, ENOENT, "C:\\callpad\\田中callpad.txt", "C:\\田中callpad.txt"),
         {QStringLiteral("ファイル C:\\callpad\\田中callpad.txt がありません"),
          QStringLiteral("ファイル C:\\田中callpad.txt が残っています"),
          QStringLiteral("ファイルを C:\\callpad\\ にコピーし、そのあと元のファイルを削除してください"),
          QStringLiteral("README.txt「C:\\ に置いていたファイル」")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui::reportFailure(nullptr, c.error);
        for (const QString& part : c.said) {
            EXPECT_TRUE(boxes.last().contains(part)) << ui::utf8(boxes.last());
        }
        EXPECT_EQ(boxes.last().contains(QStringLiteral("グループ")), c.groupAdvice) << ui::utf8(boxes.last());
    }
}

}  // namespace
}  // namespace callpad
